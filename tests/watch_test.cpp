// The watch: driven through a stand-in for the system's notifications (changes in, conversions
// out), and once as a program on real files, told of them by the system.
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
  for (std::size_t at = 0; (at = said.find(" converting ", at)) != std::string::npos; at += 12) {
    std::string line = said.substr(at + 12, said.find('\n', at) - at - 12);
    if (line.ends_with('\r')) line.pop_back();  // a Windows program's line end
    out.push_back(line);
  }
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

#if defined(__linux__) || defined(_WIN32)
// The program itself, started with `args`, its output and errors going to `log`; ended by the
// user's Ctrl-C, or killed when the test stops first.
class Started {
 public:
  int status = -1;  // once ended
#ifdef _WIN32
  // It shares a console of this program's own making (kept for the programs later tests start),
  // the one Ctrl-C is pressed in: under Wine the one given to a program started from a shell
  // takes no Ctrl-C.
  Started(const std::vector<std::string>& args, const std::string& log) {
    const std::wstring path = beside_tests(L"kelvconv.com");
    std::wstring line = command_line(path, args);
    const Redirected out(log);
    FreeConsole();
    if (!AllocConsole()) return;
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = out.handle;
    PROCESS_INFORMATION p{};
    if (CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &start, &p)) {
      CloseHandle(p.hThread);
      process_ = p.hProcess;
    }
  }
  ~Started() {
    if (process_ && !ended()) TerminateProcess(process_, 99);
    if (process_) CloseHandle(process_);
  }
  bool running() const {
    return process_ != nullptr;
  }
  // Ctrl-C reaches every program of the console: this one lets it pass, from now on.
  bool interrupt() {
    return SetConsoleCtrlHandler(nullptr, TRUE) && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  }
  // Whether it ended; then `status` is its exit status.
  bool ended() {
    DWORD code = 0;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
      return false;
    status = static_cast<int>(code);
    return true;
  }

 private:
  HANDLE process_ = nullptr;
#else
  Started(const std::vector<std::string>& args, const std::string& log) {
    std::vector<char*> argv{const_cast<char*>(KELV_BINARY)};
    for (const std::string& a : args)
      argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, 1);
      ::dup2(fd, 2);
      ::signal(SIGINT, SIG_DFL);
      ::execv(KELV_BINARY, argv.data());
      ::_exit(127);
    }
  }
  ~Started() {
    if (pid_ > 0 && !ended() && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
  }
  bool running() const {
    return pid_ > 0;
  }
  bool interrupt() {
    return ::kill(pid_, SIGINT) == 0;
  }
  // Whether it ended; then `status` is its exit status (-1 when a signal ended it).
  bool ended() {
    int raw = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &raw, WNOHANG) != pid_) return pid_ == 0;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    pid_ = 0;
    return true;
  }

 private:
  pid_t pid_ = -1;
#endif
};

// The program itself on real files, told of changes by the system, ended by the user.
TEST_F(Watch, OnRealFiles) {
  const std::string log = dir / "log";
  Started program({"--watch", "-r", dir.path()}, log);
  ASSERT_TRUE(program.running());
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
  // Told by the system, not found by looking every second.
  EXPECT_EQ(file_text(log).find("every second"), std::string::npos) << file_text(log);

  // A save by rename.
  write_file(dir / "scene_town.txt.tmp", example("scene_town.txt") + "\n");
  std::filesystem::rename(fs_path(dir / "scene_town.txt.tmp"), fs_path(dir / "scene_town.txt"));
  ASSERT_EQ(next_conversion(), at("scene_town.txt")) << file_text(log);
  // A new source, in a new subfolder, and a save there.
  const std::string more = joined(at("more"), "scene_more.txt");
  write_file(dir / "more/scene_more.txt", example("scene_cave.txt"));
  ASSERT_EQ(next_conversion(), more);
  write_file(dir / "more/scene_more.txt", example("scene_town.txt"));
  ASSERT_EQ(next_conversion(), more);
  // A map animation edited: both its sources.
  write_file(dir / "map_anim_cave.txt", example("map_anim_cave.txt") + "\n");
  ASSERT_EQ(next_conversion(), at("map_anim_cave.txt") + ", " + at("map_anim_town.txt"));
  // A burst of saves, then one of another source: one conversion each.
  for (int i = 0; i < 5; ++i)
    write_file(dir / "scene_cave.txt", example("scene_cave.txt") + std::string(i, '\n'));
  ASSERT_EQ(next_conversion(), at("scene_cave.txt"));
  write_file(dir / "scene_town.txt", example("scene_town.txt"));
  ASSERT_EQ(next_conversion(), at("scene_town.txt")) << file_text(log);
  expect_bytes_of_a_full_run({"map_anim_cave.dat", "map_anim_town.dat", "scene_cave.dat"});

  ASSERT_TRUE(program.interrupt());
  ASSERT_TRUE(until([&] { return program.ended(); })) << file_text(log);
  EXPECT_EQ(program.status, 0) << file_text(log);
  for (const std::string& name : dir.names())
    EXPECT_TRUE(name == "log" || name == "more" || name.ends_with(".txt") || name.ends_with(".dat"))
        << name;
}
#endif

}  // namespace
}  // namespace kelv::test
