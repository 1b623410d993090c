#include <gtest/gtest.h>

#include <string>

#include "convert/system/sound_list.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes midi_file(std::int32_t count, const Bytes& data) {
  return keyed(2, {field("midi_number", i32(count)), field("midi_data", data)});
}

TEST(SoundList, MissingEntriesBelowTheCountAreEmptyTexts) {
  SoundList c(kMidiWords);
  const Bytes out = convert(c,
                            "<midi_number>\n3\n</midi_number>\n"
                            "<midi_data>\na.mid\nb.mid\n</midi_data>\n");
  EXPECT_EQ(out, midi_file(3, cat({counted("a.mid"), counted("b.mid"), counted("")})));
}

TEST(SoundList, WaveVocabulary) {
  SoundList c(kWaveWords);
  EXPECT_EQ(convert(c, "<wave_number>\n1\n</wave_number>\n<wave_data>\nhit.wav\n</wave_data>\n"),
            keyed(2, {field("wave_number", i32(1)), field("wave_data", counted("hit.wav"))}));
}

TEST(SoundList, CountAbove256IsClampedAndLaterLinesIgnored) {
  std::string source = "<midi_number>\n300\n</midi_number>\n<midi_data>\n";
  Bytes data;
  for (int i = 0; i < 260; ++i) {
    const std::string name = "m" + std::to_string(i) + ".mid";
    source += name + "\n";
    if (i < 256) data = cat({data, counted(name)});
  }
  source += "</midi_data>\n";
  SoundList c(kMidiWords);
  EXPECT_EQ(convert(c, source), midi_file(256, data));
}

TEST(SoundList, WholeLinesAndASecondDataSectionFromEntryZero) {
  SoundList c(kMidiWords);
  const Bytes out = convert(c,
                            "<midi_number>\n3\n</midi_number>\n"
                            "<midi_data>\nbattle 01.mid\n\ttown.mid \nend.mid\n</midi_data>\n"
                            "<midi_data>\nfield.mid\n</midi_data>\n");
  EXPECT_EQ(out,
            midi_file(3, cat({counted("field.mid"), counted("\ttown.mid "), counted("end.mid")})));
}

TEST(SoundList, CountAfterTheDataAndNegativeCounts) {
  SoundList c(kMidiWords);
  EXPECT_EQ(convert(c, "<midi_data>\na.mid\n</midi_data>\n<midi_number>\n2\n</midi_number>\n"),
            midi_file(2, cat({counted(""), counted("")})));
  EXPECT_EQ(convert(c, "<midi_number>\n-4\n</midi_number>\n<midi_data>\na.mid\n</midi_data>\n"),
            midi_file(-4, {}));
}

TEST(SoundList, UnclosedDataSectionTakesTheFinalEmptyLine) {
  SoundList c(kMidiWords);
  EXPECT_EQ(
      convert(c, "<midi_number>\n5\n</midi_number>\n<midi_data>\na\nb\nc\n"),
      midi_file(5, cat({counted("a"), counted("b"), counted("c"), counted(""), counted("")})));
}

TEST(SoundList, EachReadingStartsFromAClearedTable) {
  SoundList c(kMidiWords);
  convert(c, "<midi_number>\n2\n</midi_number>\n<midi_data>\na.mid\nb.mid\n</midi_data>\n");
  EXPECT_EQ(convert(c, "<midi_number>\n2\n</midi_number>\n"),
            midi_file(2, cat({counted(""), counted("")})));
  EXPECT_EQ(convert(c, ""), midi_file(0, {}));
}

}  // namespace
}  // namespace kelv::test
