#include "convert/story/narration.h"

#include "convert/declare.h"

namespace kelv {
namespace {

using Record = NarrationRecord;

// Written in line order: the numbers 1 to 12, the text, the number 13.
constexpr auto kLine = line(value<&Record::value1>("value1"), value<&Record::value2>("value2"),
                            value<&Record::value3>("value3"), value<&Record::value4>("value4"),
                            value<&Record::value5>("value5"), value<&Record::value6>("value6"),
                            value<&Record::value7>("value7"), value<&Record::value8>("value8"),
                            value<&Record::value9>("value9"), value<&Record::value10>("value10"),
                            value<&Record::value11>("value11"), value<&Record::value12>("value12"),
                            value<&Record::text>("text"), value<&Record::value13>("value13"));

constexpr auto kSections =
    sections<NarrationList>(counted<&NarrationList::records, &NarrationList::index, kLine,
                                    CountedRules{.written = Written::Lines}>(
        "narration_number", "narration_data",
        {.note = tr("every count line makes a new table of empty records; records read before are "
                    "lost")},
        {.note = tr("the records go on from the last one filled, also in a second data section")}));
constexpr Group<NarrationList> kGroups[] = {kSections};

}  // namespace

const Declaration<NarrationList>& NarrationList::declaration() {
  static constexpr Declaration<NarrationList> d{
      .about = tr("the narration records"), .line_buffer = kShortLines, .groups = kGroups};
  return d;
}

}  // namespace kelv
