// A table made at a count line: `count` zero-filled records, or absent. A table is absent before
// its count line, for a negative count, for a count whose bytes would not fit the 32-bit data
// size of its field, and when memory runs out; it is never shorter than its count.
//
// A table of records written as held may be made in the data file itself rather than in memory
// (placed; format/data_stream.h): its records are handed out through a window of them in memory,
// which goes to the file as it moves on. Records are best taken in order, as a counted list
// takes them; one taken again after the window moved on is read back from the file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#include "format/data_stream.h"

namespace kelv {

// A bound on every table's bytes besides its own: none, but the fuzz targets lower it so that a
// few count lines cannot take the fuzzer's memory; tables are then refused by the same path, at a
// lower bound. They lower the window of a placed table too, so that short inputs move it.
struct TableCeiling {
  static inline std::int64_t bytes = std::numeric_limits<std::int64_t>::max();
  static inline std::size_t window_bytes = std::size_t{1} << 20;
};

template <class T>
class Table {
  static constexpr bool kPlain =
      std::is_trivially_default_constructible_v<T> && std::is_trivially_copyable_v<T>;

 public:
  using value_type = T;

  // The largest byte size a table may have: what a field's int32 data size can count.
  static constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

  // Replaces the table by `count` zero-filled records; false (and absent) when it cannot be made.
  // `max_bytes` bounds count * sizeof(T) (lower it where a record writes more than it holds).
  // With `file`, a table of plain records is made there, placed by the data file's writer.
  bool make(std::int64_t count, std::int64_t max_bytes = kMaxBytes, DataStream* file = nullptr) {
    reset();
    max_bytes = max_bytes < TableCeiling::bytes ? max_bytes : TableCeiling::bytes;
    if (count < 0 || count > max_bytes / static_cast<std::int64_t>(sizeof(T))) return false;
    const auto n = static_cast<std::size_t>(count);
    if constexpr (kPlain) {
      window_ = std::min(n, std::max<std::size_t>(1, TableCeiling::window_bytes / sizeof(T)));
      const std::size_t held = file != nullptr ? window_ : n;
      // calloc: large tables cost address space, not memory, until they are filled.
      void* p = std::calloc(held == 0 ? 1 : held, sizeof(T));
      if (p == nullptr) return false;
      data_ = static_cast<T*>(p);
      if (file != nullptr) placement_ = {file, -1, n * sizeof(T), true};
    } else {
      data_ = new (std::nothrow) T[n == 0 ? 1 : n]();
      if (data_ == nullptr) return false;
    }
    size_ = n;
    return true;
  }

  void reset() {
    if (data_ == nullptr) return;
    if constexpr (kPlain) {
      std::free(data_);
    } else {
      delete[] data_;
    }
    data_ = nullptr;
    size_ = 0;
    placement_ = {};
    window_ = base_ = used_ = written_ = 0;
  }

  Table() = default;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  Table(Table&& other) noexcept { take(other); }
  Table& operator=(Table&& other) noexcept {
    if (this != &other) {
      reset();
      take(other);
    }
    return *this;
  }
  ~Table() { reset(); }

  bool present() const { return data_ != nullptr; }
  std::size_t size() const { return size_; }
  // The record at `index`, or nullptr when the table is absent or too short.
  T* at(std::int64_t index) {
    if (data_ == nullptr || index < 0 || static_cast<std::uint64_t>(index) >= size_) return nullptr;
    return placement_.file == nullptr ? data_ + index : in_window(static_cast<std::size_t>(index));
  }
  // Every record at once: of a table in memory only.
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  std::span<T> all() { return {data_, in_memory()}; }
  std::span<const T> all() const { return {data_, in_memory()}; }

  // Of a placed table: where its records are in the data file, once the writer placed them.
  bool placed_in_file() const { return placement_.file != nullptr; }
  Placement& placement() { return placement_; }
  // Writes the records of the window to the data file, which then holds every record.
  void write_window() {
    if (used_ == 0 || !placement_.placed()) return;
    placement_.file->write(record_at(base_), data_, used_ * sizeof(T));
    written_ = std::max(written_, base_ + used_);
  }

 private:
  std::size_t in_memory() const { return placement_.file == nullptr ? size_ : 0; }
  std::uint64_t record_at(std::size_t index) const {
    return static_cast<std::uint64_t>(placement_.at) + index * sizeof(T);
  }

  // The record at `index` of a placed table, through the window: moved there when it holds
  // other records, those it held written first. The file is zero from `written_` on.
  T* in_window(std::size_t index) {
    if (index < base_ || index >= base_ + window_) {
      write_window();
      std::memset(static_cast<void*>(data_), 0, used_ * sizeof(T));
      base_ = index;
      used_ = 0;
      if (index < written_) {
        used_ = std::min(window_, written_ - index);
        placement_.file->read(record_at(index), data_, used_ * sizeof(T));
      }
    }
    used_ = std::max(used_, index - base_ + 1);
    return data_ + (index - base_);
  }

  void take(Table& other) {
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    placement_ = std::exchange(other.placement_, {});
    window_ = std::exchange(other.window_, 0);
    base_ = std::exchange(other.base_, 0);
    used_ = std::exchange(other.used_, 0);
    written_ = std::exchange(other.written_, 0);
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  // Placed: the file and place of the records; the window of `window_` records holds `used_`
  // records from `base_` on (the rest of it zero), and the file may hold records below
  // `written_`.
  Placement placement_;
  std::size_t window_ = 0;
  std::size_t base_ = 0;
  std::size_t used_ = 0;
  std::size_t written_ = 0;
};

}  // namespace kelv
