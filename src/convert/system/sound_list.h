// "midi_list.txt" and "wave_list.txt": the game's music and sound files by number. Both lists
// are one design with two vocabularies: a count and up to 256 entries, each the whole text of one
// data line. The table has a fixed size and is cleared at the start of every reading, so nothing
// of an earlier list survives into the next.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "convert/converter.h"

namespace kelv {

struct SoundEntry {
  std::array<char, 260> file_name;  // a whole line, NUL-terminated, rest zero
};

// The vocabularies: the count and data names (tags and keys alike).
struct MidiWords {
  static constexpr std::string_view kNumber = "midi_number";
  static constexpr std::string_view kData = "midi_data";
  static constexpr Text kAbout = tr("the music files the game plays, by number");
  static constexpr ListId kProvides = kMusicList;  // the title, scenes and settings play its music
};
struct WaveWords {
  static constexpr std::string_view kNumber = "wave_number";
  static constexpr std::string_view kData = "wave_data";
  static constexpr Text kAbout = tr("the sound files the game plays, by number");
  static constexpr ListId kProvides = kSoundList;  // the settings play its sounds
};

template <class Words>
class SoundList final : public SectionConverter<SoundList<Words>> {
 public:
  static constexpr std::int32_t kMaxEntries = 256;
  static const Declaration<SoundList>& declaration();

  void start_reading();

  // At most kMaxEntries; a negative count stays and stores nothing.
  std::int32_t count = 0;
  // Held apart from the converter object: 65 KiB per list is too much for a stack.
  std::vector<SoundEntry> entries = std::vector<SoundEntry>(kMaxEntries);

  std::int32_t index = 0;  // the next entry a data line fills
};

extern template class SoundList<MidiWords>;
extern template class SoundList<WaveWords>;

using MidiList = SoundList<MidiWords>;
using WaveList = SoundList<WaveWords>;

}  // namespace kelv
