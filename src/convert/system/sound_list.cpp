#include "convert/system/sound_list.h"

#include <algorithm>

#include "convert/declare.h"

namespace kelv {
namespace {

// The whole line, blanks and all, is the entry; an empty line is an empty entry.
constexpr auto kEntryLine = line(text<&SoundEntry::file_name>("file_name"));

template <class Words>
constexpr auto kSections = sections<SoundList<Words>>(
    fixed_list<&SoundList<Words>::count, &SoundList<Words>::entries, &SoundList<Words>::index,
               SoundList<Words>::kMaxEntries, kEntryLine, true>(
        Words::kNumber, Words::kData,
        {.note = tr("the number of entries, at most 256 (a larger number counts as 256)")},
        {.note = tr("the opening tag starts again at the first entry")}));
template <class Words>
constexpr Group<SoundList<Words>> kGroups[] = {kSections<Words>};

}  // namespace

template <class Words>
const Declaration<SoundList<Words>>& SoundList<Words>::declaration() {
  static constexpr Declaration<SoundList> d{
      .about = Words::kAbout,
      .line_buffer = kShortLines,
      .groups = kGroups<Words>,
      .provides = Words::kProvides,
      .size = [](const SoundList& c) { return std::int64_t{std::clamp(c.count, 0, kMaxEntries)}; }};
  return d;
}

template <class Words>
void SoundList<Words>::start_reading() {
  count = 0;
  std::ranges::fill(entries, SoundEntry{});
  index = 0;
}

template class SoundList<MidiWords>;
template class SoundList<WaveWords>;

}  // namespace kelv
