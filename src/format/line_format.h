// The format of a data line, as data: the values of the line in line order, each with its name,
// its kind and the record field it fills (by member pointer). The scanner reads a line by it,
// the decompiler prints a line from it, the dump names a record's fields by it and --explain
// describes it, so the four can never disagree about a line.
//
//   constexpr auto kLevelLine = line(value<&LevelEntry::value1>("value1"),
//                                    value<&LevelEntry::value2>("value2"));
//
// A line's values are separated by white space. Numbers are "%d" (int32) or "%f" (32-bit
// float), words "%s" (one word into a fixed field, cut to its size minus one). A whole-line
// text is the line's only value: the line, blanks and all, copied into a fixed field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace kelv {

enum class ValueKind : std::uint8_t {
  Int,   // "%d": a signed decimal integer, int32
  Real,  // "%f": a real number, 32-bit float
  Word,  // "%s": one word into a fixed text field
  Text,  // the whole line into a fixed text field
};

// How a value is stored: as read, or changed by the rules of its field.
enum class Stored : std::uint8_t {
  AsRead,
  PlusOne,        // stored plus one (wrapping at 32 bits), also when the line does not reach it
  ZeroUnreached,  // a real the line does not reach is stored as 0.0, whatever was there
  Breaks,         // a '#' in the text stands for a line break and is stored as a line feed
};

// The list of another kind that a number indexes (an item of the item list, ...): 0 for none;
// the converters name the lists.
using ListId = std::uint8_t;

// A value as --explain and the dump see it: no record type.
struct ValueShape {
  std::string_view stem;     // the name, or its stem when `number` is not 0
  std::uint16_t number = 0;  // appended to the stem: "value" 3 is "value3"
  ValueKind kind = ValueKind::Int;
  Stored stored = Stored::AsRead;
  std::uint32_t size = 4;  // the bytes of the field it fills (text fields: with the NUL)
  ListId refers = 0;       // a number that indexes this list of another kind

  std::string name() const {
    return number == 0 ? std::string(stem) : std::string(stem) + std::to_string(number);
  }
};

// A value of a line that fills a field of a record R.
template <class R>
struct LineValue {
  ValueShape shape;
  void* (*place)(R&) = nullptr;  // the field it fills in a record

  const void* in(const R& r) const { return place(const_cast<R&>(r)); }
  // The same value, a number that indexes the list `list` of another kind.
  constexpr LineValue refers_to(ListId list) const {
    LineValue v = *this;
    v.shape.refers = list;
    return v;
  }
};

// The values of one data line, in line order.
template <class R, std::size_t N>
struct LineFormat {
  using Record = R;
  std::array<LineValue<R>, N> values;
  std::array<ValueShape, N> shapes;  // the same values without the record type

  static constexpr std::size_t size() { return N; }
  constexpr std::span<const ValueShape> shape() const { return shapes; }
  // The line's first `n` values: a record written without its last values.
  template <std::size_t M>
  constexpr LineFormat<R, M> first() const {
    static_assert(M <= N);
    LineFormat<R, M> f{};
    for (std::size_t i = 0; i < M; ++i) {
      f.values[i] = values[i];
      f.shapes[i] = shapes[i];
    }
    return f;
  }
};

namespace line_detail {

template <auto M>
struct member;
template <class C, class T, T C::*M>
struct member<M> {
  using Class = C;
  using Type = T;
};

template <class T>
struct char_field : std::false_type {};
template <std::size_t N>
struct char_field<char[N]> : std::true_type {
  static constexpr std::size_t size = N;
};
template <std::size_t N>
struct char_field<std::array<char, N>> : std::true_type {
  static constexpr std::size_t size = N;
};

template <class T>
struct number_array : std::false_type {};
template <class E, std::size_t N>
struct number_array<E[N]> : std::true_type {
  using Element = E;
  static constexpr std::size_t size = N;
};
template <class E, std::size_t N>
struct number_array<std::array<E, N>> : std::true_type {
  using Element = E;
  static constexpr std::size_t size = N;
};

template <class T>
constexpr ValueKind number_kind() {
  static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, float>,
                "numbers on a line are std::int32_t (%d) or float (%f)");
  return std::is_same_v<T, float> ? ValueKind::Real : ValueKind::Int;
}

