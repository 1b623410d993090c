// The sections of the shapes the converters share, each declared once with everything it stands
// for: how its lines are read, the field of the data file it gives, and the lines the decompiler
// gives it back with. A converter lists them:
//
//   constexpr auto kSections = sections<ItemList>(
//       counted<&ItemList::records, &ItemList::index, kItemLine>(
//           "item_number", "item_data", {.note = tr("...")}, {.note = tr("...")}));
//
//   line_section<Format, Part>(name)
//                                a line of values of the converter (or of its member Part); the
//                                last line of the section wins; a field of the same values
//   value_section<Format, Part>()
//                                the same for a line of one value, named as its value
//   counted<...>(count, data)    a count and one record per line, with the count's field and the
//                                records' field (rules: restarts, how the records are written)
//   fixed_list<...>(count, data) the same for a list of fixed size whose count is cut to it
//   entry_count, entry_marker, entry_line_section, entry_value_section, entry_list_count,
//   entry_records
//                                a table of entries (shops, groups, effects, animations) closed
//                                by a marker, each entry with its own values and list; one
//                                field holds them all
//
// A section none of these fits is written out in full, in its converter, with the same members.
// Below, C is always the converter's class, R a record of one of its tables, E an entry. Each
// declarator checks what it is given (a line format of the records it fills, an index or count
// of the right type) and says in one line what does not fit, before anything else is compiled.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <ranges>
#include <span>
#include <string_view>
#include <type_traits>

#include "convert/declare_checks.h"
#include "format/counted_table.h"
#include "format/data_reader.h"
#include "format/field_budget.h"
#include "format/keyed_data.h"
#include "format/sections.h"
#include "format/source_writer.h"

namespace kelv {

// What an author reads of a section beside its lines.
struct About {
  Text note = {};
  bool carries_over = false;  // what it gives carries over to the next file of the kind in the run
};

// The sections of a converter in the order the reader tests them, from single sections and the
// arrays the declarators below give.
template <class C, class... Parts>
constexpr auto sections(const Parts&... parts) {
  constexpr std::size_t n = (std::size_t{0} + ... + declare_detail::sections_in<C, Parts>());
  std::array<Section<C>, n> all{};
  std::size_t at = 0;
  const auto put = [&](const auto& part) {
    using Part = std::remove_cvref_t<decltype(part)>;
    if constexpr (std::is_same_v<Part, Section<C>>) {
      all[at++] = part;
    } else if constexpr (declare_detail::sections_in<C, Part>() > 0) {
      for (const Section<C>& s : part)
        all[at++] = s;
    }
  };
  (put(parts), ...);
  return all;
}

namespace declare_detail {

// The record a line fills: the object itself, or its member `Part`.
template <auto Part, class C>
constexpr auto& part_of(C& c) {
  if constexpr (std::is_same_v<decltype(Part), std::nullptr_t>) {
    return c;
  } else {
    return c.*Part;
  }
}

// The class whose sections fill `Format`'s record, directly or through its member `Part`.
template <class F, auto Part>
struct owner {
  using type = typename F::Record;
};
template <class F, class C, class T, T C::*Part>
struct owner<F, Part> {
  using type = C;
};
template <const auto& Format, auto Part>
using owner_t = typename owner<std::remove_cvref_t<decltype(Format)>, Part>::type;

template <auto M>
using class_of = typename member_of<M>::Class;

// The fewest bytes a record takes written by its line: numbers 4, texts at least 5.
template <class F>
constexpr std::size_t least_bytes(const F& f) {
  std::size_t n = 0;
  for (const ValueShape& s : f.shapes)
    n += s.kind == ValueKind::Word || s.kind == ValueKind::Text ? 5 : 4;
  return n;
}

template <const auto& Format, auto Part>
struct ValueSteps {
  using C = owner_t<Format, Part>;
  static void on_data(C& c, const Line& l) { l.scan(Format, part_of<Part>(c)); }
  template <class L>
  static void field(L& l, C& c, const Section<C>& s) {
    l.field(s.name, [&](auto& d) { d.line(Format, part_of<Part>(c)); });
  }
  static void lines(SourceWriter& out, const C& c, const Section<C>& s) {
    out.section(s.name, Format, part_of<Part>(c));
  }
};

}  // namespace declare_detail

// A section of single values: each line scans into the values of `Format`, in the converter or
// in its member `Part`, over what earlier lines gave. Its field holds the values in line order.
template <const auto& Format, auto Part = nullptr>
constexpr auto line_section(std::string_view name, About about = {}) {
  constexpr bool fits = declare_detail::fills<Format, Part>();
  static_assert(fits, "line_section<Format, Part>: Format is not a line format of Part's type");
  if constexpr (!fits) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::ValueSteps<Format, Part>;
    using C = typename Steps::C;
    return Section<C>{.name = name,
                      .on_data = Steps::on_data,
                      .carries_over = about.carries_over,
                      .line = Format.shape(),
                      .note = about.note,
                      .write = Steps::template field<DataWriter>,
                      .load = Steps::template field<DataReader>,
                      .decompile = Steps::lines};
  }
}

