// The watch: driven through a stand-in for the system's notifications (changes in, conversions
// out), and on Linux once as a program on real files.
#include "driver/watch.h"

#include <gtest/gtest.h>
#ifdef __linux__
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "driver/paths.h"
#include "files_support.h"

namespace kelv::test {
namespace {

using W = Watcher::Woke;

std::string example(const std::string& name) {
  return file_text(std::string(KELV_EXAMPLES) + "/game/" + name);
}

// What each conversion converted, as its line says after the time.
std::vector<std::string> conversions(const std::string& said) {
  std::vector<std::string> out;
  for (std::size_t at = 0; (at = said.find(" converting ", at)) != std::string::npos; at += 12)
    out.push_back(said.substr(at + 12, said.find('\n', at) - at - 12));
  return out;
}

// Changes as the test scripts them: each wait does what its step says, then tells it; the
// watch is stopped once the script is over.
class FakeWatcher final : public Watcher {
 public:
  struct Step {
    std::function<void()> act;
    Woke woke = Woke::Quiet;
    std::vector<std::string> paths = {};
  };
  Problem watch(const std::string& folder, bool tree) override {
    watched.push_back(folder + (tree ? " tree" : ""));
    return refusal;
  }
  Woke wait(int milliseconds, std::vector<std::string>& paths) override {
    waits.push_back(milliseconds);
    if (steps.empty()) return Woke::Stopped;
    const Step step = std::move(steps.front());
    steps.pop_front();
    if (step.act) step.act();
    paths.insert(paths.end(), step.paths.begin(), step.paths.end());
    return step.woke;
  }

  std::deque<Step> steps;
  Problem refusal;
  std::vector<std::string> watched;
  std::vector<int> waits;
};

class Watch : public ::testing::Test {
 protected:
  Watch() {
    for (const char* name :
         {"map_anim_cave.txt", "map_anim_town.txt", "scene_cave.txt", "scene_town.txt"})
      write_file(dir / name, example(name));
  }
  std::string at(const std::string& name) const { return joined(dir.path(), name); }
  // A save, a moment later than anything before (the file system's clock may not tell two
  // quick saves apart; editors' saves are not that quick), told as a change.
  FakeWatcher::Step saved(const std::string& name, const std::string& content) {
    return {[=, this] {
              write_file(dir / name, content);
              std::filesystem::last_write_time(
                  fs_path(dir / name),
                  std::filesystem::file_time_type::clock::now() + std::chrono::minutes(++saves_));
            },
            W::Changed,
            {at(name)}};
  }
  int watch_it(bool recursive) {
    Options options;
    options.mode = Mode::Watch;
    options.recursive = recursive;
    options.paths = {dir.path()};
    return watch(options, system_files(), console, watcher);
  }
  std::vector<std::string> conversions() const {
    std::string said;
    for (const std::string& line : console.infos)
      said += line + "\n";
    return test::conversions(said);
  }
  // The outputs that a plain run writes for the sources as they are now.
  void expect_bytes_of_a_full_run(const std::vector<std::string>& outputs) {
    TempDir again;
    for (const std::string& name : dir.names()) {
      if (name.ends_with(".txt")) write_file(again / name, file_text(dir / name));
    }
    RecordingConsole quiet;
    ASSERT_EQ(run_driver({"-y", again.path()}, system_files(), quiet), 0) << quiet.all_errors();
    for (const std::string& name : outputs)
      EXPECT_EQ(read_file(dir / name), read_file(again / name)) << name;
  }

