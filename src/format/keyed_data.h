// The keyed data file the engine loads: int32 field count, then field records, each the name
// length (name bytes + 1), the name and its NUL, the data size and the data. Little-endian, no
// header, no alignment.
//
// A file is described once, as a layout: the field count, then each field by a step that is
// given the layout `l`. A converter never writes one by hand: each section it declares brings
// the step of its field (convert/declare.h), and the converter runs them in order. For an item
// list the steps come to:
//
//   l.fields(2);
//   l.field("item_number", [&](auto& d) { d.i32(records.count, kCountValue); });
//   l.field_if(records.table.present(), "item_data",
//              [&](auto& d) { d.held_table(records.table, records.count, kItemLine); });
//
// The writer below runs the layout to write the file; the reader (format/data_reader.h) runs the
// same layout to read a file back into the converter's tables for the dump and the decompiler.
// Within a field, `d` offers the pieces a field's data is made of:
//
//   i32, f32        a number, as held, little-endian
//   text            a fixed text field as counted text: int32 T (length + 1), the text, its NUL
//   counted         a text of any length as counted text (writing only; the reader has read_text)
//   line            a record's values in the order of its source line: numbers, words as
//                   counted texts
//   lines           records one after the other, each as `line`
//   held            a record written exactly as held in memory (its layout is the file format)
//   held_array      records as held, one after the other
//   held_table      a table's records as held (the reader makes the table for `count` records)
//   list            a table's size as int32, then its records as held (the reader sets the
//                   table's count and makes the table)
//   each            a table of entries written one after the other, each by its own layout
//   overshoot       the data size counts this many bytes more than are written
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "format/line_format.h"
#include "format/table.h"
#include "format/text.h"

namespace kelv {

// Where the bytes of a data file go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes `size` bytes. Large blocks may be kept by address until the sink is flushed: they must
  // stay valid until then (the tables a converter holds do).
  virtual void put(const void* data, std::size_t size) = 0;
};

// Collects the bytes in memory.
class MemorySink final : public ByteSink {
 public:
  void put(const void* data, std::size_t size) override {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), p, p + size);
  }
  std::vector<unsigned char> bytes;
};

// Hands the bytes on in pieces, for gather writes: small ones (numbers, headers, short texts)
// copied into a buffer of its own, large ones (tables) by their address. It passes them on when
// the buffer or the list of pieces is full, and at flush(), which must come before the large
// blocks change.
class GatherSink final : public ByteSink {
 public:
  using Piece = std::span<const unsigned char>;
  using Out = std::function<void(std::span<const Piece>)>;

  static constexpr std::size_t kBuffer = 64 * 1024;
  static constexpr std::size_t kKeepFrom = 4096;  // bytes kept by address, not copied
  static constexpr std::size_t kPieces = 256;

  explicit GatherSink(Out out) : out_(std::move(out)) { pieces_.reserve(kPieces); }

  void put(const void* data, std::size_t size) override {
    if (size == 0) return;
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (size >= kKeepFrom) {
      if (pieces_.size() == kPieces) flush();
      pieces_.emplace_back(bytes, size);
      return;
    }
    if (used_ + size > kBuffer || pieces_.size() == kPieces) flush();
    unsigned char* to = buffer_.get() + used_;
    std::memcpy(to, bytes, size);
    used_ += size;
    // Joined to the last piece when that ends where this one begins.
    if (!pieces_.empty() && pieces_.back().data() + pieces_.back().size() == to) {
      pieces_.back() = Piece(pieces_.back().data(), pieces_.back().size() + size);
    } else {
      pieces_.emplace_back(to, size);
    }
  }

  // Passes on every piece held.
  void flush() {
    if (!pieces_.empty()) out_(pieces_);
    pieces_.clear();
    used_ = 0;
  }

 private:
  Out out_;
  std::unique_ptr<unsigned char[]> buffer_{new unsigned char[kBuffer]};
  std::size_t used_ = 0;
  std::vector<Piece> pieces_;
};

// The data size of a counted text.
constexpr std::int64_t counted_size(std::string_view text) {
  return 4 + static_cast<std::int64_t>(text.size()) + 1;
}

namespace keyed_detail {

// Records are written as held, so their bytes are the engine's only on a little-endian host.
template <class R>
constexpr void check_held() {
  static_assert(std::is_trivially_copyable_v<R>);
  static_assert(std::endian::native == std::endian::little,
                "records are written as held: a big-endian host needs field-by-field writing");
}

// Measures a field's data: the data size its header declares.
class Measure {
 public:
  static constexpr bool kReading = false;

