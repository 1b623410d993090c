// The keyed data checker the fuzz targets rely on: it must accept what the writers may write and
// refuse anything a loader could not walk.
#include <gtest/gtest.h>

#include <string>

#include "support.h"
#include "well_formed.h"

namespace kelv::test {
namespace {

std::string problem(const Bytes& b) {
  return check::well_formed(b);
}

// A field record whose data size is given, whatever follows.
Bytes declared(std::string_view name, std::int32_t size, const Bytes& data) {
  return cat({counted(name), i32(size), data});
}

// One shop as the shop writer writes it: kind, two counted names, item count, the indexes.
Bytes shop(std::int32_t kind, std::string_view buy, std::string_view sell,
           std::initializer_list<std::int32_t> items) {
  return cat({i32(kind), counted(buy), counted(sell), i32(static_cast<std::int32_t>(items.size())),
              ints(items)});
}

TEST(WellFormed, AcceptsWhatWritersWrite) {
  EXPECT_EQ(problem(keyed(0, {})), "");
  EXPECT_EQ(problem(keyed(2, {field("a", ints({1, 2})), field("b", counted("x"))})), "");
  EXPECT_EQ(problem(keyed(1, {field("empty", {})})), "");
  // Records of absent tables left out: fewer records than the count.
  EXPECT_EQ(problem(keyed(3, {field("a", i32(0))})), "");
}

TEST(WellFormed, RefusesWhatALoaderCannotWalk) {
  const struct {
    const char* what;
    Bytes bytes;
    const char* says;
  } cases[] = {
      {"nothing", {}, "no field count"},
      {"a cut count", {1, 0}, "no field count"},
      {"a negative count", i32(-1), "negative field count -1"},
      {"one record too many", keyed(1, {field("a", {}), field("b", {})}),
       "more field records than the field count 1 (at byte 14)"},
      {"bytes after the last record", cat({keyed(1, {field("a", i32(1))}), zeros(1)}),
       "more field records than the field count 1 (at byte 18)"},
      {"a size beyond the end", keyed(1, {declared("a", 5, i32(1))}),
       "a: declares 5 data bytes where 4 follow (at byte 14)"},
      {"a negative size", keyed(1, {declared("a", -4, i32(1))}),
       "a: negative data size -4 (at byte 14)"},
      {"a name without its NUL", cat({i32(1), i32(1), text("a"), i32(0)}),
       "field record 0 name: no NUL at its end (at byte 8)"},
      {"a NUL inside a name", cat({i32(1), i32(3), text("a"), zeros(2), i32(0)}),
       "field record 0 name: NUL inside (at byte 8)"},
      {"an empty name", keyed(1, {field("", {})}), "field record 0: empty name (at byte 9)"},
      {"a name length past the end", cat({i32(1), i32(9), text("ab")}),
       "field record 0 name: length 9 with 2 bytes left (at byte 8)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(problem(c.bytes), c.says) << c.what;
}

TEST(WellFormed, ShopDataOvershootsBySixteenPerShopExactly) {
  const Bytes shops = cat({shop(1, "buy.png", "sell.png", {3, 5}), shop(0, "", "", {})});
  const auto size = static_cast<std::int32_t>(shops.size());
  const auto file = [&](std::int32_t count, std::int32_t data_size, const Bytes& data) {
    return keyed(2, {field("shop_number", i32(count)), declared("shop_data", data_size, data)});
  };
  EXPECT_EQ(problem(file(2, size + 32, shops)), "");
  EXPECT_EQ(problem(file(0, 0, {})), "");
  EXPECT_EQ(problem(keyed(2, {field("shop_number", i32(-1))})), "");  // no table, no shop_data

  EXPECT_EQ(problem(file(2, size, shops)),
            "shop_data declares 59 bytes where 59 follow for 2 shops (16 more per shop expected) "
            "(at byte 46)");
  EXPECT_EQ(problem(file(2, size + 64, shops)),
            "shop_data declares 123 bytes where 59 follow for 2 shops (16 more per shop "
            "expected) (at byte 46)");
  // An item count whose indexes are not there.
  const Bytes missing = cat({i32(1), counted(""), counted(""), i32(2), i32(7)});
  EXPECT_EQ(problem(file(1, static_cast<std::int32_t>(missing.size()) + 16, missing)),
            "shop 0: item count 2 with 4 bytes left (at byte 64)");
  // Anything after the shops.
  const Bytes more = cat({shops, i32(0)});
  EXPECT_EQ(problem(file(2, static_cast<std::int32_t>(more.size()) + 32, more)),
            "shop_data: bytes after the last shop (at byte 105)");
  EXPECT_EQ(problem(keyed(1, {declared("shop_data", 16, {})})),
            "shop_data without a shop count (shop_number) before it (at byte 22)");
}

}  // namespace
}  // namespace kelv::test
