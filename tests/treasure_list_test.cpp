#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "convert/world/treasure_list.h"
#include "driver/routes.h"
#include "driver/run.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes count_only(std::int32_t n) {
  return keyed(2, {field("treasure_number", i32(n))});
}

TEST(TreasureList, RecordsAreTheNineValuesOfTheirLines) {
  TreasureList c;
  const Bytes out = convert_once(c,
                                 "<treasure_number>\n3\n</treasure_number>\n"
                                 "<treasure_data>\n1 2 3 4 5 6 7 8 9\n1 2 3 4 5\n"
                                 "</treasure_data>\n");
  EXPECT_EQ(out,
            keyed(2, {field("treasure_number", i32(3)),
                      field("treasure_data", cat({ints({1, 2, 3, 4, 5, 6, 7, 8, 9}),
                                                  ints({1, 2, 3, 4, 5}), zeros(16), zeros(36)}))}));
}

TEST(TreasureList, CountsWithoutData) {
  TreasureList c;
  EXPECT_EQ(convert_once(c, "no sections at all\n"), count_only(0));
  EXPECT_EQ(convert_once(c, "<treasure_number>\n0\n</treasure_number>\n"),
            keyed(2, {field("treasure_number", i32(0)), field("treasure_data", {})}));
  EXPECT_EQ(convert_once(c, "<treasure_number>\n-1\n</treasure_number>\n"), count_only(-1));
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
    MemorySource in(k.source);
    SilentReport report;
    EXPECT_FALSE(c.read(in, report)) << k.source;
    EXPECT_EQ(c.refusal(), k.refusal);
    c.release();
    EXPECT_EQ(convert_once(c, k.source), Bytes{});
    // The next conversion starts afresh.
    EXPECT_EQ(convert_once(c, ""), count_only(0));
  }
}

class Messages final : public Console {
 public:
  Answer ask_overwrite(const std::string&) override { return Answer::CannotAsk; }
  void cannot_create(const std::string& output, const Problem&) override {
    errors.push_back("cannot create " + output);
  }
  void error(std::string_view line) override { errors.emplace_back(line); }
  void info(std::string_view) override {}
  std::vector<std::string> errors;
};

TEST(TreasureList, RefusedSourceLeavesNoFileAndFailsTheRun) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("kelv_treasure_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::filesystem::create_directories(dir);
  const std::string source = (dir / "treasure_list.txt").string();
  std::ofstream(source) << "<treasure_number>\n1\n</treasure_number>\n"
                           "<treasure_data>\n1 2 3\n4 5 6\n</treasure_data>\n";
  ASSERT_NE(find_route("treasure_list.txt"), nullptr);
  const char* args[] = {"kelvconv", source.c_str()};
  Messages messages;
  SilentReport report;
  EXPECT_EQ(run(args, system_files(), messages, report), kExitFailed);
  EXPECT_EQ(messages.errors, std::vector<std::string>{
                                 source + ": not converted: line 6: a treasure line finds no free "
                                          "record (treasure_number is 1)"});
  EXPECT_FALSE(std::filesystem::exists(dir / "treasure_list.dat"));
  std::filesystem::remove_all(dir);
}

// The running index goes on across data sections and a later count line.
TEST(TreasureList, RunningIndexIsNeverReset) {
  TreasureList c;
  EXPECT_EQ(convert_once(c,
                         "<treasure_number>\n3\n</treasure_number>\n"
                         "<treasure_data>\n1\n</treasure_data>\n"
                         "<treasure_data>\n2\n</treasure_data>\n"
                         "<treasure_number>\n3\n</treasure_number>\n"
                         "<treasure_data>\n3\n</treasure_data>\n"),
            keyed(2, {field("treasure_number", i32(3)),
                      field("treasure_data", cat({zeros(72), ints({3}), zeros(32)}))}));
}

}  // namespace
}  // namespace kelv::test