  void i32(const std::int32_t&, const ValueShape&) { size += 4; }
  void f32(const float&, const ValueShape&) { size += 4; }
  void text(std::span<const char> field, const ValueShape&) {
    size += counted_size(text_of(field));
  }
  void counted(std::string_view text, const ValueShape&) { size += counted_size(text); }
  template <class R, std::size_t N>
  void line(const LineFormat<R, N>& f, const R& r) {
    for (std::size_t i = 0; i < N; ++i) {
      const ValueShape& s = f.shapes[i];
      if (s.kind == ValueKind::Word || s.kind == ValueKind::Text) {
        text({static_cast<const char*>(f.values[i].in(r)), s.size}, s);
      } else {
        size += 4;
      }
    }
  }
  template <class R, std::size_t E, std::size_t N>
  void lines(std::span<R, E> rs, const LineFormat<std::remove_const_t<R>, N>& f) {
    for (const R& r : rs)
      line(f, r);
  }
  template <class R, std::size_t N>
  void held(const R&, const LineFormat<R, N>&) {
    size += static_cast<std::int64_t>(sizeof(R));
  }
  template <class R, std::size_t E, std::size_t N>
  void held_array(std::span<R, E> rs, const LineFormat<std::remove_const_t<R>, N>&) {
    size += static_cast<std::int64_t>(rs.size_bytes());
  }
  template <class R, std::size_t N>
  void held_table(const Table<R>& t, std::int32_t, const LineFormat<R, N>&) {
    size += static_cast<std::int64_t>(t.all().size_bytes());
  }
  template <class R, std::size_t N>
  void list(const Table<R>& t, const std::int32_t&, const LineFormat<R, N>&, const ValueShape&) {
    size += 4 + static_cast<std::int64_t>(t.all().size_bytes());
  }
  template <class E, class F>
  void each(Table<E>& t, std::int32_t, std::size_t, F&& fn) {
    for (E& e : t.all())
      fn(*this, e);
  }
  void overshoot(std::int64_t n) { over += n; }

  std::int64_t size = 0;  // the bytes written
  std::int64_t over = 0;  // the bytes declared beyond them
};

// Writes a field's data into a sink.
class Emit {
 public:
  static constexpr bool kReading = false;

  explicit Emit(ByteSink& out) : out_(out) {}

  void i32(std::int32_t v, const ValueShape& = {}) {
    const auto u = static_cast<std::uint32_t>(v);
    const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                static_cast<unsigned char>(u >> 16),
                                static_cast<unsigned char>(u >> 24)};
    out_.put(b, 4);
  }
  void f32(float v, const ValueShape& s = {}) { i32(std::bit_cast<std::int32_t>(v), s); }
  void text(std::span<const char> field, const ValueShape& s) { counted(text_of(field), s); }
  void counted(std::string_view text, const ValueShape& = {}) {
    i32(static_cast<std::int32_t>(text.size() + 1));
    out_.put(text.data(), text.size());
    out_.put("", 1);
  }
  template <class R, std::size_t N>
  void line(const LineFormat<R, N>& f, const R& r) {
    for (std::size_t i = 0; i < N; ++i) {
      const ValueShape& s = f.shapes[i];
      const void* place = f.values[i].in(r);
      if (s.kind == ValueKind::Word || s.kind == ValueKind::Text) {
        text({static_cast<const char*>(place), s.size}, s);
      } else if (s.kind == ValueKind::Real) {
        f32(*static_cast<const float*>(place), s);
      } else {
        i32(*static_cast<const std::int32_t*>(place), s);
      }
    }
  }
  template <class R, std::size_t E, std::size_t N>
  void lines(std::span<R, E> rs, const LineFormat<std::remove_const_t<R>, N>& f) {
    for (const R& r : rs)
      line(f, r);
  }
  template <class R, std::size_t N>
  void held(const R& r, const LineFormat<R, N>&) {
    check_held<R>();
    out_.put(&r, sizeof r);
  }
  template <class R, std::size_t E, std::size_t N>
  void held_array(std::span<R, E> rs, const LineFormat<std::remove_const_t<R>, N>&) {
    check_held<R>();
    if (!rs.empty()) out_.put(rs.data(), rs.size_bytes());
  }
  template <class R, std::size_t N>
  void held_table(const Table<R>& t, std::int32_t, const LineFormat<R, N>& f) {
    held_array(t.all(), f);
  }
  template <class R, std::size_t N>
  void list(const Table<R>& t, const std::int32_t&, const LineFormat<R, N>& f,
            const ValueShape& count) {
    i32(static_cast<std::int32_t>(t.size()), count);
    held_array(t.all(), f);
  }
  template <class E, class F>
  void each(Table<E>& t, std::int32_t, std::size_t, F&& fn) {
    for (E& e : t.all())
      fn(*this, e);
  }
  void overshoot(std::int64_t) {}

 private:
  ByteSink& out_;
};

}  // namespace keyed_detail

// Writes a data file by a converter's layout.
class DataWriter {
 public:
  static constexpr bool kReading = false;

  explicit DataWriter(ByteSink& out) : emit_(out) {}

  // The field count, written first.
  void fields(std::int32_t count) { emit_.i32(count); }

  // A field record: the header step (name length, name and NUL, data size), then the data.
  template <class F>
  void field(std::string_view name, F&& data) {
    keyed_detail::Measure m;
    data(m);
    header(name, m.size + m.over);
    data(emit_);
  }

  // A field the writer leaves out when `present` is false; the field count stays.
  template <class F>
  void field_if(bool present, std::string_view name, F&& data) {
    if (present) field(name, data);
  }

 private:
  void header(std::string_view name, std::int64_t data_size);

  keyed_detail::Emit emit_;
};

}  // namespace kelv
