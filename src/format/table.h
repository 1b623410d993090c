// A table made at a count line: `count` zero-filled records, or absent. A table is absent before
// its count line, for a negative count, for a count whose bytes would not fit the 32-bit data
// size of its field, and when memory runs out; it is never shorter than its count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

namespace kelv {

// A bound on every table's bytes besides its own: none, but the fuzz targets lower it so that a
// few count lines cannot take the fuzzer's memory; tables are then refused by the same path, at a
// lower bound.
struct TableCeiling {
  static inline std::int64_t bytes = std::numeric_limits<std::int64_t>::max();
};

template <class T>
class Table {
 public:
  using value_type = T;

  // The largest byte size a table may have: what a field's int32 data size can count.
  static constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();

  // Replaces the table by `count` zero-filled records; false (and absent) when it cannot be made.
  // `max_bytes` bounds count * sizeof(T) (lower it where a record writes more than it holds).
  bool make(std::int64_t count, std::int64_t max_bytes = kMaxBytes) {
    reset();
    max_bytes = max_bytes < TableCeiling::bytes ? max_bytes : TableCeiling::bytes;
    if (count < 0 || count > max_bytes / static_cast<std::int64_t>(sizeof(T))) return false;
    const auto n = static_cast<std::size_t>(count);
    if constexpr (std::is_trivially_default_constructible_v<T> && std::is_trivially_copyable_v<T>) {
      // calloc: large tables cost address space, not memory, until they are filled.
      void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
      if (p == nullptr) return false;
      data_ = static_cast<T*>(p);
    } else {
      data_ = new (std::nothrow) T[n == 0 ? 1 : n]();
      if (data_ == nullptr) return false;
    }
    size_ = n;
    return true;
  }

  void reset() {
    if (data_ == nullptr) return;
    if constexpr (std::is_trivially_default_constructible_v<T> && std::is_trivially_copyable_v<T>) {
      std::free(data_);
    } else {
      delete[] data_;
    }
    data_ = nullptr;
    size_ = 0;
  }

  Table() = default;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;
  Table(Table&& other) noexcept : data_(other.data_), size_(other.size_) {
    other.data_ = nullptr;
    other.size_ = 0;
  }
  Table& operator=(Table&& other) noexcept {
    if (this != &other) {
      reset();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  ~Table() { reset(); }

  bool present() const { return data_ != nullptr; }
  std::size_t size() const { return size_; }
  // The record at `index`, or nullptr when the table is absent or too short.
  T* at(std::int64_t index) {
    return data_ != nullptr && index >= 0 && static_cast<std::uint64_t>(index) < size_
               ? data_ + index
               : nullptr;
  }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  std::span<T> all() { return {data_, size_}; }
  std::span<const T> all() const { return {data_, size_}; }

 private:
  T* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kelv
