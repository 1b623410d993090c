#include "driver/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support.h"
#include "temp_dir.h"

namespace kelv::test {
namespace {

// The user's side, answered by the test.
class FakeConsole final : public Console {
 public:
  Answer ask_overwrite(const std::string& output) override {
    asked.push_back(output);
    if (on_ask) on_ask();
    if (answers.empty()) return Answer::CannotAsk;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void cannot_create(const std::string& output, const Problem& reason) override {
    errors.push_back(output + ": cannot create: " + reason);
  }
  void error(std::string_view line) override { errors.emplace_back(line); }
  void info(std::string_view line) override { infos.emplace_back(line); }
  void finished(const RunResults& told) override {
    results = told;
    failures.clear();
    for (const RunResults::Entry& e : told.failures)
      failures.push_back(e.path + ": " + e.message);
  }
  void summary(const RunSummary& run) override { summaries.push_back(run.line()); }
  std::size_t columns() override { return terminal_columns; }

  std::deque<Answer> answers;
  std::function<void()> on_ask;
  std::vector<std::string> asked;
  std::vector<std::string> errors;
  std::vector<std::string> infos;
  std::vector<std::string> failures;   // as told at the end of the run
  RunResults results;                  // the last run's
  std::vector<std::string> summaries;  // each run's
  std::size_t terminal_columns = 80;
};

class Driver : public ::testing::Test {
 protected:
  int kelvconv(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvconv");
    std::vector<const char*> argv;
    for (const std::string& a : args)
      argv.push_back(a.c_str());
    return run(argv, system_files(), console);
  }

