// A run killed (SIGKILL: no handler, no clean-up) while it puts an output in place: the old
// output is intact, and all that may remain is the hidden temporary file beside it,
// ".<output name>.XXXXXX", holding the part written so far. Shown with the driver stopped at
// chosen steps, and with the real program killed while it writes a large output.
// POSIX only (left out of the Windows build): it forks, and kills with signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "convert/system/folders.h"
#include "files_support.h"
#include "support.h"

namespace kelv::test {
namespace {

enum class Stall { MidWrite, BeforeRename, AtTheSecondRename };

// The machine's files, which tell `signal_fd` and then stop for good at one step.
class StallingFiles final : public FileSystem {
 public:
  StallingFiles(Stall stall, int signal_fd) : stall_(stall), signal_fd_(signal_fd) {}

  bool exists(const std::string& path) override { return real_.exists(path); }
  std::string resolve(const std::string& path) override { return real_.resolve(path); }
  std::string name_key(const std::string& path) override { return real_.name_key(path); }
  Problem create_temp(const std::string& target, std::string& temp_path, Handle& handle) override {
    return real_.create_temp(target, temp_path, handle);
  }
  Problem write(Handle handle, std::span<const Piece> pieces) override {
    if (stall_ != Stall::MidWrite) return real_.write(handle, pieces);
    if (Problem p = write_half(real_, handle, pieces); !p.empty()) return p;
    stop_here();
  }
  Problem close(Handle handle) override { return real_.close(handle); }
  void flush(std::span<const std::string> paths, std::span<Problem> problems) override {
    real_.flush(paths, problems);
  }
  Problem rename(const std::string& from, const std::string& to) override {
    if (stall_ == Stall::BeforeRename || (stall_ == Stall::AtTheSecondRename && renamed_ == 1)) {
      stop_here();
    }
    ++renamed_;
    return real_.rename(from, to);
  }
  void flush_folders(std::span<const std::string> paths, std::span<Problem> problems) override {
    real_.flush_folders(paths, problems);
  }
  void remove(const std::string& path) override { real_.remove(path); }

 private:
  [[noreturn]] void stop_here() {
    const char ready = 1;
    if (::write(signal_fd_, &ready, 1) != 1) ::_exit(3);
    for (;;)
      ::pause();
  }

