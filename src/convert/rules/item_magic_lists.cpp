#include "convert/rules/item_magic_lists.h"

#include <type_traits>

#include "convert/declare.h"

namespace kelv {
namespace {

// The line: the numbers, the word, the text.
template <class R>
constexpr auto kWordTextLine = line(values<&R::values>("value", 1), value<&R::word>("word"),
                                    value<&R::text>("text", Stored::Breaks));

template <class Words>
constexpr auto kSections = sections<WordTextList<Words>>(
    counted<&WordTextList<Words>::records, &WordTextList<Words>::index,
            kWordTextLine<typename Words::Record>>(
        Words::kNumber, Words::kData,
        {.note = tr("every count line makes a new table of empty records; records read before are "
                    "lost")},
        {.note =
             tr("the records go on from the last one filled, also after a second count line")}));
template <class Words>
constexpr Group<WordTextList<Words>> kGroups[] = {kSections<Words>};

}  // namespace

template <class Words>
const Declaration<WordTextList<Words>>& WordTextList<Words>::declaration() {
  static constexpr Declaration<WordTextList> d{
      .about = Words::kAbout,
      .line_buffer = kLongLines,
      .groups = kGroups<Words>,
      .provides = Words::kProvides,
      .size = [](const WordTextList& c) { return std::int64_t{c.records.count}; }};
  return d;
}

template <class Words>
void WordTextList<Words>::before_writing() {
  if constexpr (Words::kWriterBreaksLines) {
    for (Record& r : records.table.all())
      hash_to_line_feed(r.text);
  }
}

template class WordTextList<ItemWords>;
template class WordTextList<MagicWords>;

}  // namespace kelv