  TempDir dir;
  FakeConsole console;
};

const std::string kStart3 = "<start_scene_index>\n3\n</start_scene_index>\n";

Bytes start_dat(std::int32_t index) {
  return keyed(1, {field("start_scene_index", i32(index))});
}

TEST_F(Driver, NoArgumentsConvertsNothingAndSaysHowItIsUsed) {
  write_file(dir / "start_game.txt", kStart3);
  EXPECT_EQ(kelvconv({}), kExitOk);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_EQ(console.errors[0].rfind("Usage: kelvconv [OPTION]... FILE|FOLDER...\n", 0), 0u);
  EXPECT_NE(console.errors[0].find("'kelvconv --help'"), std::string::npos);
  EXPECT_TRUE(console.infos.empty());
  EXPECT_EQ(dir.names(), std::set<std::string>{"start_game.txt"});
}

// --explain fits a terminal of 80 columns or fewer in 79, and uses a wider one up to 100.
TEST_F(Driver, ExplainTakesTheWidthOfAWideTerminal) {
  for (const auto& [columns, widest] :
       {std::pair<std::size_t, std::size_t>{40, 79}, {80, 79}, {91, 90}, {200, 100}}) {
    console.terminal_columns = columns;
    console.infos.clear();
    ASSERT_EQ(kelvconv({"--explain", "scene"}), kExitOk);
    ASSERT_EQ(console.infos.size(), 1u);
    std::size_t most = 0;
    for (std::size_t at = 0, end = 0; at < console.infos[0].size(); at = end + 1) {
      end = console.infos[0].find('\n', at);
      most = std::max(most,
                      display_width(std::string_view(console.infos[0])
                                        .substr(at, std::min(end, console.infos[0].size()) - at)));
    }
    EXPECT_LE(most, widest) << columns;
    EXPECT_GE(most, widest - 8) << columns;
  }
}

TEST_F(Driver, ConvertsRecognisedNamesAndSkipsOthers) {
  // The upper-case name in a folder of its own: on Windows the two names are one file.
  write_file(dir / "start_game.txt", kStart3);
  write_file(dir / "upper/START_GAME.TXT", kStart3);
  write_file(dir / "notes.txt", "hello");
  EXPECT_EQ(
      kelvconv({"-v", dir / "start_game.txt", dir / "upper/START_GAME.TXT", dir / "notes.txt"}),
      kExitOk);
  EXPECT_EQ(read_file(dir / "start_game.dat"), start_dat(3));
  EXPECT_EQ(dir.names(),
            (std::set<std::string>{"notes.txt", "start_game.dat", "start_game.txt", "upper"}));
  EXPECT_EQ(file_text(dir / "upper/START_GAME.dat"), "<missing>");
  EXPECT_EQ(console.infos, (std::vector<std::string>{
                               dir / "start_game.txt" + " -> " + dir / "start_game.dat",
                               dir / "notes.txt" + ": skipped: not a source kelvconv knows"}));
  EXPECT_EQ(console.errors,
            std::vector<std::string>{dir / "upper/START_GAME.TXT" +
                                     ": warning: no kind of source has this name: did you mean "
                                     "start_game.txt? (names compare byte for byte, case and all) "
                                     "[name]"});
  EXPECT_TRUE(console.failures.empty());
  EXPECT_EQ(console.summaries,
            std::vector<std::string>{"1 file converted, 2 skipped, 1 warning"});
}

TEST_F(Driver, SameNameFromTwoFoldersCarriesValuesOver) {
  write_file(dir / "a/start_game.txt", "<start_scene_index>\n-3\n</start_scene_index>\n");
  write_file(dir / "b/start_game.txt", "no section here\n");
  EXPECT_EQ(kelvconv({dir / "a/start_game.txt", dir / "b/start_game.txt"}), kExitOk);
  EXPECT_EQ(read_file(dir / "a/start_game.dat"), start_dat(-3));
  EXPECT_EQ(read_file(dir / "b/start_game.dat"), start_dat(-3));
  // In a run of its own, the second file writes the value every run starts from.
  EXPECT_EQ(kelvconv({"-y", dir / "b/start_game.txt"}), kExitOk);
  EXPECT_EQ(read_file(dir / "b/start_game.dat"), start_dat(0));
}

TEST_F(Driver, OverwriteQuestion) {
  write_file(dir / "start_game.txt", kStart3);
  write_file(dir / "start_game.dat", "old");
  console.answers = {Answer::No};
  EXPECT_EQ(kelvconv({dir / "start_game.txt"}), kExitOk);
  EXPECT_EQ(console.asked, std::vector<std::string>{dir / "start_game.dat"});
  EXPECT_EQ(read_file(dir / "start_game.dat"), text("old"));

  console.answers = {Answer::Yes};
  EXPECT_EQ(kelvconv({dir / "start_game.txt"}), kExitOk);
  EXPECT_EQ(read_file(dir / "start_game.dat"), start_dat(3));
  EXPECT_TRUE(console.errors.empty());
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
}

// Outputs wait to be put in place together, except where that would change what the user sees:
// before a question the earlier ones are in place (stopping the run there keeps them), and an
// output named again in the run is met as the existing file it is by then.
TEST_F(Driver, EarlierOutputsAreInPlaceBeforeAQuestion) {
  write_file(dir / "prepare.txt", "");
  write_file(dir / "start_game.txt", kStart3);
  write_file(dir / "start_game.dat", "old");
  write_file(dir / "title.txt", "");
  std::vector<std::string> seen;  // what each question finds
  console.on_ask = [&] {
    for (const char* name : {"prepare.dat", "start_game.dat", "title.dat"})
      seen.push_back(file_text(dir / name));
  };
  console.answers = {Answer::Yes, Answer::Yes};
  EXPECT_EQ(kelvconv({dir / "prepare.txt", dir / "start_game.txt", dir / "title.txt",
                      dir / "./title.txt"}),
            kExitOk);
  EXPECT_EQ(console.asked, (std::vector<std::string>{dir / "start_game.dat", dir / "./title.dat"}));
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_NE(seen[0], "<missing>");
  EXPECT_EQ(seen[1], "old");
  EXPECT_EQ(seen[2], "<missing>");
  EXPECT_EQ(text(seen[4]), start_dat(3));
  EXPECT_NE(seen[5], "<missing>");
  EXPECT_EQ(dir.names(), (std::set<std::string>{"prepare.dat", "prepare.txt", "start_game.dat",
                                                "start_game.txt", "title.dat", "title.txt"}));
}

// "Yes to all" and "No to all" answer the question for every later output of the run, as -y and
// -n would have from its start.
TEST_F(Driver, AnAnswerToAllStandsForTheRestOfTheRun) {
  std::vector<std::string> args;
  for (const std::string name : {"prepare", "start_game", "title"}) {
    write_file(dir / (name + ".txt"), name == "start_game" ? kStart3 : "");
    write_file(dir / (name + ".dat"), "old");
    args.push_back(dir / (name + ".txt"));
  }
  console.answers = {Answer::No, Answer::YesToAll};  // then no answer, were it asked again
  EXPECT_EQ(kelvconv(args), kExitOk);
  EXPECT_EQ(console.asked, (std::vector<std::string>{dir / "prepare.dat", dir / "start_game.dat"}));
  EXPECT_EQ(file_text(dir / "prepare.dat"), "old");
  EXPECT_EQ(read_file(dir / "start_game.dat"), start_dat(3));
  EXPECT_NE(file_text(dir / "title.dat"), "old");

  for (const char* name : {"start_game.dat", "title.dat"})
    write_file(dir / name, "old");
  console.asked.clear();
  console.answers = {Answer::NoToAll};
  args.insert(args.begin(), "-v");
  EXPECT_EQ(kelvconv(args), kExitOk);
  EXPECT_EQ(console.asked, std::vector<std::string>{dir / "prepare.dat"});
  for (const char* name : {"prepare.dat", "start_game.dat", "title.dat"})
    EXPECT_EQ(file_text(dir / name), "old") << name;
  EXPECT_EQ(console.infos.size(), 3u);  // each "kept (not replaced)"
  EXPECT_TRUE(console.errors.empty());
}

TEST_F(Driver, AnswersGivenInAdvance) {
  write_file(dir / "start_game.txt", kStart3);
  write_file(dir / "start_game.dat", "old");
  EXPECT_EQ(kelvconv({"-n", dir / "start_game.txt"}), kExitOk);
  EXPECT_EQ(read_file(dir / "start_game.dat"), text("old"));
  EXPECT_EQ(kelvconv({"--yes", dir / "start_game.txt"}), kExitOk);
  EXPECT_EQ(read_file(dir / "start_game.dat"), start_dat(3));
  EXPECT_TRUE(console.asked.empty());
}

TEST_F(Driver, WithoutATerminalTheOutputIsKeptAndTheRunFails) {
  write_file(dir / "start_game.txt", kStart3);
  write_file(dir / "start_game.dat", "old");
  EXPECT_EQ(kelvconv({dir / "start_game.txt"}), kExitFailed);
  EXPECT_EQ(read_file(dir / "start_game.dat"), text("old"));
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_NE(console.errors[0].find("-y"), std::string::npos) << console.errors[0];
}

TEST_F(Driver, OutputThatCannotBeCreated) {
  // A folder stands where the output should go.
  write_file(dir / "start_game.txt", kStart3);
  std::filesystem::create_directory(dir / "start_game.dat");
  EXPECT_EQ(kelvconv({"-y", dir / "start_game.txt"}), kExitFailed);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_EQ(console.errors[0].rfind(dir / "start_game.dat" + ": cannot create: ", 0), 0u)
      << console.errors[0];
  ASSERT_EQ(console.failures.size(), 1u);
  EXPECT_EQ(console.failures[0].rfind(
                dir / "start_game.dat: ファイルを作成できません (cannot create the file): ", 0),
            0u)
      << console.failures[0];
  EXPECT_TRUE(std::filesystem::is_directory(dir / "start_game.dat"));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
}

// In Japanese: the create-failure message in Japanese alone, and the system's reason in Japanese
// too.
TEST_F(Driver, OutputThatCannotBeCreatedInJapanese) {
  write_file(dir / "start_game.txt", kStart3);
  std::filesystem::create_directory(dir / "start_game.dat");
  use_language(Language::Japanese);
  EXPECT_EQ(kelvconv({"-y", dir / "start_game.txt"}), kExitFailed);
  use_language(Language::English);
#ifndef _WIN32
  EXPECT_EQ(
      console.failures,
      std::vector<std::string>{dir / "start_game.dat: ファイルを作成できません: フォルダーです"});
#else
  ASSERT_EQ(console.failures.size(), 1u);
  EXPECT_EQ(console.failures[0].rfind(dir / "start_game.dat: ファイルを作成できません: ", 0), 0u);
#endif
}

TEST_F(Driver, UnreadableSourceIsReportedAndTheNextPathStillConverts) {
  write_file(dir / "b/start_game.txt", kStart3);
  EXPECT_EQ(kelvconv({dir / "a/start_game.txt", dir / "b/start_game.txt"}), kExitFailed);
  ASSERT_EQ(console.errors.size(), 1u);
  const std::string cannot_open = dir / "a/start_game.txt" + ": cannot open: ";
#ifdef _WIN32
  EXPECT_EQ(console.errors[0].rfind(cannot_open, 0), 0u) << console.errors[0];  // system's words
#else
  EXPECT_EQ(console.errors[0], cannot_open + "No such file or directory");
#endif
  EXPECT_EQ(console.failures, console.errors);
  EXPECT_EQ(read_file(dir / "b/start_game.dat"), start_dat(3));
}

// What the end of a run tells a user with no console (the Windows results window): the run's
// counts, the failures before the warnings whatever the order of the files, each the file, its
// line and kind apart from the message, and the entries copied as the error stream has them.
TEST_F(Driver, TheResultsOfARunPutFailuresBeforeWarnings) {
  const std::string items = dir / "item_list.txt", gone = dir / "gone/prepare.txt";
  write_file(items, "<Item_Number>\n2\n</Item_Number>\n");
  write_file(dir / "start_game.txt", kStart3);
  EXPECT_EQ(kelvconv({"-y", items, gone, dir / "start_game.txt"}), kExitFailed);
  const RunResults& r = console.results;
  EXPECT_EQ(r.heading, "2 files converted, 1 failed, 2 warnings");
  ASSERT_EQ(r.failures.size(), 1u);
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[1].line, 3u);
  // The system's words, as told on the error stream.
  ASSERT_EQ(console.errors.size(), 3u);  // the warnings, then the failure
  const std::string why = console.errors[2].substr(console.errors[2].find("cannot open: ") + 13);
  const std::string said = " looks like a tag, but is none of this file's (tags are lower case); ";
  EXPECT_EQ(r.listing(), "Failed\n\n" + gone + "\n    cannot open: " + why +
                             "\n\nWarnings\n\n" + items + ", line 1  [unknown-tag]\n    "
                             "\"<Item_Number>\"" + said + "did you mean <item_number>?\n\n" +
                             items + ", line 3  [unknown-tag]\n    \"</Item_Number>\"" + said +
                             "did you mean </item_number>?\n");
  EXPECT_EQ(r.copied(), "kelvconv: " + gone + ": cannot open: " + why + "\n" + items +
                            ":1: warning: \"<Item_Number>\"" + said +
                            "did you mean <item_number>? [unknown-tag]\n" + items +
                            ":3: warning: \"</Item_Number>\"" + said +
                            "did you mean </item_number>? [unknown-tag]\n");
  EXPECT_TRUE(r.worth_telling());

