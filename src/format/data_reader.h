// Reads a keyed data file back by the layout that writes it (see format/keyed_data.h): into the
// converter's tables, for the decompiler, and through a listener that sees every field, value
// and record with its name and offset, for the dump.
//
// Any bytes are safe to read: every size is checked against the bytes that are there, tables
// are made no larger than the bytes could fill, and what is wrong is told as a problem with its
// offset. Reading goes on as far as the layout still matches the file.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "format/keyed_data.h"
#include "format/keyed_file.h"
#include "format/line_format.h"
#include "format/table.h"

namespace kelv {

// A value as the file holds it.
struct StoredValue {
  ValueKind kind = ValueKind::Int;
  std::int32_t number = 0;
  float real = 0;
  std::string_view text;      // words and texts: up to the NUL
  std::int64_t counted = -1;  // a counted text's length T (with its NUL); -1 for a fixed field
  bool trailing = false;      // a fixed field with bytes after its NUL, or without a NUL
  int place = -1;             // its place on its source line (from 0), where it has one
  bool held = false;          // told in the order of its record, which may not be the line's
};

// Hears what a reading finds, in file order.
class DataListener {
 public:
  virtual ~DataListener() = default;
  // The file's size and the field count it declares (-1 when it has none), before its fields.
  virtual void file(std::uint64_t /*size*/, std::int64_t /*count*/) {}
  virtual void begin_field(const FieldRecord&) {}
  virtual void value(const ValueShape&, std::uint64_t /*at*/, const StoredValue&) {}
  // Records or entries follow, `count` of them, one after the other.
  virtual void begin_records(std::int64_t /*count*/) {}
  virtual void begin_record(std::int64_t /*index*/, std::uint64_t /*at*/) {}
  virtual void end_record() {}
  virtual void end_records() {}
  // Bytes no layout explains (a file of an unknown kind, the rest after a problem).
  virtual void raw(std::uint64_t /*at*/, std::span<const unsigned char>) {}
  virtual void end_field() {}
};

// Where each value read lies in the file, by the address it was read into.
class Places {
 public:
  void add(const void* begin, std::size_t size, std::uint64_t at, std::string_view field);
  // The offset in the file of the byte read into `p`, and its field; false when unknown.
  bool find(const void* p, std::uint64_t& at, std::string& field);

 private:
  struct Place {
    const char* begin;
    std::size_t size;
    std::uint64_t at;
    std::string_view field;
  };
  std::vector<Place> places_;
  bool sorted_ = true;
};

namespace reader_detail {

// The order of a line's values in their record, for records written as held.
template <class R, std::size_t N>
std::array<std::size_t, N> record_order(const LineFormat<R, N>& f, const R& r) {
  std::array<std::size_t, N> order{};
  std::iota(order.begin(), order.end(), std::size_t{0});
  const auto offset = [&](std::size_t i) {
    return static_cast<const char*>(f.values[i].in(r)) - reinterpret_cast<const char*>(&r);
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return offset(a) < offset(b); });
  return order;
}

}  // namespace reader_detail

// Reads a field's data.
class Decode {
 public:
  static constexpr bool kReading = true;

  Decode(const FieldRecord& field, DataListener& listener, std::vector<DataProblem>& problems,
         Places* places)
      : field_(field), listen_(listener), problems_(problems), places_(places) {}

  void i32(std::int32_t& v, const ValueShape& s);
  void f32(float& v, const ValueShape& s);
  // A counted text into a fixed field (cut to the field, told as a problem).
  void text(std::span<char> field, const ValueShape& s);
  // A counted text of any length: its bytes in the file; false when it cannot be read.
  bool read_text(std::string_view& text, const ValueShape& s);

  template <class R, std::size_t N>
  void line(const LineFormat<R, N>& f, R& r) {
    for (std::size_t i = 0; i < N && !broken_; ++i) {
      const ValueShape& s = f.shapes[i];
      void* place = f.values[i].place(r);
      place_ = static_cast<int>(i);
      if (s.kind == ValueKind::Word || s.kind == ValueKind::Text) {
        text({static_cast<char*>(place), s.size}, s);
      } else if (s.kind == ValueKind::Real) {
        f32(*static_cast<float*>(place), s);
      } else {
        i32(*static_cast<std::int32_t*>(place), s);
      }
    }
    place_ = -1;
  }

