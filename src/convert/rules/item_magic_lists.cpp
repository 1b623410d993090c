#include "convert/rules/item_magic_lists.h"

#include <type_traits>
#include <utility>

#include "format/sections.h"

namespace kelv {
namespace {

template <class V, std::size_t... I>
void scan_record(const Line& l, typename V::Record& r, std::index_sequence<I...>) {
  l.scan(V::kLine, r.values[I]..., r.word, r.text);
}

// Every data line takes the next record, also one that scans nothing.
template <class V>
void on_record(WordTextList<V>& c, const Line& l) {
  auto* r = c.records.next(l, c.index);
  if (r == nullptr) return;
  scan_record<V>(l, *r, std::make_index_sequence<std::extent_v<decltype(r->values)>>());
  for (char& ch : r->text) {
    if (ch == '\0') break;
    if (ch == '#') ch = '\n';
  }
}

// Every count line makes a new table, discarding the records read so far.
template <class V>
constexpr Section<WordTextList<V>> kSections[] = {
    {V::kNumber, [](WordTextList<V>& c, const Line& l) { c.records.count_line(l); }},
    {V::kData, on_record<V>},
};

}  // namespace

template <class V>
bool WordTextList<V>::read(ByteSource& source, Report& report) {
  index = 0;
  walk<WordTextList<V>>(source, kLongLines, *this, kSections<V>, report);
  return true;
}

template <class V>
KeyedData WordTextList<V>::write() {
  if constexpr (V::kWriterBreaksLines) {
    for (Record& r : records.table.all())
      hash_to_line_feed(r.text);
  }
  KeyedData out(2);
  records.write(out, V::kNumber, V::kData);
  return out;
}

template <class V>
void WordTextList<V>::release() {
  records.release();
}

template class WordTextList<ItemWords>;
template class WordTextList<MagicWords>;

}  // namespace kelv
