#include <gtest/gtest.h>

#include <string>

#include "convert/system/sound_list.h"
#include "support.h"

namespace kelv::test {
namespace {

TEST(SoundList, Sources) {
  // 260 entries against the clamp at 256.
  std::string many = "<midi_number>\n300\n</midi_number>\n<midi_data>\n";
  Bytes first256;
  for (int i = 0; i < 260; ++i) {
    const std::string name = "m" + std::to_string(i) + ".mid";
    many += name + "\n";
    if (i < 256) first256 = cat({first256, counted(name)});
  }
  expect_outputs<MidiList>({
      {"missing entries below the count are empty texts",
       "<midi_number>\n3\n</midi_number>\n<midi_data>\na.mid\nb.mid\n</midi_data>\n",
       table_file("midi", 3, cat({counted("a.mid"), counted("b.mid"), counted("")}))},
      {"count above 256", many + "</midi_data>\n", table_file("midi", 256, first256)},
      {"whole lines and a second data section from entry zero",
       "<midi_number>\n3\n</midi_number>\n"
       "<midi_data>\nbattle 01.mid\n\ttown.mid \nend.mid\n</midi_data>\n"
       "<midi_data>\nfield.mid\n</midi_data>\n",
       table_file("midi", 3,
                  cat({counted("field.mid"), counted("\ttown.mid "), counted("end.mid")}))},
      {"count after the data",
       "<midi_data>\na.mid\n</midi_data>\n<midi_number>\n2\n</midi_number>\n",
       table_file("midi", 2, cat({counted(""), counted("")}))},
      {"negative count", "<midi_number>\n-4\n</midi_number>\n<midi_data>\na.mid\n</midi_data>\n",
       table_file("midi", -4, {})},
      {"unclosed data section takes the final empty line",
       "<midi_number>\n5\n</midi_number>\n<midi_data>\na\nb\nc\n",
       table_file("midi", 5,
                  cat({counted("a"), counted("b"), counted("c"), counted(""), counted("")}))},
  });
  expect_outputs<WaveList>(
      {{"wave vocabulary", "<wave_number>\n1\n</wave_number>\n<wave_data>\nhit.wav\n</wave_data>\n",
        table_file("wave", 1, counted("hit.wav"))}});
}

// The table is cleared at each reading; nothing releases it in between.
TEST(SoundList, EachReadingStartsFromAClearedTable) {
  MidiList c;
  convert(c, "<midi_number>\n2\n</midi_number>\n<midi_data>\na.mid\nb.mid\n</midi_data>\n");
  EXPECT_EQ(convert(c, "<midi_number>\n2\n</midi_number>\n"),
            table_file("midi", 2, cat({counted(""), counted("")})));
  EXPECT_EQ(convert(c, ""), table_file("midi", 0, {}));
}

}  // namespace
}  // namespace kelv::test
