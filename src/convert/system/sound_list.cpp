#include "convert/system/sound_list.h"

#include <algorithm>

#include "format/counted_table.h"

namespace kelv {
namespace {

constexpr auto kEntryLine = line(text<&SoundEntry::file_name>("file_name"));

template <class W>
void on_count(SoundList<W>& c, const Line& l) {
  count_line_at_most(l, c.count, SoundList<W>::kMaxEntries);
}

// The whole line, blanks and all, is the entry; an empty line is an empty entry.
template <class W>
void on_entry(SoundList<W>& c, const Line& l) {
  if (c.index >= c.count) {
    l.note(Note::LineUnused, c.count);
    return;
  }
  l.scan(kEntryLine, c.entries[static_cast<std::size_t>(c.index)]);
  ++c.index;
}

template <class W>
constexpr Section<SoundList<W>> kSections[] = {
    {.name = W::kNumber,
     .on_data = on_count<W>,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of entries, at most 256 (a larger number counts as 256)"},
    {.name = W::kData,
     .on_data = on_entry<W>,
     .on_open = [](SoundList<W>& c) { c.index = 0; },
     .role = Role::Records,
     .unfilled = [](SoundList<W>& c) -> std::int64_t {
       return std::min(c.count, SoundList<W>::kMaxEntries) - c.index;
     },
     .line = kEntryLine.shape(),
     .note = "the opening tag starts again at the first entry"},
};
template <class W>
const auto kShapes = shapes_of(kSections<W>);
template <class W>
constexpr std::span<const SectionShape> kGroups[] = {kShapes<W>};

// The entries below the count, each as counted text.
template <class W, class L>
void layout(L& l, SoundList<W>& c) {
  l.fields(2);
  l.field(W::kNumber, [&](auto& d) { d.i32(c.count, kCountValue); });
  l.field(W::kData, [&](auto& d) {
    const auto n = static_cast<std::size_t>(std::clamp(c.count, 0, SoundList<W>::kMaxEntries));
    d.lines(std::span(c.entries).first(n), kEntryLine);
  });
}

}  // namespace

template <class W>
const Vocabulary& SoundList<W>::vocabulary() const {
  static constexpr Vocabulary v{W::kAbout, kShortLines, kGroups<W>, {}};
  return v;
}

template <class W>
bool SoundList<W>::read(ByteSource& source, Report& report) {
  count = 0;
  std::ranges::fill(entries, SoundEntry{});
  index = 0;
  walk<SoundList>(source, kShortLines, *this, kSections<W>, report);
  return true;
}

template <class W>
void SoundList<W>::write(DataWriter& out) {
  layout(out, *this);
}

template <class W>
void SoundList<W>::load(DataReader& in) {
  layout(in, *this);
}

template <class W>
void SoundList<W>::decompile(SourceWriter& out) {
  out.count_section(W::kNumber, count);
  out.records(W::kData,
              std::span<const SoundEntry>(entries).first(
                  static_cast<std::size_t>(std::clamp(count, 0, kMaxEntries))),
              kEntryLine);
}

template class SoundList<MidiWords>;
template class SoundList<WaveWords>;

}  // namespace kelv