  FileSystem& real_ = system_files();
  Stall stall_;
  int signal_fd_;
  int renamed_ = 0;
};

// Runs the driver on `sources` in a child that stalls at `stall`, kills it there, and returns
// whether it died of the SIGKILL.
bool kill_while_writing(const std::vector<std::string>& sources, Stall stall) {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    StallingFiles files(stall, fds[1]);
    RecordingConsole console;
    std::vector<std::string> args{"-y"};
    args.insert(args.end(), sources.begin(), sources.end());
    ::_exit(run_driver(args, files, console) == kExitOk ? 0 : 2);
  }
  ::close(fds[1]);
  pollfd ready{fds[0], POLLIN, 0};
  char byte = 0;
  const bool stalled = ::poll(&ready, 1, 30000) == 1 && ::read(fds[0], &byte, 1) == 1;
  ::close(fds[0]);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  return stalled && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The names in `dir` that are temporary files of `output`.
std::vector<std::string> temporaries(const TempDir& dir, const std::string& output) {
  std::vector<std::string> out;
  for (const std::string& name : dir.names()) {
    if (name.size() == output.size() + 8 && name.starts_with("." + output + ".")) {
      out.push_back(name);
    }
  }
  return out;
}

constexpr std::string_view kSource =
    "<folder_name_data>\ndata\n</folder_name_data>\n<load_image>\nloading.png\n</load_image>\n";

TEST(KilledWhileWriting, MidWriteKeepsTheOldOutput) {
  TempDir dir;
  write_file(dir / "prepare.txt", kSource);
  write_file(dir / "prepare.dat", "the old output");
  ASSERT_TRUE(kill_while_writing({dir / "prepare.txt"}, Stall::MidWrite));

  EXPECT_EQ(file_text(dir / "prepare.dat"), "the old output");
  const std::vector<std::string> left = temporaries(dir, "prepare.dat");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(dir.names().size(), 3u);
  // The temporary file holds the first half of the new output, no more.
  FolderSettings folders;
  const Bytes whole = convert(folders, kSource);
  EXPECT_EQ(text(file_text(dir / left[0])), Bytes(whole.begin(), whole.begin() + whole.size() / 2));
}

TEST(KilledWhileWriting, BeforeTheRenameKeepsTheOldOutput) {
  TempDir dir;
  write_file(dir / "prepare.txt", kSource);
  write_file(dir / "prepare.dat", "the old output");
  ASSERT_TRUE(kill_while_writing({dir / "prepare.txt"}, Stall::BeforeRename));

  EXPECT_EQ(file_text(dir / "prepare.dat"), "the old output");
  const std::vector<std::string> left = temporaries(dir, "prepare.dat");
  ASSERT_EQ(left.size(), 1u);
  // Complete but never put in place.
  FolderSettings folders;
  EXPECT_EQ(text(file_text(dir / left[0])), convert(folders, kSource));
}

// Outputs are renamed one after the other once all are on the disk: those before the kill are
// new and whole, those after it as they were.
TEST(KilledWhileWriting, BetweenTwoRenamesKeepsTheOutputsAfterAsTheyWere) {
  TempDir dir;
  write_file(dir / "prepare.txt", kSource);
  write_file(dir / "prepare.dat", "the old output");
  write_file(dir / "start_game.txt", "<start_scene_index>\n7\n</start_scene_index>\n");
  write_file(dir / "start_game.dat", "the old start");
  ASSERT_TRUE(
      kill_while_writing({dir / "prepare.txt", dir / "start_game.txt"}, Stall::AtTheSecondRename));

  FolderSettings folders;
  EXPECT_EQ(text(file_text(dir / "prepare.dat")), convert(folders, kSource));
  EXPECT_EQ(file_text(dir / "start_game.dat"), "the old start");
  const std::vector<std::string> left = temporaries(dir, "start_game.dat");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(text(file_text(dir / left[0])), keyed(1, {field("start_scene_index", i32(7))}));
  EXPECT_EQ(dir.names().size(), 5u);
}

TEST(KilledWhileWriting, WithNoOldOutputLeavesNoOutput) {
  TempDir dir;
  write_file(dir / "prepare.txt", kSource);
  ASSERT_TRUE(kill_while_writing({dir / "prepare.txt"}, Stall::MidWrite));
  EXPECT_EQ(file_text(dir / "prepare.dat"), "<missing>");
  EXPECT_EQ(temporaries(dir, "prepare.dat").size(), 1u);
}

// The real program: started on `source`, and sent `signal` as soon as the temporary file of
// `output` has grown past its first bytes. What came of one such run.
struct Killing {
  bool killed = false;    // the kill came while the program was still writing
  bool finished = false;  // the program was done before
  std::string temporary;  // the temporary file's name, when one was left
};

Killing kill_the_program(const TempDir& dir, const std::string& source, const std::string& output,
                         int signal = SIGKILL) {
  Killing result;
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execl(KELV_BINARY, KELV_BINARY, "--yes", source.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    for (const std::string& name : temporaries(dir, output)) {
      struct stat st {};
      if (::stat((dir / name).c_str(), &st) == 0 && st.st_size > 0) {
        ::kill(child, signal);
        ::waitpid(child, &status, 0);
        result.killed = WIFSIGNALED(status) && WTERMSIG(status) == signal;
        result.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        const std::vector<std::string> left = temporaries(dir, output);
        if (!left.empty()) result.temporary = left[0];
        return result;
      }
    }
    if (std::chrono::steady_clock::now() > give_up) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      ADD_FAILURE() << "the program neither wrote nor finished within a minute";
      return result;
    }
    const timespec pause{0, 100'000};
    ::nanosleep(&pause, nullptr);
  }
  result.finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return result;
}

// An item list of `count` empty items: a few bytes of source, 384 bytes of output per item.
TEST(KilledWhileWriting, TheProgramKilledMidWriteKeepsTheOldOutput) {
  const std::string old_output = "the old output";
  // The output is about 60 MB at first. Should the program be done before the kill, which a
  // fast disk allows, it must have put the whole new output in place; the next try is larger.
  for (std::int32_t count = 150'000; count <= 600'000; count *= 2) {
    SCOPED_TRACE(testing::Message() << count << " items");
    TempDir dir;
    write_file(dir / "item_list.txt",
               "<item_number>\n" + std::to_string(count) + "\n</item_number>\n");
    write_file(dir / "item_list.dat", old_output);
    const Killing run = kill_the_program(dir, dir / "item_list.txt", "item_list.dat");
    const std::string now = file_text(dir / "item_list.dat");
    const Bytes whole = keyed(
        2, {field("item_number", i32(count)), field("item_data", zeros(std::size_t{384} * count))});
    if (now == old_output && run.killed) {
      // Killed before the rename: the temporary file holds the start of the new output (all of
      // it when the kill came while it was flushed), no more.
      ASSERT_FALSE(run.temporary.empty());
      const Bytes written = read_file(dir / run.temporary);
      ASSERT_GT(written.size(), 0u);
      ASSERT_LE(written.size(), whole.size());
      EXPECT_TRUE(std::equal(written.begin(), written.end(), whole.begin()));
      EXPECT_EQ(dir.names().size(), 3u);
      return;
    }
    // Not caught in the middle: then the new output is complete, never half of it.
    ASSERT_TRUE(run.finished || run.killed);
    ASSERT_TRUE(text(now) == whole) << now.size() << " bytes in place of " << whole.size();
  }
  GTEST_SKIP() << "the program always finished before it could be killed";
}

// A signal that can be caught (TERM here; Ctrl-C, a hang-up, a broken pipe alike) still ends the
// run at once, and takes the temporary files with it.
TEST(KilledWhileWriting, TheProgramStoppedByASignalLeavesNoTemporaryFile) {
  for (std::int32_t count = 150'000; count <= 600'000; count *= 2) {
    TempDir dir;
    write_file(dir / "item_list.txt",
               "<item_number>\n" + std::to_string(count) + "\n</item_number>\n");
    write_file(dir / "item_list.dat", "the old output");
    const Killing run = kill_the_program(dir, dir / "item_list.txt", "item_list.dat", SIGTERM);
    if (run.killed && file_text(dir / "item_list.dat") == "the old output") {
      EXPECT_EQ(dir.names(), (std::set<std::string>{"item_list.dat", "item_list.txt"}));
      return;
    }
    ASSERT_TRUE(run.finished || run.killed);
  }
  GTEST_SKIP() << "the program always finished before it could be stopped";
}

}  // namespace
}  // namespace kelv::test