  // In Japanese; a run with nothing to tell tells nothing, one of no source its heading.
  use_language(Language::Japanese);
  EXPECT_EQ(kelvconv({"-y", items, gone}), kExitFailed);
  EXPECT_EQ(console.results.heading, "変換 1 件、失敗 1 件、警告 2 件");
  EXPECT_EQ(console.results.listing().rfind("失敗\n\n" + gone + "\n    開けません：", 0), 0u)
      << console.results.listing();
  EXPECT_NE(console.results.listing().find("\n\n警告\n\n" + items + " の 1 行目  [unknown-tag]\n"),
            std::string::npos)
      << console.results.listing();
  use_language(Language::English);
  EXPECT_EQ(kelvconv({"-y", dir / "start_game.txt"}), kExitOk);
  EXPECT_FALSE(console.results.worth_telling());
  write_file(dir / "notes.txt", "");
  EXPECT_EQ(kelvconv({dir / "notes.txt"}), kExitOk);
  EXPECT_TRUE(console.results.worth_telling());
  EXPECT_EQ(console.results.heading.rfind("nothing converted, 1 skipped: ", 0), 0u);
  EXPECT_EQ(kelvconv({"-q", dir / "notes.txt"}), kExitOk);
  EXPECT_FALSE(console.results.worth_telling());
}

TEST_F(Driver, CommandLine) {
  EXPECT_EQ(kelvconv({"--help"}), kExitOk);
  ASSERT_EQ(console.infos.size(), 1u);
  EXPECT_EQ(console.infos[0].rfind("Usage: kelvconv", 0), 0u);
  EXPECT_EQ(kelvconv({"--version"}), kExitOk);
  EXPECT_EQ(kelvconv({"--bogus"}), kExitUsage);
  EXPECT_EQ(kelvconv({"-yZ"}), kExitUsage);
  EXPECT_EQ(console.errors.front(), "unrecognized option '--bogus'");

  // After "--" a name that looks like an option is a file.
  write_file(dir / "-y/start_game.txt", kStart3);
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(kelvconv({"--", "-y/start_game.txt"}), kExitOk);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(read_file(dir / "-y/start_game.dat"), start_dat(3));
}

}  // namespace
}  // namespace kelv::test