  // Records one after the other, each by its line.
  template <class R, std::size_t E, std::size_t N>
  void lines(std::span<R, E> rs, const LineFormat<R, N>& f) {
    listen_.begin_records(static_cast<std::int64_t>(rs.size()));
    for (std::size_t i = 0; i < rs.size() && !broken_; ++i) {
      listen_.begin_record(static_cast<std::int64_t>(i), at());
      line(f, rs[i]);
      listen_.end_record();
    }
    listen_.end_records();
  }

  template <class R, std::size_t N>
  void held(R& r, const LineFormat<R, N>& f) {
    held_array(std::span<R>(&r, 1), f, false);
  }

  // Exactly `rs.size()` records as held, or as many as the data holds.
  template <class R, std::size_t E, std::size_t N>
  void held_array(std::span<R, E> rs, const LineFormat<R, N>& f, bool as_records = true) {
    keyed_detail::check_held<R>();
    const std::size_t fit = std::min(rs.size(), left() / sizeof(R));
    if (fit < rs.size()) short_of(rs.size() * sizeof(R), Message(tr("its records")));
    if (as_records) listen_.begin_records(static_cast<std::int64_t>(fit));
    for (std::size_t i = 0; i < fit; ++i) {
      if (as_records) listen_.begin_record(static_cast<std::int64_t>(i), at());
      show_held(rs[i], f);
      if (as_records) listen_.end_record();
    }
    if (as_records) listen_.end_records();
  }

  // A table of `count` records as held: the table is made for the records the data holds.
  template <class R, std::size_t N>
  void held_table(Table<R>& t, std::int32_t count, const LineFormat<R, N>& f) {
    const std::uint64_t want = static_cast<std::uint64_t>(std::max(count, 0)) * sizeof(R);
    const std::uint64_t have = left();
    if (want > have) short_of(want, Message(tr("its count of {1} records"), count));
    if (want < have) {
      mismatch(Message(tr("holds {1} bytes where its count of {2} needs {3}"), have, count, want));
    }
    if (!make(t, std::min<std::uint64_t>(want, have) / sizeof(R))) return;
    held_array(t.all(), f);
  }

  // A table's size as int32 into `n`, then its records as held.
  template <class R, std::size_t N>
  void list(Table<R>& t, std::int32_t& n, const LineFormat<R, N>& f, const ValueShape& count) {
    const std::uint64_t where = at();
    i32(n, count);
    if (broken_) return;
    if (n < 0) {
      // Told at the count, not at the bytes after it.
      problems_.push_back(
          {where, std::string(field_.name), Message(tr("a negative count, {1}"), n)});
    }
    const std::uint64_t want = static_cast<std::uint64_t>(std::max(n, 0));
    if (want * sizeof(R) > left()) short_of(want * sizeof(R), Message(tr("its records")));
    if (!make(t, std::min<std::uint64_t>(want, left() / sizeof(R)))) return;
    held_array(t.all(), f);
  }

  // `count` entries of at least `least` bytes each, each read by `entry`.
  template <class E, class F>
  void each(Table<E>& t, std::int32_t count, std::size_t least, F&& entry) {
    const std::uint64_t want = static_cast<std::uint64_t>(std::max(count, 0));
    const std::uint64_t fit = std::min<std::uint64_t>(want, left() / least);
    if (fit < want) short_of(want * least, Message(tr("its entries")));
    if (!make(t, fit)) return;
    listen_.begin_records(static_cast<std::int64_t>(fit));
    for (std::size_t i = 0; i < t.size() && !broken_; ++i) {
      listen_.begin_record(static_cast<std::int64_t>(i), at());
      entry(*this, t[i]);
      listen_.end_record();
    }
    listen_.end_records();
  }

  void overshoot(std::int64_t n) { over_ += n; }

  // After the layout of the field: the data must be used up exactly.
  void finish();

