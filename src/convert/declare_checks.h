// What the declarators of convert/declare.h check of what they are given, so that a mistake (a
// line format of other records, an index or count of another type, a list of other entries)
// stops the build with the declarator's own one-line message and nothing after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ranges>
#include <type_traits>

#include "format/counted_table.h"
#include "format/line_format.h"
#include "format/sections.h"

namespace kelv {

template <class C, class E>
struct Entries;
template <class C, class E, class R>
struct EntryList;

namespace declare_detail {

// What a declarator gives in place of its sections when it refused what it was given: its own
// message is the only error, and sections() passes over it.
struct Refused {};

// How many sections a part of a converter's list holds: one, an array of them, or none where its
// declarator refused it.
template <class C, class Part>
struct sections_of {
  static constexpr std::size_t size = 0;
};
template <class C>
struct sections_of<C, Section<C>> {
  static constexpr std::size_t size = 1;
};
template <class C, std::size_t N>
struct sections_of<C, std::array<Section<C>, N>> {
  static constexpr std::size_t size = N;
};

template <class C, class Part>
constexpr std::size_t sections_in() {
  static_assert(sections_of<C, Part>::size > 0 || std::is_same_v<Part, Refused>,
                "sections<C>(): a section of another class than C (a line format of a record, "
                "given without the member of C it fills?)");
  return sections_of<C, Part>::size;
}

// What the declarators check of their arguments: what a member pointer points into and at
// (`ok` false for anything else), and the record a line format reads (void for anything else).
template <auto M>
struct member_of {
  static constexpr bool ok = false;
  using Class = void;
  using Type = void;
};
template <class C, class T, T C::*M>
struct member_of<M> {
  static constexpr bool ok = true;
  using Class = C;
  using Type = T;
};

template <class F>
struct record_of {
  using type = void;
};
template <class R, std::size_t N>
struct record_of<LineFormat<R, N>> {
  using type = R;
};
template <const auto& Format>
using record_t = typename record_of<std::remove_cvref_t<decltype(Format)>>::type;

// Whether `Format` is a line format of the records `R`.
template <const auto& Format, class R>
inline constexpr bool reads = !std::is_void_v<R> && std::is_same_v<record_t<Format>, R>;

// Whether `M` is a member of `C` of the type `T`.
template <auto M, class C, class T>
inline constexpr bool member_is = std::conjunction_v<std::bool_constant<member_of<M>::ok>,
                                                     std::is_same<typename member_of<M>::Class, C>,
                                                     std::is_same<typename member_of<M>::Type, T>>;

// Whether `M` is a member of `C` that holds records `R` one after the other.
template <auto M, class C, class R>
constexpr bool holds_records() {
  using T = typename member_of<M>::Type;
  if constexpr (member_of<M>::ok && std::ranges::contiguous_range<T>) {
    return std::is_same_v<typename member_of<M>::Class, C> &&
           std::is_same_v<std::ranges::range_value_t<T>, R>;
  } else {
    return false;
  }
}
template <auto M, class C, class R>
inline constexpr bool holds = holds_records<M, C, R>();

// Whether `Format` reads a record of its own (no `Part`) or the member `Part`.
template <const auto& Format, auto Part>
constexpr bool fills() {
  if constexpr (std::is_same_v<decltype(Part), std::nullptr_t>) {
    return !std::is_void_v<record_t<Format>>;
  } else {
    return member_of<Part>::ok && reads<Format, typename member_of<Part>::Type>;
  }
}

template <class T>
struct counted_table {
  using Record = void;
};
template <class R>
struct counted_table<CountedTable<R>> {
  using Record = R;
};

// What the entry declarators check: `Es` an Entries, `List` an EntryList of the same entries.
template <class T>
struct entries_of {
  static constexpr bool ok = false;
  using Entry = void;
};
template <class C, class E>
struct entries_of<Entries<C, E>> {
  static constexpr bool ok = true;
  using Entry = E;
};
template <const auto& Es>
inline constexpr bool are_entries = entries_of<std::remove_cvref_t<decltype(Es)>>::ok;
template <const auto& Es>
using entry_t = typename entries_of<std::remove_cvref_t<decltype(Es)>>::Entry;

template <class Es, class T>
struct list_of {
  static constexpr bool ok = false;
  using Record = void;
};
template <class C, class E, class R>
struct list_of<Entries<C, E>, EntryList<C, E, R>> {
  static constexpr bool ok = true;
  using Record = R;
};
template <const auto& Es, const auto& List>
using lists = list_of<std::remove_cvref_t<decltype(Es)>, std::remove_cvref_t<decltype(List)>>;

// Whether `Format` reads the entry itself (no `Part`) or its member `Part`.
template <const auto& Es, const auto& Format, auto Part>
constexpr bool fills_entry() {
  if constexpr (std::is_same_v<decltype(Part), std::nullptr_t>) {
    return reads<Format, entry_t<Es>>;
  } else {
    return member_of<Part>::ok && std::is_same_v<typename member_of<Part>::Class, entry_t<Es>> &&
           reads<Format, typename member_of<Part>::Type>;
  }
}

}  // namespace declare_detail
}  // namespace kelv
