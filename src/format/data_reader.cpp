#include "format/data_reader.h"

#include <algorithm>
#include <bit>

namespace kelv {
namespace {

// A field that declares more than the file holds after it.
Message left_in_file(const FieldRecord& f) {
  return Message(tr("declares {1} data bytes where {2} are left in the file"), f.declared,
                 f.data.size());
}

}  // namespace

void Places::add(const void* begin, std::size_t size, std::uint64_t at, std::string_view field) {
  const auto* b = static_cast<const char*>(begin);
  if (!places_.empty() && places_.back().begin > b) sorted_ = false;
  places_.push_back({b, size, at, field});
}

bool Places::find(const void* p, std::uint64_t& at, std::string& field) {
  if (!sorted_) {
    std::sort(places_.begin(), places_.end(),
              [](const Place& a, const Place& b) { return a.begin < b.begin; });
    sorted_ = true;
  }
  const auto* c = static_cast<const char*>(p);
  auto it = std::upper_bound(places_.begin(), places_.end(), c,
                             [](const char* x, const Place& pl) { return x < pl.begin; });
  if (it == places_.begin()) return false;
  --it;
  if (c >= it->begin + it->size) return false;
  at = it->at + static_cast<std::uint64_t>(c - it->begin);
  field = it->field;
  return true;
}

void Decode::problem(Message message) {
  problems_.push_back({at(), std::string(field_.name), std::move(message)});
}

bool Decode::take(std::size_t n, const Message& what) {
  if (broken_) return false;
  if (left() >= n) return true;
  short_of(n, what);
  return false;
}

void Decode::mismatch(Message message) {
  if (!told_) problem(std::move(message));
  told_ = true;
}

void Decode::short_of(std::uint64_t need, const Message& what) {
  // Beyond the bytes counted for the entries read so far (the shop list's), the file was cut.
  if (field_.declared > static_cast<std::int64_t>(field_.data.size()) + over_) {
    mismatch(Message(tr("the file ends inside this field, which declares {1} data bytes where {2} "
                        "follow"),
                     field_.declared, field_.data.size()));
  } else {
    mismatch(
        Message(tr("the data ends where {1} needs {2} bytes ({3} are left)"), what, need, left()));
  }
  broken_ = true;
}

void Decode::i32(std::int32_t& v, const ValueShape& s) {
  if (!take(4, Message::literal(s.name()))) return;
  const std::uint64_t where = at();
  v = i32_at(field_.data, pos_);
  pos_ += 4;
  if (places_ != nullptr) places_->add(&v, 4, where, field_.name);
  StoredValue shown;
  shown.number = v;
  shown.place = place_;
  listen_.value(s, where, shown);
}

void Decode::f32(float& v, const ValueShape& s) {
  if (!take(4, Message::literal(s.name()))) return;
  const std::uint64_t where = at();
  v = std::bit_cast<float>(i32_at(field_.data, pos_));
  pos_ += 4;
  if (places_ != nullptr) places_->add(&v, 4, where, field_.name);
  StoredValue shown;
  shown.kind = ValueKind::Real;
  shown.real = v;
  shown.place = place_;
  listen_.value(s, where, shown);
}

bool Decode::read_text(std::string_view& text, const ValueShape& s) {
  const std::string name = s.name();
  if (!take(4, Message::literal(name))) return false;
  const std::uint64_t where = at();
  const std::int32_t length = i32_at(field_.data, pos_);
  if (length < 1) {
    problem(Message(tr("the text {1} has a length of {2} (a counted text has at least its NUL)"),
                    name, length));
    broken_ = true;
    return false;
  }
  pos_ += 4;
  if (!take(static_cast<std::size_t>(length), Message(tr("the text {1}"), name))) return false;
  text = std::string_view(reinterpret_cast<const char*>(field_.data.data() + pos_),
                          static_cast<std::size_t>(length) - 1);
  if (field_.data[pos_ + static_cast<std::size_t>(length) - 1] != 0) {
    pos_ += static_cast<std::size_t>(length) - 1;
    problem(Message(tr("the text {1} does not end in a NUL"), name));
    pos_ += 1;
  } else {
    pos_ += static_cast<std::size_t>(length);
  }
  StoredValue shown;
  shown.kind = s.kind == ValueKind::Int || s.kind == ValueKind::Real ? ValueKind::Text : s.kind;
  shown.text = text.substr(0, text.find('\0'));
  shown.counted = length;
  shown.trailing = shown.text.size() != text.size();
  shown.place = place_;
  listen_.value(s, where, shown);
  return true;
}

void Decode::text(std::span<char> field, const ValueShape& s) {
  const std::uint64_t where = at() + 4;
  std::string_view t;
  if (!read_text(t, s)) return;
  if (t.size() >= field.size()) {
    problems_.push_back({where, std::string(field_.name),
                         Message(tr("the text {1} has {2} bytes; its field holds {3}"), s.name(),
                                 t.size(), field.size() - 1)});
    t = t.substr(0, field.size() - 1);
  }
  std::memcpy(field.data(), t.data(), t.size());
  std::memset(field.data() + t.size(), 0, field.size() - t.size());
  if (places_ != nullptr) places_->add(field.data(), t.size() + 1, where, field_.name);
}

void Decode::shown(const ValueShape& s, std::uint64_t where, const char* place) {
  StoredValue v;
  v.kind = s.kind;
  if (s.kind == ValueKind::Int) {
    std::memcpy(&v.number, place, 4);
  } else if (s.kind == ValueKind::Real) {
    std::memcpy(&v.real, place, 4);
  } else {
    v.text = text_of({place, s.size});
    v.trailing = v.text.size() == s.size;
    for (std::size_t i = v.text.size(); i < s.size && !v.trailing; ++i)
      v.trailing = place[i] != '\0';
  }
  v.place = place_;
  v.held = held_;
  listen_.value(s, where, v);
}

void Decode::finish() {
  if (told_ || broken_) return;  // what is wrong is told where the reading stopped
  if (left() > 0) {
    problem(Message::n(
        tr("{1} byte after the data this field holds", "{1} bytes after the data this field holds"),
        static_cast<std::int64_t>(left())));
    return;
  }
  const std::uint64_t written = field_.data.size();
  if (static_cast<std::uint64_t>(field_.declared) != written + static_cast<std::uint64_t>(over_)) {
    problems_.push_back(
        {field_.at, std::string(field_.name),
         over_ != 0
             ? Message(tr("declares {1} data bytes where {2} follow and {3} more are "
                          "counted for its entries"),
                       field_.declared, written, over_)
             : Message(tr("declares {1} data bytes where {2} follow"), field_.declared, written)});
  }
}

DataReader::DataReader(std::span<const unsigned char> bytes, DataListener& listener, Places* places)
    : file_(read_fields(bytes, problems_)),
      listen_(listener),
      places_(places),
      lost_(file_.count < 0) {  // a file without a field count has nothing more to tell
  listen_.file(file_.size, file_.count);
}

void DataReader::fields(std::int32_t count) {
  if (file_.count >= 0 && file_.count != count) {
    problems_.push_back({0,
                         {},
                         Message(tr("the file counts {1} fields where this kind always counts {2}"),
                                 file_.count, count)});
  }
}

void DataReader::lost(std::uint64_t at, Message message) {
  problems_.push_back({at, {}, std::move(message)});
  lost_ = true;
}

void DataReader::finish() {
  for (std::size_t i = next_; i < file_.fields.size(); ++i) {
    const FieldRecord& f = file_.fields[i];
    if (!lost_) {
      problems_.push_back(
          {f.at, std::string(f.name), Message(tr("a field this kind never writes here"))});
      lost_ = true;
    }
    if (static_cast<std::size_t>(f.declared) > f.data.size()) {
      problems_.push_back({f.at, std::string(f.name), left_in_file(f)});
    }
    listen_.begin_field(f);
    listen_.raw(f.data_at, f.data);
    listen_.end_field();
  }
}

std::vector<DataProblem> read_unknown(std::span<const unsigned char> bytes,
                                      DataListener& listener) {
  std::vector<DataProblem> problems;
  const KeyedFile file = read_fields(bytes, problems);
  listener.file(file.size, file.count);
  for (const FieldRecord& f : file.fields) {
    if (static_cast<std::size_t>(f.declared) > f.data.size()) {
      problems.push_back({f.at, std::string(f.name), left_in_file(f)});
    }
    listener.begin_field(f);
    listener.raw(f.data_at, f.data);
    listener.end_field();
  }
  return problems;
}

}  // namespace kelv
