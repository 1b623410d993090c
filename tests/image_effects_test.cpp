#include <gtest/gtest.h>

#include "convert/images/image_effects.h"
#include "support.h"

namespace kelv::test {
namespace {

// An effect count section.
std::string count(std::string_view n) {
  return "<image_effect_number>\n" + std::string(n) + "\n</image_effect_number>\n";
}

// One effect: optional main data line, position count and position lines, then the closing tag.
std::string effect(std::string_view main, std::string_view positions = {},
                   std::string_view position_count = {}) {
  std::string s;
  if (!main.empty())
    s += "<image_effect_main_data>\n" + std::string(main) + "\n</image_effect_main_data>\n";
  if (!position_count.empty()) {
    s += "<image_effect_pos_number>\n" + std::string(position_count) +
         "\n</image_effect_pos_number>\n";
  }
  if (!positions.empty())
    s += "<image_effect_pos_data>\n" + std::string(positions) + "</image_effect_pos_data>\n";
  return s + "</image_effect_data>\n";
}

// The main data as held, from the sixteen values of its line.
Bytes main_data(std::array<std::int32_t, 6> v1_to_6, std::string_view name,
                std::array<std::int32_t, 9> v8_to_16) {
  const auto& a = v1_to_6;
  const auto& b = v8_to_16;
  return cat({ints({a[0], b[0], b[1], b[2], b[3], b[4]}), fixed(name, 260), ints({a[4], a[5]}),
              ints({b[5], b[6], b[7], b[8]}), ints({a[2], a[3], a[1]})});
}

Bytes output(std::int32_t n, const Bytes& data) {
  return table_file("image_effect", n, data);
}

TEST(ImageEffects, Sources) {
  expect_outputs<ImageEffects>({
      {"main data in its own order and positions per effect",
       count("2") +
           effect("1 2 3 4 5 6 fx.bmp 8 9 10 11 12 13 14 15 16",
                  "10 11 12 13\n-1 -2 -3 -4\n20 21 22 23\n", "3") +
           effect("-1 0 0 0 0 0 glow.bmp 0 0 0 0 0 0 0 0 7"),
       output(2, cat({main_data({1, 2, 3, 4, 5, 6}, "fx.bmp", {8, 9, 10, 11, 12, 13, 14, 15, 16}),
                      i32(3), ints({10, 11, 12, 13, -1, -2, -3, -4, 20, 21, 22, 23}),
                      main_data({-1, 0, 0, 0, 0, 0}, "glow.bmp", {0, 0, 0, 0, 0, 0, 0, 0, 7}),
                      i32(0)}))},
      {"later main data lines overwrite what they give",
       count("1") +
           "<image_effect_main_data>\n1 2 3 4 5 6 a_long_name.bmp 8 9 10 11 12 13 14 15 16\n"
           "21 22 23 24 25 26 b.bmp\n</image_effect_main_data>\n",
       output(1,
              cat({main_data({21, 22, 23, 24, 25, 26}, "b.bmp", {8, 9, 10, 11, 12, 13, 14, 15, 16}),
                   i32(0)}))},
      // Only "</image_effect_data>" outside every section closes an effect.
      {"closing tag inside a section",
       count("2") +
           "<image_effect_pos_number>\n3\n</image_effect_pos_number>\n"
           "<image_effect_pos_data>\n1 1 1 1\n</image_effect_data>\n2 2 2 2\n"
           "</image_effect_pos_data>\n"
           "<image_effect_main_data>\n</image_effect_data>\n</image_effect_main_data>\n"
           "</image_effect_data>\n" +
           effect("9 0 0 0 0 0 second.bmp"),
       output(2, cat({zeros(320), i32(3), ints({1, 1, 1, 1, 0, 0, 0, 0, 2, 2, 2, 2}),
                      main_data({9, 0, 0, 0, 0, 0}, "second.bmp", {}), i32(0)}))},
      {"surplus effects are ignored",
       count("1") + effect("1 1 1 1 1 1 one.bmp") +
           effect("2 2 2 2 2 2 two.bmp", "5 5 5 5\n", "1") + "</image_effect_data>\n",
       output(1, cat({main_data({1, 1, 1, 1, 1, 1}, "one.bmp", {}), i32(0)}))},
      {"count 0", count("0") + effect("1 2 3 4 5 6 x.bmp"), output(0, {})},
      {"negative count", count("-1") + effect("1 2 3 4 5 6 x.bmp"), count_file("image_effect", -1)},
      {"count too large", count("6628036"), count_file("image_effect", 6628036)},
  });
}

TEST(ImageEffects, PositionCountWithoutAListIsWrittenAsZero) {
  for (const char* n : {"-2", "134217728"}) {
    ImageEffects c;
    RecordingReport report;
    EXPECT_EQ(convert(c, count("1") + effect("", "1 2 3 4\n", n), report),
              output(1, cat({zeros(320), i32(0)})))
        << n;
    EXPECT_TRUE(report.has(Note::TableRefused)) << n;
  }
}

// Lists are refused when the data field could no longer count its bytes, never cut short. The
// lists are made but never written: 1.6 GB of address space, not of memory.
TEST(ImageEffects, ListsStayWithinWhatTheDataSizeCounts) {
  ImageEffects c;
  const std::string source = count("2") + effect("", "", "100000000") + effect("", "", "100000000");
  MemorySource in(source);
  RecordingReport report;
  ASSERT_TRUE(c.read(in, report));
  EXPECT_EQ(c.effects[0].positions.size(), 100000000u);
  EXPECT_FALSE(c.effects[1].positions.present());
  EXPECT_EQ(c.effects[1].position_count, 100000000);
  // Replacing a list gives its bytes back first.
  const std::string twice = count("1") + effect("", "", "100000000\n100000000");
  MemorySource again(twice);
  ASSERT_TRUE(c.read(again, report));
  EXPECT_EQ(c.effects[0].positions.size(), 100000000u);
}

}  // namespace
}  // namespace kelv::test
