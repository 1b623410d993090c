// The settings' numbers that pick entries of other kinds' lists, by the rule authors read: the
// numbers of every wave_ setting are sounds of the wave list, those of every midi_ setting music
// of the MIDI list, and no other setting's numbers pick anything.
#include <gtest/gtest.h>

#include <string>

#include "convert/catalog.h"

namespace kelv {
namespace {

TEST(Settings, WaveAndMidiNumbersPickSoundsAndMusic) {
  const Kind* settings = kind_named("setting");
  ASSERT_NE(settings, nullptr);
  std::size_t waves = 0, midis = 0;
  for (const std::vector<SectionShape>& group : settings->vocabulary().groups) {
    for (const SectionShape& s : group) {
      const ListId want = s.name.starts_with("wave_")   ? ListId{kSoundList}
                          : s.name.starts_with("midi_") ? ListId{kMusicList}
                                                        : ListId{0};
      waves += want == kSoundList ? 1 : 0;
      midis += want == kMusicList ? 1 : 0;
      for (const ValueShape& v : s.line)
        EXPECT_EQ(v.refers, want) << s.name << " " << v.name();
    }
  }
  EXPECT_EQ(waves, 5u);
  EXPECT_EQ(midis, 2u);
}

}  // namespace
}  // namespace kelv
