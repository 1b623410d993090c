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

// The tag and key names of one sound list: the count section and the data section.
struct SoundWords {
  std::string_view number;
  std::string_view data;
};

inline constexpr SoundWords kMidiWords{"midi_number", "midi_data"};
inline constexpr SoundWords kWaveWords{"wave_number", "wave_data"};

class SoundList final : public Converter {
 public:
  static constexpr std::int32_t kMaxEntries = 256;
  using Entry = std::array<char, 260>;

  explicit SoundList(SoundWords words) : words_(words) {}

  bool read(ByteSource& source, Report& report) override;
  KeyedData write() override;

  // At most kMaxEntries; a negative count stays and stores nothing.
  std::int32_t count = 0;
  // Held apart from the converter object: 65 KiB per list is too much for a stack.
  std::vector<Entry> entries = std::vector<Entry>(kMaxEntries);

 private:
  friend struct SoundSections;

  SoundWords words_;
  std::int32_t index_ = 0;  // the next entry a data line fills
};

}  // namespace kelv