// The same for a line of one value, which names the section.
template <const auto& Format, auto Part = nullptr>
constexpr auto value_section(About about = {}) {
  static_assert(Format.shape().size() == 1,
                "value_section<Format>: a line of more than one value; name it with line_section");
  return line_section<Format, Part>(Format.shapes[0].stem, about);
}

// How a counted list's records go into the data file.
enum class Written : std::uint8_t {
  Held,   // the table as held, record after record (its layout is the file format)
  Lines,  // each record's values in line order, texts as counted texts
};

struct CountedRules {
  bool restarts = false;  // the data section's opening tag starts again at the first record
  Written written = Written::Held;
  bool optional = false;  // the count's field, too, is left out while the table is absent
  // The most bytes the table may take: less where a record writes more than it holds.
  std::int64_t max_bytes = std::numeric_limits<std::int32_t>::max();
};

namespace declare_detail {

template <auto List, auto Index, const auto& Format, CountedRules Rules, const auto& WrittenLine>
struct CountedSteps {
  using C = class_of<List>;
  using R = typename std::remove_cvref_t<decltype(Format)>::Record;

  // Every count line makes a new table of empty records, also one that holds no number.
  static void on_count(C& c, const Line& l) { (c.*List).count_line(l, Rules.max_bytes); }
  // Every line takes the next record, also one that scans nothing.
  static void on_record(C& c, const Line& l) {
    if (R* r = (c.*List).next(l, c.*Index)) l.scan(Format, *r);
  }
  static void restart(C& c) { c.*Index = 0; }
  static std::int64_t left(C& c) { return unfilled((c.*List).table, c.*Index); }

