#include "convert/rules/item_magic_lists.h"

#include <type_traits>

namespace kelv {
namespace {

template <class V>
constexpr const auto& kLineOf = kWordTextLine<std::extent_v<decltype(V::Record::values)>>;

// Every data line takes the next record, also one that scans nothing; its '#' become line feeds.
template <class V>
void on_record(WordTextList<V>& c, const Line& l) {
  if (auto* r = c.records.next(l, c.index)) l.scan(kLineOf<V>, *r);
}

// Every count line makes a new table, discarding the records read so far.
template <class V>
constexpr Section<WordTextList<V>> kSections[] = {
    {.name = V::kNumber,
     .on_data = [](WordTextList<V>& c, const Line& l) { c.records.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty records; records read before are lost"},
    {.name = V::kData,
     .on_data = on_record<V>,
     .role = Role::Records,
     .unfilled = [](WordTextList<V>& c) { return unfilled(c.records.table, c.index); },
     .line = kLineOf<V>.shape(),
     .note = "the records go on from the last one filled, also after a second count line"},
};
template <class V>
const auto kShapes = shapes_of(kSections<V>);
template <class V>
constexpr std::span<const SectionShape> kGroups[] = {kShapes<V>};

template <class V, class L>
void layout(L& l, WordTextList<V>& c) {
  if constexpr (V::kWriterBreaksLines && !L::kReading) {
    for (auto& r : c.records.table.all())
      hash_to_line_feed(r.text);
  }
  l.fields(2);
  counted_fields(l, c.records, V::kNumber, V::kData, kLineOf<V>);
}

}  // namespace

template <class V>
const Vocabulary& WordTextList<V>::vocabulary() const {
  static constexpr Vocabulary v{V::kAbout, kLongLines, kGroups<V>, {}};
  return v;
}

template <class V>
bool WordTextList<V>::read(ByteSource& source, Report& report) {
  index = 0;
  walk<WordTextList<V>>(source, kLongLines, *this, kSections<V>, report);
  return true;
}

template <class V>
void WordTextList<V>::write(DataWriter& out) {
  layout(out, *this);
}

template <class V>
void WordTextList<V>::load(DataReader& in) {
  layout(in, *this);
}

template <class V>
void WordTextList<V>::decompile(SourceWriter& out) {
  decompile_counted(out, records, V::kNumber, V::kData, kLineOf<V>);
}

template <class V>
void WordTextList<V>::release() {
  records.release();
}

template class WordTextList<ItemWords>;
template class WordTextList<MagicWords>;

}  // namespace kelv