template <auto M>
void* whole(typename member<M>::Class& r) {
  return &(r.*M);
}

template <auto M, std::size_t I>
void* element(typename member<M>::Class& r) {
  return &(r.*M)[I];
}

template <auto M, std::size_t... I>
constexpr auto elements(std::string_view stem, std::uint16_t first, Stored stored,
                        std::index_sequence<I...>) {
  using C = typename member<M>::Class;
  using E = typename number_array<typename member<M>::Type>::Element;
  return std::array<LineValue<C>, sizeof...(I)>{LineValue<C>{
      {stem, static_cast<std::uint16_t>(first + I), number_kind<E>(), stored, sizeof(E)},
      &element<M, I>}...};
}

// How many values a part of a line holds, and the record they fill.
template <class P>
struct part;
template <class R>
struct part<LineValue<R>> {
  using Record = R;
  static constexpr std::size_t count = 1;
};
template <class R, std::size_t K>
struct part<std::array<LineValue<R>, K>> {
  using Record = R;
  static constexpr std::size_t count = K;
};

template <class R, std::size_t N>
constexpr void put(LineFormat<R, N>& f, std::size_t& at, const LineValue<R>& v) {
  f.values[at] = v;
  f.shapes[at] = v.shape;
  ++at;
}
template <class R, std::size_t N, std::size_t K>
constexpr void put(LineFormat<R, N>& f, std::size_t& at, const std::array<LineValue<R>, K>& vs) {
  for (const LineValue<R>& v : vs)
    put(f, at, v);
}

}  // namespace line_detail

// One number or word: the member `M` of the record, named `name`.
template <auto M>
constexpr auto value(std::string_view name, Stored stored = Stored::AsRead) {
  using C = typename line_detail::member<M>::Class;
  using T = typename line_detail::member<M>::Type;
  if constexpr (line_detail::char_field<T>::value) {
    return LineValue<C>{{name, 0, ValueKind::Word, stored, line_detail::char_field<T>::size},
                        &line_detail::whole<M>};
  } else {
    return LineValue<C>{{name, 0, line_detail::number_kind<T>(), stored, sizeof(T)},
                        &line_detail::whole<M>};
  }
}

// Every number of the array member `M`, named `stem` with `first`, `first` + 1, ...
template <auto M>
constexpr auto values(std::string_view stem, std::uint16_t first, Stored stored = Stored::AsRead) {
  using T = typename line_detail::member<M>::Type;
  static_assert(line_detail::number_array<T>::value, "values<>() takes an array of numbers");
  return line_detail::elements<M>(stem, first, stored,
                                  std::make_index_sequence<line_detail::number_array<T>::size>());
}

// The whole line into the text member `M`.
template <auto M>
constexpr auto text(std::string_view name, Stored stored = Stored::AsRead) {
  using C = typename line_detail::member<M>::Class;
  using T = typename line_detail::member<M>::Type;
  static_assert(line_detail::char_field<T>::value, "a whole-line text fills a char field");
  return LineValue<C>{{name, 0, ValueKind::Text, stored, line_detail::char_field<T>::size},
                      &line_detail::whole<M>};
}

// The line of the values and arrays of values given, in this order.
template <class First, class... Rest>
constexpr auto line(const First& first, const Rest&... rest) {
  using R = typename line_detail::part<First>::Record;
  constexpr std::size_t n =
      (line_detail::part<First>::count + ... + line_detail::part<Rest>::count);
  LineFormat<R, n> f{};
  std::size_t at = 0;
  line_detail::put(f, at, first);
  (line_detail::put(f, at, rest), ...);
  return f;
}

// A whole-line text is the only value of its line.
template <class R, std::size_t N>
constexpr bool is_text_line(const LineFormat<R, N>& f) {
  return N == 1 && f.shapes[0].kind == ValueKind::Text;
}

}  // namespace kelv
