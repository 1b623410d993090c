#include "format/field_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace kelv::test {
namespace {

// The bounds at their edges, with an entry part that leaves the lists ten bytes of the field.
TEST(FieldBudget, EntriesAndListsShareOneField) {
  FieldBudget budget(std::numeric_limits<std::int32_t>::max() - 10);
  Table<char> entries;
  EXPECT_FALSE(budget.make_entries(entries, 2));
  ASSERT_TRUE(budget.make_entries(entries, 1));
  Table<std::int32_t> list;
  Table<std::int32_t> other;
  EXPECT_FALSE(budget.make_list(list, 3));
  EXPECT_TRUE(budget.make_list(list, 2));
  // Replacing a list gives its bytes back first.
  EXPECT_TRUE(budget.make_list(list, 2));
  EXPECT_FALSE(budget.make_list(other, 1));
  EXPECT_FALSE(other.present());
  // New entries start from their parts alone.
  ASSERT_TRUE(budget.make_entries(entries, 1));
  EXPECT_TRUE(budget.make_list(other, 2));
}

}  // namespace
}  // namespace kelv::test
