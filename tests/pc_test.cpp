#include <gtest/gtest.h>

#include <string>

#include "convert/world/pc.h"
#include "support.h"

namespace kelv::test {
namespace {

struct Expected {
  std::string name{};
  Bytes main = zeros(84);
  Bytes image = cat({counted(""), zeros(36), counted(""), zeros(36), zeros(32)});
  Bytes equipment = zeros(20);
  std::int32_t capacity = 0;
  std::int32_t count = 0;
  bool items_present = false;
  Bytes items{};
};

// The keys are paired with the contents one place off: the equipment values under
// "pc_equipment_number", the capacity under "pc_equipment_data", the count under
// "pc_item_max_number", the items under "pc_item_number".
Bytes pc_file(const Expected& e) {
  Bytes out = keyed(
      8, {field("pc_name", counted(e.name)), field("pc_main_data", e.main),
          field("pc_image_data", e.image), field("pc_equipment_number", e.equipment),
          field("pc_equipment_data", i32(e.capacity)), field("pc_item_max_number", i32(e.count))});
  if (e.items_present) out = cat({out, field("pc_item_number", e.items)});
  return out;
}

TEST(PlayerCharacter, NameMainAndImages) {
  PlayerCharacter c;
  const std::string long_name(70, 'x');
  const Bytes out = convert_once(
      c, "<pc_name>\n\x83\x41\x83\x8b \x83\x5c\x83\x93\n" + long_name +
             "\n</pc_name>\n"
             "<pc_main_data>\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22\n"
             "</pc_main_data>\n"
             "<pc_chip_data>\nchip.bmp 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17\n</pc_chip_data>\n"
             "<pc_face_data>\nface.bmp 9 8 7\n</pc_face_data>\n");
  Expected e;
  e.name = long_name.substr(0, 64);
  e.main = ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21});
  e.image = cat({counted("chip.bmp"), ints({1, 2, 3, 4, 5, 6, 7, 8, 9}), counted("face.bmp"),
                 ints({9, 8, 7}), zeros(24), ints({10, 11, 12, 13, 14, 15, 16, 17})});
  EXPECT_EQ(out, pc_file(e));
}

// The equipment count is clamped at 5. The item count is cut against the capacity; with a list,
// the count written (in both fields) is never negative and never past the list; without one, it
// is written as scanned.
TEST(PlayerCharacter, EquipmentAndItemCounts) {
  struct Case {
    const char* source;
    Expected e;
  };
  const Case cases[] = {
      {"<pc_equipment_number>\n9\n</pc_equipment_number>\n"
       "<pc_equipment_data>\n1\n2\n3\n4\n5\n6\n7\n</pc_equipment_data>\n",
       {.equipment = ints({1, 2, 3, 4, 5})}},
      {"<pc_equipment_number>\n2\n</pc_equipment_number>\n"
       "<pc_equipment_data>\n1\n2\n3\n4\n</pc_equipment_data>\n",
       {.equipment = ints({1, 2, 0, 0, 0})}},
      {"<pc_equipment_data>\n1\n2\n</pc_equipment_data>\n"
       "<pc_equipment_number>\n2\n</pc_equipment_number>\n",
       {}},
      {"<pc_equipment_number>\n-1\n</pc_equipment_number>\n"
       "<pc_equipment_data>\n1\n</pc_equipment_data>\n",
       {}},
      {"<pc_item_max_number>\n10\n</pc_item_max_number>\n<pc_item_number>\n12\n</pc_item_number>\n",
       {.capacity = 10, .count = 10, .items_present = true, .items = zeros(80)}},
      {"<pc_item_max_number>\n3\n</pc_item_max_number>\n<pc_item_number>\n2\n</pc_item_number>\n"
       "<pc_item_data>\n5 1\n6\n7 1\n</pc_item_data>\n",
       {.capacity = 3, .count = 2, .items_present = true, .items = ints({5, 1, 6, 0})}},
      // The count before the capacity is cut against 0.
      {"<pc_item_number>\n2\n</pc_item_number>\n<pc_item_max_number>\n3\n</pc_item_max_number>\n"
       "<pc_item_data>\n5 1\n</pc_item_data>\n",
       {.capacity = 3, .items_present = true}},
      // A second capacity starts a new empty list.
      {"<pc_item_max_number>\n2\n</pc_item_max_number>\n<pc_item_number>\n2\n</pc_item_number>\n"
       "<pc_item_data>\n5 1\n</pc_item_data>\n<pc_item_max_number>\n2\n</pc_item_max_number>\n",
       {.capacity = 2, .count = 2, .items_present = true, .items = zeros(16)}},
      {"<pc_item_max_number>\n2\n</pc_item_max_number>\n<pc_item_number>\n-3\n</pc_item_number>\n"
       "<pc_item_data>\n1 1\n</pc_item_data>\n",
       {.capacity = 2, .items_present = true}},
      // A later, smaller capacity leaves the count of 4 past the list of 1.
      {"<pc_item_max_number>\n4\n</pc_item_max_number>\n<pc_item_number>\n4\n</pc_item_number>\n"
       "<pc_item_max_number>\n1\n</pc_item_max_number>\n"
       "<pc_item_data>\n1 1\n2 2\n3 3\n</pc_item_data>\n",
       {.capacity = 1, .count = 1, .items_present = true, .items = ints({1, 1})}},
      {"<pc_item_max_number>\n-2\n</pc_item_max_number>\n<pc_item_number>\n5\n</pc_item_number>\n"
       "<pc_item_data>\n1 1\n</pc_item_data>\n",
       {.capacity = -2, .count = -2}},
  };
  PlayerCharacter c;
  for (const Case& k : cases)
    EXPECT_EQ(convert_once(c, k.source), pc_file(k.e)) << k.source;
}

TEST(PlayerCharacter, EachReadingStartsFromAResetRecord) {
  PlayerCharacter c;
  EXPECT_EQ(convert(c, ""), pc_file({}));
  ASSERT_NE(
      convert(c, "<pc_name>\nHero\n</pc_name>\n<pc_item_max_number>\n1\n</pc_item_max_number>\n"),
      pc_file({}));
  // Read again without the release: the reader resets the record itself.
  EXPECT_EQ(convert(c, ""), pc_file({}));
  c.release();
  EXPECT_FALSE(c.items.present());
}

}  // namespace
}  // namespace kelv::test
