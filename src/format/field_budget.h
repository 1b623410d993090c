// The bytes of one keyed field that writes a table of entries, each a part of at most a fixed
// size followed by a list of its own written as held. The budget bounds every table it makes so
// that the whole field always fits its 32-bit data size: the entries by their parts, each list
// by what the entries and the other lists leave.
#pragma once

#include <cstdint>

#include "format/table.h"

namespace kelv {

class FieldBudget {
 public:
  // `entry_bytes`: the most an entry writes besides its list.
  explicit constexpr FieldBudget(std::int64_t entry_bytes) : entry_bytes_(entry_bytes) {}

  // Replaces the entries, and with them every list; false when the table cannot be made.
  template <class E>
  bool make_entries(Table<E>& entries, std::int64_t count) {
    // Bounded by the entries' share of the field, not by what an entry takes in memory.
    const std::int64_t most = Table<E>::kMaxBytes / entry_bytes_;
    const bool made = entries.make(count, most * static_cast<std::int64_t>(sizeof(E)));
    used_ = entry_bytes_ * static_cast<std::int64_t>(entries.size());
    return made;
  }

  // Replaces the list of one of the entries within what the field has left; false when it
  // cannot be made.
  template <class R>
  bool make_list(Table<R>& list, std::int64_t count) {
    used_ -= static_cast<std::int64_t>(list.all().size_bytes());
    const bool made = list.make(count, Table<R>::kMaxBytes - used_);
    used_ += static_cast<std::int64_t>(list.all().size_bytes());
    return made;
  }

 private:
  std::int64_t entry_bytes_;
  std::int64_t used_ = 0;  // by the entries' parts and the lists made since
};

}  // namespace kelv
