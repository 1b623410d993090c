#include "format/counted_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "support.h"

namespace kelv::test {
namespace {

// What the count and data lines tell the report beside what they store.
TEST(CountedTable, CountLinesMakeTablesOrSayWhy) {
  RecordingReport report;
  CountedTable<std::int32_t> list;
  list.count_line(Line("2", 1, 1, report));
  ASSERT_EQ(list.table.size(), 2u);
  list.table[0] = 7;
  // No number: the count stays, and the new table has lost the record.
  list.count_line(Line("none", 1, 2, report));
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(list.table[0], 0);
  list.count_line(Line("-1", 1, 3, report));
  EXPECT_FALSE(list.table.present());
  // Three records of four bytes do not fit a bound of eight.
  list.count_line(Line("3", 1, 4, report), 8);
  EXPECT_FALSE(list.table.present());
  ASSERT_EQ(report.findings.size(), 3u);
  EXPECT_EQ(report.findings[0].note, Note::ScanStopped);
  for (const auto& [i, line, count] : {std::tuple{1, 3u, -1}, std::tuple{2, 4u, 3}}) {
    const Finding& f = report.findings[static_cast<std::size_t>(i)];
    EXPECT_EQ(f.note, Note::TableRefused);
    EXPECT_EQ(f.line, line);
    EXPECT_EQ(f.a, count);
  }
}

TEST(CountedTable, DataLinesTakeRecordsUntilTheTableIsFull) {
  RecordingReport report;
  CountedTable<std::int32_t> list;
  std::int64_t index = 0;
  EXPECT_EQ(list.next(Line("", 2, 1, report), index), nullptr);
  list.count_line(Line("1", 1, 2, report));
  EXPECT_EQ(list.next(Line("", 2, 3, report), index), &list.table[0]);
  EXPECT_EQ(list.next(Line("", 2, 4, report), index), nullptr);
  EXPECT_EQ(index, 1);
  ASSERT_EQ(report.findings.size(), 2u);
  EXPECT_EQ(report.findings[0].note, Note::LineUnused);
  EXPECT_EQ(report.findings[1].line, 4u);
}

TEST(CountedTable, CountsOfFixedListsAreCutToTheirSize) {
  RecordingReport report;
  std::int32_t count = 0;
  count_line_at_most(Line("12", 1, 1, report), count, 10);
  EXPECT_EQ(count, 10);
  count_line_at_most(Line("-3", 1, 2, report), count, 10);
  EXPECT_EQ(count, -3);
  ASSERT_EQ(report.findings.size(), 1u);
  EXPECT_EQ(report.findings[0].note, Note::CountClamped);
  EXPECT_EQ(report.findings[0].a, 12);
  EXPECT_EQ(report.findings[0].b, 10);
}

}  // namespace
}  // namespace kelv::test
