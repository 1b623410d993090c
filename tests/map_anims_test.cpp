#include <gtest/gtest.h>

#include <string>

#include "convert/images/map_anims.h"
#include "support.h"

namespace kelv::test {
namespace {

const std::string kMain = "<map_anim_main_data>\n10 20 30 anim.bmp\n</map_anim_main_data>\n";

std::string count(std::string_view n) {
  return "<map_anim_number>\n" + std::string(n) + "\n</map_anim_number>\n";
}

// One animation block: its position count, its position lines and the closing tag.
std::string block(std::string_view position_count, std::string_view positions) {
  return "<map_anim_pos_number>\n" + std::string(position_count) +
         "\n</map_anim_pos_number>\n<map_anim_pos_data>\n" + std::string(positions) +
         "</map_anim_pos_data>\n</map_anim_data>\n";
}

// Written as the name, then values 2, 3 and 1.
Bytes main_data(std::string_view name, std::int32_t v1, std::int32_t v2, std::int32_t v3) {
  return field("map_anim_main_data", cat({counted(name), ints({v2, v3, v1})}));
}

const Bytes kMainData = main_data("anim.bmp", 10, 20, 30);

Bytes output(std::int32_t n, const Bytes& data) {
  return keyed(3, {kMainData, field("map_anim_number", i32(n)), field("map_anim_data", data)});
}

TEST(MapAnimations, Sources) {
  const std::string two = kMain + count("2");
  expect_outputs<MapAnimations>({
      {"two blocks", two + block("3", "1 2\n3 4\n5 6\n") + block("1", "-7 8\n"),
       output(2, cat({i32(3), ints({1, 2, 3, 4, 5, 6}), i32(1), ints({-7, 8})}))},
      {"missing positions stay zero", two + block("2", "1 1\n"),
       output(2, cat({i32(2), ints({1, 1, 0, 0}), i32(0)}))},
      {"third block ignored", two + block("1", "1 1\n") + block("1", "2 2\n") + block("1", "3 3\n"),
       output(2, cat({i32(1), ints({1, 1}), i32(1), ints({2, 2})}))},
      {"surplus positions", two + block("1", "1 1\n2 2\n"),
       output(2, cat({i32(1), ints({1, 1}), i32(0)}))},
      // Without a closing line between them, the second block replaces the first.
      {"unclosed blocks",
       two + "<map_anim_pos_number>\n3\n</map_anim_pos_number>\n" + block("1", "9 9\n"),
       output(2, cat({i32(1), ints({9, 9}), i32(0)}))},
      // The position count tag also starts the list over.
      {"count tag restarts",
       two + "<map_anim_pos_number>\n2\n</map_anim_pos_number>\n<map_anim_pos_data>\n1 1\n"
             "</map_anim_pos_data>\n<map_anim_pos_number>\n</map_anim_pos_number>\n"
             "<map_anim_pos_data>\n2 2\n</map_anim_pos_data>\n</map_anim_data>\n",
       output(2, cat({i32(2), ints({2, 2, 0, 0}), i32(0)}))},
      {"closing line inside a section is one of its lines",
       two +
           "<map_anim_pos_number>\n3\n</map_anim_pos_number>\n"
           "<map_anim_pos_data>\n1 1\n</map_anim_data>\n2 2\n"
           "</map_anim_pos_data>\n</map_anim_data>\n" +
           block("1", "3 3\n"),
       output(2, cat({i32(3), ints({1, 1, 0, 0, 2, 2}), i32(1), ints({3, 3})}))},
      {"negative count", kMain + count("-1") + block("1", "1 1\n"),
       keyed(3, {kMainData, field("map_anim_number", i32(-1))})},
      {"count too large", kMain + count("536870912"),
       keyed(3, {kMainData, field("map_anim_number", i32(536870912))})},
      {"no sections in a fresh run", "just a comment\n",
       keyed(3, {main_data("", 0, 0, 0), field("map_anim_number", i32(0))})},
  });
}

TEST(MapAnimations, PositionCountWithoutAListIsWrittenAsZero) {
  for (const char* n : {"-2", "268435456"}) {
    MapAnimations c;
    RecordingReport report;
    EXPECT_EQ(convert(c, kMain + count("1") + block(n, "1 2\n"), report), output(1, i32(0))) << n;
    EXPECT_TRUE(report.has(Note::TableRefused)) << n;
  }
}

// Lists are made but never written: 1 GB of address space, not of memory.
TEST(MapAnimations, ListsStayWithinWhatTheDataSizeCounts) {
  MapAnimations c;
  RecordingReport report;
  const std::string source = count("2") + block("134217728", "") + block("134217728", "");
  MemorySource in(source);
  ASSERT_TRUE(c.read(in, report));
  EXPECT_EQ(c.animations[0].positions.size(), 134217728u);
  EXPECT_FALSE(c.animations[1].positions.present());
}

// The driver converts every map animation file with the one converter, releasing in between.
TEST(MapAnimations, MainDataCarriesOverToTheNextFile) {
  MapAnimations c;
  convert_once(c, kMain + count("1") + block("1", "1 1\n"));
  EXPECT_EQ(convert_once(c, count("1") + block("1", "2 2\n")),
            output(1, cat({i32(1), ints({2, 2})})));
  // A shorter line gives only what it holds; a shorter name leaves no trace of the longer one.
  EXPECT_EQ(convert(c, "<map_anim_main_data>\n1 2\n5 6 7 b.bmp\n-1\n</map_anim_main_data>\n"),
            keyed(3, {main_data("b.bmp", -1, 6, 7), field("map_anim_number", i32(0))}));
}

}  // namespace
}  // namespace kelv::test