  // For a field read by hand: its listener, where the reading is, and the bytes left.
  DataListener& listener() { return listen_; }
  std::uint64_t at() const { return field_.data_at + pos_; }
  std::size_t left() const { return field_.data.size() - pos_; }
  // Tells the decompiler that the bytes at `p` were read from `at`.
  void remember(const void* p, std::size_t size, std::uint64_t at) {
    if (places_ != nullptr) places_->add(p, size, at, field_.name);
  }

 private:
  // False (and told) when fewer than `n` bytes are left.
  bool take(std::size_t n, const Message& what);
  void short_of(std::uint64_t need, const Message& what);
  void problem(Message message);
  // The data does not hold what its counts say: told once, for the whole field.
  void mismatch(Message message);
  template <class R>
  bool make(Table<R>& t, std::uint64_t n) {
    if (t.make(static_cast<std::int64_t>(n))) return true;
    problem(Message(tr("a table of {1} records cannot be made"), n));
    broken_ = true;
    return false;
  }

  template <class R, std::size_t N>
  void show_held(R& r, const LineFormat<R, N>& f) {
    const std::uint64_t base = at();
    std::memcpy(&r, field_.data.data() + pos_, sizeof(R));
    pos_ += sizeof(R);
    if (places_ != nullptr) places_->add(&r, sizeof(R), base, field_.name);
    for (const std::size_t i : reader_detail::record_order(f, r)) {
      const char* place = static_cast<const char*>(f.values[i].in(r));
      place_ = static_cast<int>(i);
      held_ = true;
      shown(f.shapes[i], base + static_cast<std::uint64_t>(place - reinterpret_cast<char*>(&r)),
            place);
    }
    place_ = -1;
    held_ = false;
  }
  // Tells the listener of a value held in a fixed field.
  void shown(const ValueShape& s, std::uint64_t where, const char* place);

  const FieldRecord& field_;
  DataListener& listen_;
  std::vector<DataProblem>& problems_;
  Places* places_;
  std::size_t pos_ = 0;
  std::int64_t over_ = 0;
  int place_ = -1;       // the place on its line of the value read now
  bool held_ = false;    // it is read from a record as held
  bool broken_ = false;  // the data ended early: nothing more is read
  bool told_ = false;    // what is wrong with the field's size is told
};

// Reads a whole file by a converter's layout.
class DataReader {
 public:
  static constexpr bool kReading = true;

  // `places`, when given, learns where every value read lies in the file.
  DataReader(std::span<const unsigned char> bytes, DataListener& listener,
             Places* places = nullptr);

  void fields(std::int32_t count);

  template <class F>
  void field(std::string_view name, F&& data) {
    if (lost_) return;
    if (next_ == file_.fields.size()) {
      lost(file_.size, Message(tr("the file ends where the field \"{1}\" belongs"), name));
      return;
    }
    const FieldRecord& f = file_.fields[next_];
    if (f.name != name) {
      lost(f.at,
           Message(tr("field {1} is \"{2}\" where \"{3}\" belongs"), next_ + 1, f.name, name));
      return;
    }
    listen_.begin_field(f);
    Decode d(f, listen_, problems_, places_);
    data(d);
    d.finish();
    listen_.end_field();
    ++next_;
  }

  // A field the writer leaves out when its table is absent: read when the file has it next.
  template <class F>
  void field_if(bool, std::string_view name, F&& data) {
    if (!lost_ && next_ < file_.fields.size() && file_.fields[next_].name == name) {
      field(name, data);
    }
  }

  // After the layout: the fields it did not read are shown as bytes and told as problems.
  void finish();

  const std::vector<DataProblem>& problems() const { return problems_; }

 private:
  void lost(std::uint64_t at, Message message);

  std::vector<DataProblem> problems_;
  KeyedFile file_;
  DataListener& listen_;
  Places* places_;
  std::size_t next_ = 0;
  bool lost_ = false;
};

// Shows every field of a file whose kind no converter knows, as bytes.
std::vector<DataProblem> read_unknown(std::span<const unsigned char> bytes, DataListener& listener);

}  // namespace kelv
