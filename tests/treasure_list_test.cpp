#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/world/treasure_list.h"
#include "files_support.h"
#include "support.h"
#include "temp_dir.h"

namespace kelv::test {
namespace {

TEST(TreasureList, Sources) {
  expect_outputs<TreasureList>({
      {"the nine values of each line",
       "<treasure_number>\n3\n</treasure_number>\n"
       "<treasure_data>\n1 2 3 4 5 6 7 8 9\n1 2 3 4 5\n</treasure_data>\n",
       table_file("treasure", 3,
                  cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9}), ints({1, 2, 3, 4, 5}), zeros(52)}))},
      // The running index goes on across data sections and a later count line.
      {"running index never reset",
       "<treasure_number>\n3\n</treasure_number>\n<treasure_data>\n1\n</treasure_data>\n"
       "<treasure_data>\n2\n</treasure_data>\n<treasure_number>\n3\n</treasure_number>\n"
       "<treasure_data>\n3\n</treasure_data>\n",
       table_file("treasure", 3, cat({zeros(72), ints({3}), zeros(32)}))},
      {"no sections", "no sections at all\n", count_file("treasure", 0)},
      {"count 0", "<treasure_number>\n0\n</treasure_number>\n", table_file("treasure", 0, {})},
      {"negative count", "<treasure_number>\n-1\n</treasure_number>\n", count_file("treasure", -1)},
  });
}

// A line that finds no free record refuses the whole source: no file, and the reason says where.
TEST(TreasureList, LinesWithoutAFreeRecordRefuseTheSource) {
  struct Case {
    const char* source;
    const char* refusal;
  };
  const Case cases[] = {
      {"<treasure_number>\n2\n</treasure_number>\n<treasure_data>\n1\n2\n3\n</treasure_data>\n",
       "line 7: a treasure line finds no free record (treasure_number is 2)"},
      {"<treasure_data>\n1\n2\n3\n</treasure_data>\n",
       "line 2: a treasure line finds no treasure table (no usable <treasure_number> before it), "
       "and 2 more such lines"},
      // The final empty line of an open section needs a record too.
      {"<treasure_number>\n1\n</treasure_number>\n<treasure_data>\n1\n",
       "line 6: a treasure line finds no free record (treasure_number is 1)"},
  };
  for (const Case& k : cases) {
    TreasureList c;
    EXPECT_EQ(convert(c, k.source), Bytes{}) << k.source;
    EXPECT_EQ(c.refusal(), k.refusal);
    c.release();
    // The next conversion starts afresh.
    EXPECT_EQ(convert_once(c, ""), count_file("treasure", 0));
  }
}

TEST(TreasureList, RefusedSourceLeavesNoFileAndFailsTheRun) {
  TempDir dir;
  write_file(dir / "treasure_list.txt",
             "<treasure_number>\n1\n</treasure_number>\n<treasure_data>\n1 2 3\n4 5 6\n"
             "</treasure_data>\n");
  RecordingConsole console;
  EXPECT_EQ(run_driver({dir / "treasure_list.txt"}, system_files(), console), kExitFailed);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{dir / "treasure_list.txt" +
                                     ": not converted: line 6: a treasure line finds no free "
                                     "record (treasure_number is 1)"});
  EXPECT_EQ(dir.names(), std::set<std::string>{"treasure_list.txt"});
}

}  // namespace
}  // namespace kelv::test