  template <class L>
  static void count_field(L& l, C& c, const Section<C>& s) {
    auto& list = c.*List;
    const auto count = [&](auto& d) { d.i32(list.count, kCountValue); };
    if constexpr (Rules.optional) {
      l.field_if(list.table.present(), s.name, count);
    } else {
      l.field(s.name, count);
    }
  }
  template <class L>
  static void records_field(L& l, C& c, const Section<C>& s) {
    auto& list = c.*List;
    l.field_if(list.table.present(), s.name, [&](auto& d) {
      if constexpr (Rules.written == Written::Held) {
        d.held_table(list.table, list.count, Format);
      } else {
        d.each(list.table, list.count, least_bytes(WrittenLine),
               [](auto& e, R& r) { e.line(WrittenLine, r); });
      }
    });
  }
  // A count line only where one was read; record lines only where the table is made.
  static void count_lines(SourceWriter& out, const C& c, const Section<C>& s) {
    const auto& list = c.*List;
    if (list.table.present() || list.count != 0) out.count_section(s.name, list.count);
  }
  static void record_lines(SourceWriter& out, const C& c, const Section<C>& s) {
    const auto& list = c.*List;
    if (list.table.present()) out.records(s.name, list.table.all(), Format);
  }
};

// The two sections of a list, from its steps: the count line's, then the data lines'.
template <class Steps, const auto& Format>
constexpr auto list_sections(std::string_view count_name, std::string_view data_name,
                             About count_about, About data_about, bool restarts) {
  using C = typename Steps::C;
  return std::array<Section<C>, 2>{Section<C>{.name = count_name,
                                              .on_data = Steps::on_count,
                                              .role = Role::Count,
                                              .carries_over = count_about.carries_over,
                                              .line = kCountLine,
                                              .note = count_about.note,
                                              .write = Steps::template count_field<DataWriter>,
                                              .load = Steps::template count_field<DataReader>,
                                              .decompile = Steps::count_lines},
                                   Section<C>{.name = data_name,
                                              .on_data = Steps::on_record,
                                              .on_open = restarts ? Steps::restart : nullptr,
                                              .role = Role::Records,
                                              .restarts = restarts,
                                              .carries_over = data_about.carries_over,
                                              .unfilled = Steps::left,
                                              .line = Format.shape(),
                                              .note = data_about.note,
                                              .write = Steps::template records_field<DataWriter>,
                                              .load = Steps::template records_field<DataReader>,
                                              .decompile = Steps::record_lines}};
}

}  // namespace declare_detail

// A counted list: `List` (a CountedTable of the converter) made by the count section's line and
// filled by the data section's lines at the running index `Index`. `WrittenLine` is the line its
// records are written by, when they are written by lines (by default the line they are read by).
template <auto List, auto Index, const auto& Format, CountedRules Rules = CountedRules{},
          const auto& WrittenLine = Format>
constexpr auto counted(std::string_view count_name, std::string_view data_name,
                       About count_about = {}, About data_about = {}) {
  using ListOf = declare_detail::member_of<List>;
  using R = typename declare_detail::counted_table<typename ListOf::Type>::Record;
  constexpr bool list = !std::is_void_v<R>;
  constexpr bool index = declare_detail::member_is<Index, typename ListOf::Class, std::int64_t>;
  constexpr bool read = declare_detail::reads<Format, R>;
  constexpr bool written = declare_detail::reads<WrittenLine, R>;
  static_assert(list, "counted<List, ...>: List is not a CountedTable member of the converter");
  static_assert(!list || index,
                "counted<List, Index, ...>: Index is not a std::int64_t member of the converter");
  static_assert(!list || read,
                "counted<List, Index, Format>: Format is not a line format of List's records");
  static_assert(!list || !read || written,
                "counted<..., WrittenLine>: WrittenLine is not a line format of List's records");
  if constexpr (!(list && index && read && written)) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::CountedSteps<List, Index, Format, Rules, WrittenLine>;
    return declare_detail::list_sections<Steps, Format>(count_name, data_name, count_about,
                                                        data_about, Rules.restarts);
  }
}

namespace declare_detail {

template <auto Count, auto Array, auto Index, std::int32_t Most, const auto& Format>
struct FixedSteps {
  using C = class_of<Count>;

  static void on_count(C& c, const Line& l) { count_line_at_most(l, c.*Count, Most); }
  // Measured against the count as it stands when the line comes; a line that does not scan
  // still uses up its entry.
  static void on_record(C& c, const Line& l) {
    if (c.*Index >= c.*Count) {
      l.note(seen::LineUnused::counted(true, c.*Count));
      return;
    }
    l.at_record(c.*Index);
    l.scan(Format, std::span(c.*Array)[static_cast<std::size_t>(c.*Index)]);
    ++(c.*Index);
  }
  static void restart(C& c) { c.*Index = 0; }
  static std::int64_t left(C& c) { return std::int64_t{std::min(c.*Count, Most)} - c.*Index; }
  // The entries below the count.
  static auto listed(auto& c) {
    return std::span(c.*Array).first(static_cast<std::size_t>(std::clamp(c.*Count, 0, Most)));
  }

