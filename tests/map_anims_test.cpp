#include <gtest/gtest.h>

#include <string>

#include "convert/images/map_anims.h"
#include "support.h"

namespace kelv::test {
namespace {

constexpr std::string_view kMain =
    "<map_anim_main_data>\n10 20 30 anim.bmp\n</map_anim_main_data>\n";

std::string count(std::string_view n) {
  return "<map_anim_number>\n" + std::string(n) + "\n</map_anim_number>\n";
}

// One animation block: its position count, its position lines and the closing tag.
std::string block(std::string_view position_count, std::string_view positions) {
  return "<map_anim_pos_number>\n" + std::string(position_count) +
         "\n</map_anim_pos_number>\n<map_anim_pos_data>\n" + std::string(positions) +
         "</map_anim_pos_data>\n</map_anim_data>\n";
}

Bytes main_data(std::string_view name, std::int32_t v1, std::int32_t v2, std::int32_t v3) {
  return field("map_anim_main_data", cat({counted(name), ints({v2, v3, v1})}));
}

Bytes output(std::int32_t n, const Bytes& data) {
  return keyed(3, {main_data("anim.bmp", 10, 20, 30), field("map_anim_number", i32(n)),
                   field("map_anim_data", data)});
}

TEST(MapAnimations, MainDataAsNameThenValuesTwoThreeOne) {
  MapAnimations c;
  const Bytes out = convert_once(
      c, std::string(kMain) + count("2") + block("3", "1 2\n3 4\n5 6\n") + block("1", "-7 8\n"));
  EXPECT_EQ(out, output(2, cat({i32(3), ints({1, 2, 3, 4, 5, 6}), i32(1), ints({-7, 8})})));
  EXPECT_EQ(main_data("anim.bmp", 10, 20, 30).size(), 4 + 19 + 4 + 25u);
}

TEST(MapAnimations, BlocksFillInOrderAndWhatIsMissingStaysZero) {
  struct Case {
    const char* name;
    std::string body;
    Bytes data;
  };
  const Case cases[] = {
      {"one block of two", block("2", "1 1\n"), cat({i32(2), ints({1, 1, 0, 0}), i32(0)})},
      {"third block ignored", block("1", "1 1\n") + block("1", "2 2\n") + block("1", "3 3\n"),
       cat({i32(1), ints({1, 1}), i32(1), ints({2, 2})})},
      {"surplus positions", block("1", "1 1\n2 2\n"), cat({i32(1), ints({1, 1}), i32(0)})},
      // Without a closing line between them, the second block replaces the first.
      {"unclosed blocks",
       "<map_anim_pos_number>\n3\n</map_anim_pos_number>\n" + block("1", "9 9\n"),
       cat({i32(1), ints({9, 9}), i32(0)})},
      // The position count tag also starts the list over.
      {"count tag restarts",
       "<map_anim_pos_number>\n2\n</map_anim_pos_number>\n<map_anim_pos_data>\n1 1\n"
       "</map_anim_pos_data>\n<map_anim_pos_number>\n</map_anim_pos_number>\n"
       "<map_anim_pos_data>\n2 2\n</map_anim_pos_data>\n</map_anim_data>\n",
       cat({i32(2), ints({2, 2, 0, 0}), i32(0)})},
  };
  for (const Case& k : cases) {
    MapAnimations c;
    EXPECT_EQ(convert_once(c, std::string(kMain) + count("2") + k.body), output(2, k.data))
        << k.name;
  }
}

TEST(MapAnimations, ClosingLineInsideASectionIsOneOfItsLines) {
  MapAnimations c;
  EXPECT_EQ(convert_once(c, std::string(kMain) + count("2") +
                                "<map_anim_pos_number>\n3\n</map_anim_pos_number>\n"
                                "<map_anim_pos_data>\n1 1\n</map_anim_data>\n2 2\n"
                                "</map_anim_pos_data>\n</map_anim_data>\n" +
                                block("1", "3 3\n")),
            output(2, cat({i32(3), ints({1, 1, 0, 0, 2, 2}), i32(1), ints({3, 3})})));
}

TEST(MapAnimations, PositionCountWithoutAListIsWrittenAsZero) {
  for (const char* n : {"-2", "268435456"}) {
    MapAnimations c;
    RecordingReport report;
    const std::string source = std::string(kMain) + count("1") + block(n, "1 2\n");
    MemorySource in(source);
    ASSERT_TRUE(c.read(in, report));
    EXPECT_TRUE(report.has(Note::TableRefused)) << n;
    EXPECT_EQ(c.write().bytes(), output(1, i32(0))) << n;
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

TEST(MapAnimations, CountsWithoutATable) {
  MapAnimations c;
  EXPECT_EQ(convert_once(c, std::string(kMain) + count("-1") + block("1", "1 1\n")),
            keyed(3, {main_data("anim.bmp", 10, 20, 30), field("map_anim_number", i32(-1))}));
  EXPECT_EQ(
      convert_once(c, count("536870912")),
      keyed(3, {main_data("anim.bmp", 10, 20, 30), field("map_anim_number", i32(536870912))}));
}

TEST(MapAnimations, NoSectionsInAFreshRun) {
  MapAnimations c;
  EXPECT_EQ(convert_once(c, "just a comment\n"),
            keyed(3, {main_data("", 0, 0, 0), field("map_anim_number", i32(0))}));
}

// The driver converts every map animation file with the one converter, releasing in between.
TEST(MapAnimations, MainDataCarriesOverToTheNextFile) {
  MapAnimations c;
  convert(c, std::string(kMain) + count("1") + block("1", "1 1\n"));
  c.release();
  EXPECT_EQ(convert(c, count("1") + block("1", "2 2\n")), output(1, cat({i32(1), ints({2, 2})})));
  c.release();
  // A shorter line gives only what it holds; a shorter name leaves no trace of the longer one.
  EXPECT_EQ(convert(c, "<map_anim_main_data>\n1 2\n5 6 7 b.bmp\n-1\n</map_anim_main_data>\n"),
            keyed(3, {main_data("b.bmp", -1, 6, 7), field("map_anim_number", i32(0))}));
}

}  // namespace
}  // namespace kelv::test
