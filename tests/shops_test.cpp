#include <gtest/gtest.h>

#include <string>

#include "convert/rules/shops.h"
#include "support.h"

namespace kelv::test {
namespace {

// The "shop_data" field's data size counts 32 bytes per shop for the 16 written.
Bytes shops_file(std::int32_t count, std::int32_t declared, const Bytes& shops) {
  return keyed(
      2, {field("shop_number", i32(count)), cat({counted("shop_data"), i32(declared), shops})});
}

// A shop with empty names and no items: 18 bytes written, 34 counted.
Bytes empty_shop(std::int32_t kind = 0) {
  return cat({i32(kind), counted(""), counted(""), i32(0)});
}

// One shop of kind 0 with empty names, whose item count and indexes are `items`.
Bytes one_shop(std::int32_t declared, const Bytes& items) {
  return shops_file(1, declared, cat({i32(0), counted(""), counted(""), items}));
}

const std::string kOne = "<shop_number>\n1\n</shop_number>\n";

TEST(ShopList, Sources) {
  expect_outputs<ShopList>({
      {"declared size",
       kOne +
           "<kind>\n1\n</kind>\n<filename_bg_buy>\nbuy.bmp\n</filename_bg_buy>\n"
           "<filename_bg_sell>\nsell.bmp\n</filename_bg_sell>\n<item_number>\n2\n</item_number>\n"
           "<item_index>\n3\n5\n</item_index>\n</shop_data>\n",
       shops_file(1, 57, cat({i32(1), counted("buy.bmp"), counted("sell.bmp"), ints({2, 3, 5})}))},
      {"two shops",
       "<shop_number>\n2\n</shop_number>\n<kind>\n1\n</kind>\n</shop_data>\n"
       "<kind>\n2\n</kind>\n<item_number>\n1\n</item_number>\n<item_index>\n9\n</item_index>\n"
       "</shop_data>\n",
       shops_file(2, 34 + 38,
                  cat({empty_shop(1), i32(2), counted(""), counted(""), ints({1, 9})}))},
      // Without "</shop_data>" the second shop's lines overwrite the first's.
      {"missing closing tag",
       "<shop_number>\n2\n</shop_number>\n<kind>\n1\n</kind>\n<kind>\n2\n</kind>\n</shop_data>\n",
       shops_file(2, 68, cat({empty_shop(2), empty_shop()}))},
      {"more closings than shops",
       kOne + "<kind>\n1\n</kind>\n</shop_data>\n<kind>\n2\n</kind>\n</shop_data>\n<kind>\n3\n</"
              "kind>\n",
       shops_file(1, 34, empty_shop(1))},
      // Inside the count section the closing tag is a count line: the table is made again and
      // the shop index stays.
      {"closing tag inside the count section",
       "<shop_number>\n2\n</shop_data>\n</shop_number>\n<kind>\n4\n</kind>\n</shop_data>\n"
       "<kind>\n5\n</kind>\n",
       shops_file(2, 68, cat({empty_shop(4), empty_shop(5)}))},
      {"a second count section after data lines",
       "<shop_number>\n2\n</shop_number>\n<kind>\n1\n</kind>\n</shop_data>\n"
       "<shop_number>\n2\n</shop_number>\n<kind>\n9\n</kind>\n",
       shops_file(2, 68, cat({empty_shop(), empty_shop(9)}))},
      // Names are whole lines, blanks kept; the last line of the section wins, an empty one too.
      {"names",
       kOne + "<filename_bg_buy>\n  bg shop 1.bmp \n</filename_bg_buy>\n"
              "<filename_bg_sell>\nsell.bmp\n\n</filename_bg_sell>\n",
       shops_file(1, 32 + 17 + 1, cat({i32(0), counted("  bg shop 1.bmp "), counted(""), i32(0)}))},
      {"no item count section", kOne + "<item_index>\n1\n</item_index>\n", one_shop(34, i32(0))},
      {"missing indexes stay 0", kOne + "<item_number>\n3\n</item_number>\n<item_index>\n7\n",
       one_shop(46, ints({3, 7, 0, 0}))},
      {"lines beyond the count",
       kOne + "<item_number>\n1\n</item_number>\n<item_index>\n7\n8\n</item_index>\n",
       one_shop(38, ints({1, 7}))},
      {"each item index section starts again",
       kOne + "<item_number>\n2\n</item_number>\n<item_index>\n7\n8\n</item_index>\n"
              "<item_index>\n9\n</item_index>\n",
       one_shop(42, ints({2, 9, 8}))},
      // Shops without an index array are written as shops of no items.
      {"negative item count", kOne + "<item_number>\n-2\n</item_number>\n<item_index>\n1\n",
       one_shop(34, i32(0))},
      {"item count too large for the field",
       kOne + "<item_number>\n536870776\n</item_number>\n<item_index>\n1\n", one_shop(34, i32(0))},
      {"no shop count", "<kind>\n1\n</kind>\n", count_file("shop", 0)},
      {"shop count 0", "<shop_number>\n0\n</shop_number>\n<kind>\n1\n</kind>\n",
       shops_file(0, 0, {})},
      {"negative shop count", "<shop_number>\n-1\n</shop_number>\n<kind>\n1\n</kind>\n",
       count_file("shop", -1)},
      // More shops than the field's data size can count with full names.
      {"shop count too large", "<shop_number>\n3947581\n</shop_number>\n",
       count_file("shop", 3947581)},
  });
}

// The reader starts from an empty table even when nothing released the last one.
TEST(ShopList, ReaderStartsEmpty) {
  ShopList c;
  convert(c, kOne);
  EXPECT_EQ(convert(c, ""), count_file("shop", 0));
}

}  // namespace
}  // namespace kelv::test