  template <class L>
  static void count_field(L& l, C& c, const Section<C>& s) {
    l.field(s.name, [&](auto& d) { d.i32(c.*Count, kCountValue); });
  }
  template <class L>
  static void records_field(L& l, C& c, const Section<C>& s) {
    l.field(s.name, [&](auto& d) { d.lines(listed(c), Format); });
  }
  static void count_lines(SourceWriter& out, const C& c, const Section<C>& s) {
    out.count_section(s.name, c.*Count);
  }
  static void record_lines(SourceWriter& out, const C& c, const Section<C>& s) {
    out.records(s.name, listed(c), Format);
  }
};

}  // namespace declare_detail

// A list of at most `Most` entries in the array `Array`: the count line's number is cut to
// `Most`, and the data lines fill the entries below it at the running index `Index`.
template <auto Count, auto Array, auto Index, std::int32_t Most, const auto& Format, bool Restarts>
constexpr auto fixed_list(std::string_view count_name, std::string_view data_name,
                          About count_about = {}, About data_about = {}) {
  using C = typename declare_detail::member_of<Count>::Class;
  using R = declare_detail::record_t<Format>;
  constexpr bool count = declare_detail::member_is<Count, C, std::int32_t>;
  constexpr bool array = declare_detail::holds<Array, C, R>;
  constexpr bool index = declare_detail::member_is<Index, C, std::int32_t>;
  static_assert(count,
                "fixed_list<Count, ...>: Count is not a std::int32_t member of the converter");
  static_assert(!count || array,
                "fixed_list<Count, Array, ..., Format>: Array is not an array of Format's records");
  static_assert(
      !count || index,
      "fixed_list<Count, Array, Index>: Index is not a std::int32_t member of the converter");
  if constexpr (!(count && array && index)) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::FixedSteps<Count, Array, Index, Most, Format>;
    return declare_detail::list_sections<Steps, Format>(count_name, data_name, count_about,
                                                        data_about, Restarts);
  }
}

// A table of entries that owns a list per entry (shops, enemy groups, image effects, map
// animations). The count section makes the table; the sections of an entry fill the entry at the
// current index, which only the closing marker moves on; one field holds every entry, each
// written by the converter's own step. `budget` keeps that field within its 32-bit data size.
template <class C, class E>
struct Entries {
  std::int32_t C::*count;
  Table<E> C::*table;
  std::int64_t C::*index;  // the entry the sections fill now
  FieldBudget C::*budget;
  std::int64_t least;  // the fewest bytes an entry writes
};

// The list each entry owns: its records, its count, and the running index the data section
// fills it at.
template <class C, class E, class R>
struct EntryList {
  Table<R> E::*list;
  std::int32_t E::*count;
  std::int64_t C::*index;
};

namespace declare_detail {

template <class C, class E>
E entry_type(const Entries<C, E>&);
template <class C, class E>
C owner_type(const Entries<C, E>&);

template <const auto& Es>
struct EntryTable {
  using C = decltype(owner_type(Es));
  using E = decltype(entry_type(Es));

  // The entry a section's line fills; nullptr, told as an unused line, when there is none.
  static E* current(C& c, const Line& l) { return record_for(l, c.*Es.table, c.*Es.index); }
  static const E& entry(const C& c, std::size_t e) { return (c.*Es.table)[e]; }
};

template <const auto& Es, class EntryField>
struct EntryCountSteps : EntryTable<Es> {
  using C = typename EntryTable<Es>::C;