  TempDir dir;
  RecordingConsole console;
  FakeWatcher watcher;
  int saves_ = 0;
};

TEST_F(Watch, ConvertsWhatWasSavedWithTheFilesItCarriesValuesTo) {
  FakeWatcher::Step by_rename = saved("scene_town.txt", example("scene_town.txt") + "\n");
  by_rename.paths.insert(by_rename.paths.begin(), at("scene_town.txt~"));
  watcher.steps = {// A save by rename: the temporary file, then the source, then quiet.
                   by_rename,
                   {nullptr, W::Changed, {at("scene_town.txt")}},
                   {},
                   saved("map_anim_cave.txt",
                         "<map_anim_main_data>\n8 8 3 anim_cave.bmp\n"
                         "</map_anim_main_data>\n" +
                             example("map_anim_cave.txt")),
                   {},
                   // Outputs and temporary files are no news.
                   {nullptr, W::Changed, {at("scene_cave.dat"), at(".scene_cave.dat.tmp")}},
                   saved("scene_new.txt", example("scene_cave.txt")),
                   {},
                   {[&] { std::filesystem::remove(fs_path(dir / "scene_cave.txt")); },
                    W::Changed,
                    {at("scene_cave.txt")}},
                   {}};
  EXPECT_EQ(watch_it(false), 0);
  EXPECT_EQ(watcher.watched, std::vector<std::string>{dir.path()});
  // Each burst of changes waits for a quiet time; each wait between them, for ever.
  EXPECT_EQ(watcher.waits, (std::vector<int>{-1, 300, 300, -1, 300, -1, -1, 300, -1, 300, -1}));
  const std::string anims = at("map_anim_cave.txt") + ", " + at("map_anim_town.txt");
  EXPECT_EQ(conversions(), (std::vector<std::string>{
                               anims + ", " + at("scene_cave.txt") + ", " + at("scene_town.txt"),
                               at("scene_town.txt"), anims, at("scene_new.txt")}));
  EXPECT_NE(std::ranges::find(console.infos, at("scene_cave.txt") + ": removed; its output stays"),
            console.infos.end());
  EXPECT_TRUE(std::filesystem::exists(fs_path(dir / "scene_cave.dat")));
  expect_bytes_of_a_full_run(
      {"map_anim_cave.dat", "map_anim_town.dat", "scene_town.dat", "scene_new.dat"});
}

TEST_F(Watch, WithoutNotificationsItLooksEverySecondAndAFailureDoesNotEndIt) {
  watcher.refusal = "no such thing";
  FakeWatcher::Step failing = saved("scene_town.txt", example("scene_town.txt") + "\n");
  failing.act = [&, save = failing.act] {
    save();
    std::filesystem::remove(fs_path(dir / "scene_town.dat"));
    std::filesystem::create_directory(fs_path(dir / "scene_town.dat"));
  };
  // Each look is a quiet second, then a quiet time; the second finds nothing changed.
  watcher.steps = {failing, {}, {}, {}, saved("scene_cave.txt", example("scene_cave.txt")), {}};
  for (FakeWatcher::Step& step : watcher.steps)
    step.woke = W::Quiet;
  EXPECT_EQ(watch_it(true), 0);
  EXPECT_EQ(watcher.watched, std::vector<std::string>{dir.path() + " tree"});
  EXPECT_EQ(watcher.waits, (std::vector<int>{1000, 300, 1000, 300, 1000, 300, 1000}));
  EXPECT_EQ(conversions().size(), 3u);
  EXPECT_EQ(conversions().at(1), at("scene_town.txt"));
  EXPECT_EQ(conversions().at(2), at("scene_cave.txt"));
  const std::string errors = console.all_errors();
  EXPECT_EQ(
      errors.find(dir.path() + ": the system cannot tell of changes here (no such thing); kelvconv "
                               "looks for them every second instead\n"),
      0u)
      << errors;
  EXPECT_NE(errors.find("scene_town.dat"), std::string::npos) << errors;
}

#ifdef __linux__
// The program itself on real files, told of changes by the system, ended by Ctrl-C.
TEST_F(Watch, OnRealFiles) {
  const std::string log = dir / "log";
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::signal(SIGINT, SIG_DFL);
    ::execl(KELV_BINARY, KELV_BINARY, "--watch", "-r", dir.path().c_str(), nullptr);
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  // A test that stops half-way leaves no program behind.
  struct Ended {
    pid_t pid;
    ~Ended() {
      if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
    }
  } running{child};
  // Waits a few seconds at most for `done`; false when it never came.
  const auto until = [](const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  };
  // What the next conversion converts, once its line is there.
  auto next_conversion = [&, n = std::size_t{0}]() mutable {
    std::vector<std::string> seen;
    until([&] { return (seen = test::conversions(file_text(log))).size() > n; });
    return seen.size() > n ? seen[n++] : std::string();
  };
  ASSERT_NE(next_conversion(), "") << file_text(log);
  ASSERT_TRUE(until([&] { return file_text(log).find("Watching") != std::string::npos; }));

  // A save by rename.
  write_file(dir / "scene_town.txt.tmp", example("scene_town.txt") + "\n");
  std::filesystem::rename(fs_path(dir / "scene_town.txt.tmp"), fs_path(dir / "scene_town.txt"));
  ASSERT_EQ(next_conversion(), dir / "scene_town.txt");
  // A new source, in a new subfolder, and a save there.
  write_file(dir / "more/scene_more.txt", example("scene_cave.txt"));
  ASSERT_EQ(next_conversion(), dir / "more/scene_more.txt");
  write_file(dir / "more/scene_more.txt", example("scene_town.txt"));
  ASSERT_EQ(next_conversion(), dir / "more/scene_more.txt");
  // A map animation edited: both its sources.
  write_file(dir / "map_anim_cave.txt", example("map_anim_cave.txt") + "\n");
  ASSERT_EQ(next_conversion(), dir / "map_anim_cave.txt" + ", " + dir / "map_anim_town.txt");
  // A burst of saves, then one of another source: one conversion each.
  for (int i = 0; i < 5; ++i)
    write_file(dir / "scene_cave.txt", example("scene_cave.txt") + std::string(i, '\n'));
  ASSERT_EQ(next_conversion(), dir / "scene_cave.txt");
  write_file(dir / "scene_town.txt", example("scene_town.txt"));
  ASSERT_EQ(next_conversion(), dir / "scene_town.txt") << file_text(log);
  expect_bytes_of_a_full_run({"map_anim_cave.dat", "map_anim_town.dat", "scene_cave.dat"});

  ::kill(child, SIGINT);
  int status = -1;
  ASSERT_TRUE(until([&] { return status != -1 || ::waitpid(child, &status, WNOHANG) == child; }));
  running.pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (const std::string& name : dir.names())
    EXPECT_TRUE(name == "log" || name == "more" || name.ends_with(".txt") || name.ends_with(".dat"))
        << name;
}
#endif

}  // namespace
}  // namespace kelv::test
