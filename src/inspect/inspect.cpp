#include "inspect/inspect.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>

#include "format/keyed_data.h"
#include "format/source_writer.h"
#include "inspect/shown_text.h"
#include "language/tr.h"
#include "platform/platform.h"

namespace kelv {
namespace {

using Json = nlohmann::ordered_json;

// A value's name as the dump shows it: a value stored plus one says so.
std::string shown_name(const ValueShape& s) {
  return s.stored == Stored::PlusOne ? s.name() + "+1" : s.name();
}

// A real as the scanner reads it back; a NaN other than the one "nan" reads as, by its bits.
std::string real_shown(float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  if (std::isnan(v) && (bits & 0x7FFFFFFFu) != 0x7FC00000u) {
    char digits[9];
    const auto [end, ec] = std::to_chars(digits, digits + 8, bits, 16);
    (void)ec;
    return "nan(0x" + std::string(digits, end) + ")";
  }
  return real_text(v);
}

// A field name from the file: as it is when it is a plain name, else quoted.
std::string field_name(std::string_view name) {
  for (const char c : name) {
    if (!(c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
      return quoted(name);
    }
  }
  return name.empty() ? "\"\"" : std::string(name);
}

// The author's name for a value of a field, where the names file gives one.
const AuthorName* author_name(const Names* names, std::string_view kind, std::string_view field,
                              const ValueShape& s) {
  return names == nullptr ? nullptr : names->find(kind, field, s.name());
}

class TextDump final : public DataListener {
 public:
  TextDump(std::string_view name, std::string_view kind,
           const std::function<void(std::string_view)>& line, const Names* names)
      : name_(name), kind_(kind), line_(line), names_(names) {}

  void file(std::uint64_t size, std::int64_t count) override {
    const auto bytes = static_cast<std::int64_t>(size);
    line_(count >= 0 ? tr("{1}: {2}, {3}, {4}")(name_, kind_, tr("{1} byte", "{1} bytes").n(bytes),
                                                tr("{1} field", "{1} fields").n(count))
                     : tr("{1}: {2}, {3}")(name_, kind_, tr("{1} byte", "{1} bytes").n(bytes)));
  }

  void begin_field(const FieldRecord& f) override {
    record_line_ = false;
    field_ = f.name;
    const auto size = static_cast<std::int64_t>(f.data.size());
    head_ = tr("{1} at {2}, {3}")(field_name(f.name), f.at,
                                  static_cast<std::uint64_t>(f.declared) == f.data.size()
                                      ? tr("{1} byte", "{1} bytes").n(size)
                                      : tr("declares {1} bytes, {2} follow")(f.declared, size));
  }

  void value(const ValueShape& s, std::uint64_t, const StoredValue& v) override {
    std::string text;
    switch (v.kind) {
      case ValueKind::Int:
        text = std::to_string(v.number);
        break;
      case ValueKind::Real:
        text = real_shown(v.real);
        break;
      case ValueKind::Word:
      case ValueKind::Text:
        text = quoted(v.text, s.stored == Stored::Breaks);
        if (v.counted >= 0) text += " (" + std::to_string(v.counted) + ")";
        if (v.trailing) text += " " + tr("+bytes after its NUL")();
        break;
    }
    std::string name = shown_name(s);
    if (const AuthorName* author = author_name(names_, kind_, field_, s)) {
      name += "/" + author->label;
    }
    values_.push_back({std::move(name), std::move(text), v.held ? v.place : -1});
  }

  // Records follow on lines of their own; the line before them names its values.
  void begin_records(std::int64_t count) override {
    const bool named = !values_.empty();
    if (!named) values_.push_back({{}, tr("{1} record", "{1} records").n(count)});
    flush(named);
    ++depth_;
  }
  void begin_record(std::int64_t index, std::uint64_t) override {
    record_line_ = true;
    head_ =
        std::string(2 * static_cast<std::size_t>(depth_), ' ') + "[" + std::to_string(index) + "]";
  }
  void end_record() override { flush(); }
  void end_records() override { --depth_; }

  void raw(std::uint64_t at, std::span<const unsigned char> bytes) override {
    flush();
    for (std::size_t i = 0; i < bytes.size(); i += 16) {
      const std::size_t n = std::min<std::size_t>(16, bytes.size() - i);
      line_("  " + std::to_string(at + i) + ": " +
            hex({reinterpret_cast<const char*>(bytes.data() + i), n}));
    }
  }
  void end_field() override {
    flush();
    depth_ = 0;
  }

 private:
  struct Named {
    std::string name;  // empty for what stands alone ("3 records")
    std::string text;
    int place = -1;  // of a value of a record held in its own order: its place on the line
  };

  // A field's line: "name at 4, 8 bytes: a=1 b=2"; a record's: "  [0] a=1 b=2", its values in
  // the order of its line (the author's name after a value's, "value2/price=10"). A line of one
  // value shows the value alone.
  void flush(bool named = false) {
    if (head_.empty() && values_.empty()) return;
    for (auto run = values_.begin(); run != values_.end();) {
      auto end = run;
      while (end != values_.end() && end->place >= 0)
        ++end;
      std::stable_sort(run, end, [](const Named& a, const Named& b) { return a.place < b.place; });
      run = end == values_.end() ? end : end + 1;
    }
    std::string out = head_;
    if (!values_.empty() && !record_line_) out += ":";
    for (const Named& v : values_) {
      const bool alone = v.name.empty() || (values_.size() == 1 && !named);
      out += " " + (alone ? v.text : v.name + "=" + v.text);
    }
    line_(out);
    head_.clear();
    values_.clear();
  }

  std::string name_;
  std::string kind_;
  const std::function<void(std::string_view)>& line_;
  const Names* names_;
  std::string field_;
  std::string head_;
  std::vector<Named> values_;
  bool record_line_ = false;
  int depth_ = 0;
};

class JsonDump final : public DataListener {
 public:
  JsonDump(std::string_view name, std::string_view kind, const Names* names)
      : kind_(kind), names_(names) {
    bool exact = true;
    doc_["file"] = plain(name, exact);
    doc_["kind"] = std::string(kind);
  }

  void file(std::uint64_t size, std::int64_t count) override {
    doc_["size"] = size;
    if (count >= 0) doc_["field_count"] = count;
    doc_["fields"] = Json::array();
  }

  void begin_field(const FieldRecord& f) override {
    Json field;
    bool exact = true;
    field["name"] = plain(f.name, exact);
    if (!exact) field["name_bytes"] = hex(f.name);
    field_ = f.name;
    field["offset"] = f.at;
    field["size"] = f.data.size();
    if (static_cast<std::uint64_t>(f.declared) != f.data.size()) field["declared"] = f.declared;
    doc_["fields"].push_back(std::move(field));
    objects_ = {&doc_["fields"].back()};
  }

  void value(const ValueShape& s, std::uint64_t at, const StoredValue& v) override {
    Json j;
    j["name"] = shown_name(s);
    // The author's name is added; the format's stays what programs read.
    if (const AuthorName* author = author_name(names_, kind_, field_, s))
      j["label"] = author->label;
    j["offset"] = at;
    switch (v.kind) {
      case ValueKind::Int:
        j["value"] = v.number;
        break;
      case ValueKind::Real:
        if (std::isfinite(v.real)) {
          // The number the text shows: the shortest decimal that reads back to the float, not
          // the float's exact value as a double (0.1, not 0.10000000149011612).
          const std::string shown = real_text(v.real);
          double number = 0;
          std::from_chars(shown.data(), shown.data() + shown.size(), number);
          j["value"] = number;
        } else {
          j["value"] = real_shown(v.real);
        }
        break;
      case ValueKind::Word:
      case ValueKind::Text: {
        bool exact = true;
        j["value"] = plain(v.text, exact);
        if (!exact) j["bytes"] = hex(v.text);
        if (v.counted >= 0) j["length"] = v.counted;
        if (v.trailing) j["bytes_after_nul"] = true;
        break;
      }
    }
    (*objects_.back())["values"].push_back(std::move(j));
  }

  void begin_records(std::int64_t) override {
    Json& list = (*objects_.back())["records"];
    list = Json::array();
    lists_.push_back(&list);
  }
  void begin_record(std::int64_t index, std::uint64_t at) override {
    lists_.back()->push_back(Json{{"index", index}, {"offset", at}});
    objects_.push_back(&lists_.back()->back());
  }
  void end_record() override { objects_.pop_back(); }
  void end_records() override { lists_.pop_back(); }
  void raw(std::uint64_t, std::span<const unsigned char> bytes) override {
    (*objects_.back())["bytes"] = hex({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  }

  std::string text(const std::vector<DataProblem>& problems) {
    Json list = Json::array();
    for (const DataProblem& p : problems) {
      bool exact = true;
      Json j{{"offset", p.at}};
      if (!p.field.empty()) j["field"] = plain(p.field, exact);
      j["message"] = p.message.english();  // what programs read stays as it is
      list.push_back(std::move(j));
    }
    doc_["problems"] = std::move(list);
    return doc_.dump(-1, ' ', false, Json::error_handler_t::replace);
  }

 private:
  Json doc_;
  std::string kind_;
  const Names* names_;
  std::string field_;
  std::vector<Json*> objects_;
  std::vector<Json*> lists_;
};

// Reads the file by its kind's layout, or as bytes without one.
std::vector<DataProblem> read_with(const Kind* kind, std::span<const unsigned char> bytes,
                                   DataListener& listener) {
  if (kind == nullptr) return read_unknown(bytes, listener);
  DataReader reader(bytes, listener);
  kind->make()->load(reader);
  reader.finish();
  return reader.problems();
}

// Where two files first differ, and in which field of `bytes`.
DataProblem first_difference(std::span<const unsigned char> bytes,
                             std::span<const unsigned char> other) {
  std::size_t at = 0;
  while (at < bytes.size() && at < other.size() && bytes[at] == other[at])
    ++at;
  std::vector<DataProblem> ignored;
  std::string field;
  for (const FieldRecord& f : read_fields(bytes, ignored).fields) {
    if (f.at <= at) field = f.name;
  }
  return {at, field, Message(tr("the source written converts to other bytes from here"))};
}

}  // namespace

std::vector<DataProblem> dump_text(const Kind* kind, std::string_view name,
                                   std::span<const unsigned char> bytes,
                                   const std::function<void(std::string_view)>& line,
                                   const Names* names) {
  TextDump dump(name,
                kind != nullptr ? std::string(kind->name()) : tr("a kind kelvconv does not know")(),
                line, names);
  return read_with(kind, bytes, dump);
}

std::string dump_json(const Kind* kind, std::string_view name, std::span<const unsigned char> bytes,
                      std::vector<DataProblem>& problems, const Names* names) {
  JsonDump dump(name, kind != nullptr ? kind->name() : "", names);
  problems = read_with(kind, bytes, dump);
  return dump.text(problems);
}

Decompiled decompile(const Kind& kind, std::string_view name,
                     std::span<const unsigned char> bytes) {
  Decompiled out;
  const std::unique_ptr<Converter> made = kind.make();
  Converter& converter = *made;
  Places places;
  DataListener quiet;
  DataReader reader(bytes, quiet, &places);
  converter.load(reader);
  reader.finish();
  out.problems = reader.problems();

  SourceWriter source(converter.vocabulary(), places, out.problems);
  // The first line, outside every section, in the user's language and the source's encoding.
  const std::string header = tr("Decompiled by kelvconv from {1}.")(name);
  std::string sjis;
  source.comment(
      utf8_to_sjis(header, sjis) ? sjis : "Decompiled by kelvconv from " + std::string(name) + ".");
  converter.decompile(source);
  out.source = source.source();

  // The proof: the source converts back to the same bytes, or what differs is told.
  if (out.problems.empty()) {
    const std::unique_ptr<Converter> reread = kind.make();
    MemorySource in(out.source);
    SilentReport silent;
    MemorySink written;
    if (!reread->read(in, silent).has_value()) {
      DataWriter writer(written);
      reread->write(writer);
    }
    if (!std::ranges::equal(written.bytes, bytes)) {
      out.problems.push_back(first_difference(bytes, written.bytes));
    }
  }
  return out;
}

}  // namespace kelv