  // A count line replaces the table, also when it holds no number (the count then stays).
  static void on_count(C& c, const Line& l) {
    l.scan_number(c.*Es.count, kCountValue);
    tell_table(l, (c.*Es.budget).make_entries(c.*Es.table, c.*Es.count), c.*Es.count, Es.least);
  }
  static void next(C& c) { ++(c.*Es.index); }
  template <class L>
  static void count_field(L& l, C& c, const Section<C>& s) {
    l.field(s.name, [&](auto& d) { d.i32(c.*Es.count, kCountValue); });
  }
  // Every entry, by the converter's step. An entry without its list is written with the list's
  // count 0, so that the data size and the bytes that follow always agree.
  template <class L>
  static void entries_field(L& l, C& c, const Section<C>& s) {
    l.field_if((c.*Es.table).present(), s.name,
               [&](auto& d) { d.each(c.*Es.table, c.*Es.count, Es.least, EntryField{}); });
  }
  static void count_lines(SourceWriter& out, const C& c, const Section<C>& s) {
    if ((c.*Es.table).present() || c.*Es.count != 0) out.count_section(s.name, c.*Es.count);
  }
  static std::size_t entries(const C& c) { return (c.*Es.table).size(); }
};

template <const auto& Es, const auto& Format, auto Part>
struct EntryValueSteps : EntryTable<Es> {
  using Base = EntryTable<Es>;
  using C = typename Base::C;
  static void on_data(C& c, const Line& l) {
    if (auto* e = Base::current(c, l)) l.scan(Format, part_of<Part>(*e));
  }
  static void lines(SourceWriter& out, const C& c, const Section<C>& s, std::size_t e) {
    out.section(s.name, Format, part_of<Part>(Base::entry(c, e)));
  }
};

template <const auto& Es, const auto& List, const ValueShape& Shape>
struct EntryListCountSteps : EntryTable<Es> {
  using Base = EntryTable<Es>;
  using C = typename Base::C;
  // Replaces the current entry's list, also when the line holds no number.
  static void on_count(C& c, const Line& l) {
    auto* e = Base::current(c, l);
    if (e == nullptr) return;
    std::int32_t& count = (*e).*List.count;
    l.scan_number(count, Shape);
    auto& list = (*e).*List.list;
    using R = typename std::remove_reference_t<decltype(list)>::value_type;
    tell_table(l, (c.*Es.budget).make_list(list, count), count, sizeof(R));
  }
  static void restart(C& c) { c.*List.index = 0; }
  static void lines(SourceWriter& out, const C& c, const Section<C>& s, std::size_t e) {
    out.count_section(s.name, Base::entry(c, e).*List.count);
  }
};

template <const auto& Es, const auto& List, const auto& Format>
struct EntryRecordSteps : EntryTable<Es> {
  using Base = EntryTable<Es>;
  using C = typename Base::C;
  // Every line takes the next record of the current entry's list, also one that scans nothing.
  static void on_data(C& c, const Line& l) {
    auto* e = Base::current(c, l);
    if (e == nullptr) return;
    if (auto* r = next_record(l, (*e).*List.list, c.*List.index)) l.scan(Format, *r);
  }
  static void restart(C& c) { c.*List.index = 0; }
  static std::int64_t left(C& c) {
    const auto* e = (c.*Es.table).at(c.*Es.index);
    return e != nullptr ? unfilled((*e).*List.list, c.*List.index) : 0;
  }
  static void lines(SourceWriter& out, const C& c, const Section<C>& s, std::size_t e) {
    const auto& list = Base::entry(c, e).*List.list;
    if (list.size() > 0) out.records(s.name, list.all(), Format);
  }
};

}  // namespace declare_detail

// The count of the entries `Es`: makes their table, and gives them back in a decompiled source.
template <const auto& Es>
constexpr auto entry_count(std::string_view name, About about = {}) {
  constexpr bool entries = declare_detail::are_entries<Es>;
  static_assert(entries, "entry_count<Es>: Es is not the Entries of a converter");
  if constexpr (!entries) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::EntryCountSteps<Es, void>;
    using C = typename Steps::C;
    return Section<C>{.name = name,
                      .on_data = Steps::on_count,
                      .role = Role::Count,
                      .carries_over = about.carries_over,
                      .line = kCountLine,
                      .note = about.note,
                      .write = Steps::template count_field<DataWriter>,
                      .load = Steps::template count_field<DataReader>,
                      .decompile = Steps::count_lines,
                      .entries = Steps::entries};
  }
}

