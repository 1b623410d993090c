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

const std::vector<std::string> kSources = {"map_anim_cave.txt", "map_anim_town.txt",
                                           "scene_cave.txt", "scene_town.txt"};

std::string example(const std::string& name) {
  return file_text(std::string(KELV_EXAMPLES) + "/game/" + name);
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
    for (const std::string& name : kSources)
      write_file(dir / name, example(name));
  }
  std::string at(const std::string& name) const { return joined(dir.path(), name); }
  // Saves new content, a moment later than anything before (the file system's clock may not
  // tell two quick saves apart; editors' saves are not that quick).
  void save(const std::string& name, const std::string& content) {
    write_file(dir / name, content);
    std::filesystem::last_write_time(
        fs_path(dir / name),
        std::filesystem::file_time_type::clock::now() + std::chrono::minutes(++saves_));
  }
  int watch_it(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvconv");
    std::vector<const char*> argv;
    for (const std::string& a : args)
      argv.push_back(a.c_str());
    Options options;
    std::string error;
    EXPECT_TRUE(parse_options(argv, options, error)) << error;
    return watch(options, system_files(), console, watcher);
  }
  // What each conversion converted, as its line says after the time.
  std::vector<std::string> conversions() const {
    std::vector<std::string> out;
    for (const std::string& line : console.infos) {
      if (const std::size_t at = line.find(" converting "); at != std::string::npos)
        out.push_back(line.substr(at + 12));
    }
    return out;
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
  using W = Watcher::Woke;
  const std::string town = example("scene_town.txt") + "\n";
  const std::string cave = "<map_anim_main_data>\n8 8 3 anim_cave.bmp\n</map_anim_main_data>\n" +
                           example("map_anim_cave.txt");
  watcher.steps = {
      // A save by rename: the temporary file, then the source, then quiet.
      {[&] { save("scene_town.txt", town); },
       W::Changed,
       {at("scene_town.txt~"), at("scene_town.txt")}},
      {nullptr, W::Changed, {at("scene_town.txt")}},
      {nullptr, W::Quiet},
      {[&] { save("map_anim_cave.txt", cave); }, W::Changed, {at("map_anim_cave.txt")}},
      {nullptr, W::Quiet},
      // Outputs and temporary files are no news.
      {nullptr, W::Changed, {at("scene_cave.dat"), at(".scene_cave.dat.tmp")}},
      {[&] { save("scene_new.txt", example("scene_cave.txt")); },
       W::Changed,
       {at("scene_new.txt")}},
      {nullptr, W::Quiet},
      {[&] { std::filesystem::remove(fs_path(dir / "scene_cave.txt")); },
       W::Changed,
       {at("scene_cave.txt")}},
      {nullptr, W::Quiet},
  };
  EXPECT_EQ(watch_it({"--watch", dir.path()}), 0);
  EXPECT_EQ(watcher.watched, std::vector<std::string>{dir.path()});
  // Each burst of changes waits for a quiet time; each wait between them, for ever.
  EXPECT_EQ(watcher.waits, (std::vector<int>{-1, 300, 300, -1, 300, -1, -1, 300, -1, 300, -1}));
  const std::string all = at("map_anim_cave.txt") + ", " + at("map_anim_town.txt") + ", " +
                          at("scene_cave.txt") + ", " + at("scene_town.txt");
  EXPECT_EQ(conversions(),
            (std::vector<std::string>{all, at("scene_town.txt"),
                                      at("map_anim_cave.txt") + ", " + at("map_anim_town.txt"),
                                      at("scene_new.txt")}));
  EXPECT_NE(std::ranges::find(console.infos, at("scene_cave.txt") + ": removed; its output stays"),
            console.infos.end());
  EXPECT_TRUE(std::filesystem::exists(fs_path(dir / "scene_cave.dat")));
  expect_bytes_of_a_full_run(
      {"map_anim_cave.dat", "map_anim_town.dat", "scene_town.dat", "scene_new.dat"});
}

TEST_F(Watch, WithoutNotificationsItLooksEverySecondAndAFailureDoesNotEndIt) {
  watcher.refusal = "no such thing";
  watcher.steps = {
      {[&] {
        save("scene_town.txt", example("scene_town.txt") + "\n");
        std::filesystem::remove(fs_path(dir / "scene_town.dat"));
        std::filesystem::create_directory(fs_path(dir / "scene_town.dat"));
      }},
      {},
      {},  // nothing changed: nothing converted
      {},
      {[&] { save("scene_cave.txt", example("scene_cave.txt") + "\n"); }},
      {},
  };
  EXPECT_EQ(watch_it({"--watch", "-r", dir.path()}), 0);
  EXPECT_EQ(watcher.watched, std::vector<std::string>{dir.path() + " tree"});
  EXPECT_EQ(watcher.waits, (std::vector<int>{1000, 300, 1000, 300, 1000, 300, 1000}));
  EXPECT_EQ(conversions().size(), 3u);
  EXPECT_EQ(conversions().at(1), at("scene_town.txt"));
  EXPECT_EQ(conversions().at(2), at("scene_cave.txt"));
  const std::string errors = console.all_errors();
  EXPECT_EQ(errors.find(dir.path() + ": changes cannot be told here (no such thing); kelvconv "
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
    ::execl(KELV_BINARY, KELV_BINARY, "--watch", "-r", dir.path().c_str(),
            static_cast<char*>(nullptr));
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
    for (int i = 0; i < 500; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  std::size_t lines = 0;
  // The next conversion's line, once it is there.
  const auto next_conversion = [&] {
    std::string line;
    until([&] {
      const std::string text = file_text(log);
      std::size_t n = 0;
      for (std::size_t at = 0; (at = text.find(" converting ", at)) != std::string::npos; ++at) {
        if (++n > lines) {
          line = text.substr(at + 12, text.find('\n', at) - at - 12);
          break;
        }
      }
      return !line.empty();
    });
    ++lines;
    return line;
  };
  ASSERT_NE(next_conversion(), "") << file_text(log);
  ASSERT_TRUE(until([&] { return file_text(log).find("Watching") != std::string::npos; }));

  // A save by rename.
  write_file(dir / "scene_town.txt.tmp", example("scene_town.txt") + "\n");
  std::filesystem::rename(fs_path(dir / "scene_town.txt.tmp"), fs_path(dir / "scene_town.txt"));
  ASSERT_EQ(next_conversion(), dir / "scene_town.txt");
  // A new source, in a new subfolder.
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
  ASSERT_TRUE(until([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
  running.pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (const std::string& name : dir.names())
    EXPECT_TRUE(name == "log" || name == "more" || name.ends_with(".txt") || name.ends_with(".dat"))
        << name;
}
#endif

}  // namespace
}  // namespace kelv::test