// The closing tag that ends an entry of `Es` and moves on to the next; its field holds every
// entry, each written and read by `EntryField` (a step called as `EntryField{}(d, entry)`).
template <const auto& Es, class EntryField>
constexpr auto entry_marker(std::string_view name, About about = {}) {
  constexpr bool entries = declare_detail::are_entries<Es>;
  static_assert(entries, "entry_marker<Es>: Es is not the Entries of a converter");
  if constexpr (!entries) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::EntryCountSteps<Es, EntryField>;
    using C = typename Steps::C;
    return Section<C>{.name = name,
                      .on_close = Steps::next,
                      .role = Role::Marker,
                      .note = about.note,
                      .write = Steps::template entries_field<DataWriter>,
                      .load = Steps::template entries_field<DataReader>};
  }
}

// A section of single values of the current entry (or of its member `Part`).
template <const auto& Es, const auto& Format, auto Part = nullptr>
constexpr auto entry_line_section(std::string_view name, About about = {}) {
  constexpr bool entries = declare_detail::are_entries<Es>;
  constexpr bool fits = entries && declare_detail::fills_entry<Es, Format, Part>();
  static_assert(entries, "entry_line_section<Es>: Es is not the Entries of a converter");
  static_assert(!entries || fits,
                "entry_line_section<Es, Format, Part>: Format is not a line format of the entry "
                "(or of its member Part)");
  if constexpr (!fits) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::EntryValueSteps<Es, Format, Part>;
    using C = typename Steps::C;
    return Section<C>{.name = name,
                      .on_data = Steps::on_data,
                      .line = Format.shape(),
                      .note = about.note,
                      .decompile_entry = Steps::lines};
  }
}

// The same for a line of one value, which names the section.
template <const auto& Es, const auto& Format, auto Part = nullptr>
constexpr auto entry_value_section(About about = {}) {
  static_assert(Format.shape().size() == 1,
                "entry_value_section<Es, Format>: a line of more than one value; name it with "
                "entry_line_section");
  return entry_line_section<Es, Format, Part>(Format.shapes[0].stem, about);
}

// The count of the current entry's list `List`, named as its value `Shape`: makes the list.
// With `Restarts`, its opening tag also starts the list's running index again.
template <const auto& Es, const auto& List, const ValueShape& Shape, bool Restarts = false>
constexpr auto entry_list_count(About about = {}) {
  constexpr bool list = declare_detail::lists<Es, List>::ok;
  static_assert(list, "entry_list_count<Es, List>: List is not an EntryList of the entries Es");
  if constexpr (!list) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::EntryListCountSteps<Es, List, Shape>;
    using C = typename Steps::C;
    return Section<C>{.name = Shape.stem,
                      .on_data = Steps::on_count,
                      .on_open = Restarts ? Steps::restart : nullptr,
                      .role = Role::Count,
                      .line = kCountLine,
                      .note = about.note,
                      .decompile_entry = Steps::lines};
  }
}

// The records of the current entry's list `List`, one per line; the opening tag starts again at
// the first.
template <const auto& Es, const auto& List, const auto& Format>
constexpr auto entry_records(std::string_view name, About about = {}) {
  using Lists = declare_detail::lists<Es, List>;
  constexpr bool read = Lists::ok && declare_detail::reads<Format, typename Lists::Record>;
  static_assert(Lists::ok, "entry_records<Es, List>: List is not an EntryList of the entries Es");
  static_assert(!Lists::ok || read,
                "entry_records<Es, List, Format>: Format is not a line format of List's records");
  if constexpr (!read) {
    return declare_detail::Refused{};
  } else {
    using Steps = declare_detail::EntryRecordSteps<Es, List, Format>;
    using C = typename Steps::C;
    return Section<C>{.name = name,
                      .on_data = Steps::on_data,
                      .on_open = Steps::restart,
                      .role = Role::Records,
                      .restarts = true,
                      .unfilled = Steps::left,
                      .line = Format.shape(),
                      .note = about.note,
                      .decompile_entry = Steps::lines};
  }
}

}  // namespace kelv
