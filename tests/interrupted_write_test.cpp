// A run killed (SIGKILL: no handler, no clean-up) while it puts an output in place: the old
// output is intact, and all that may remain is the hidden temporary file beside it,
// ".<output name>.XXXXXX", holding the part written so far.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "convert/system/folders.h"
#include "files_support.h"
#include "support.h"

namespace kelv::test {
namespace {

enum class Stall { MidWrite, BeforeRename };

// The machine's files, which tell `signal_fd` and then stop for good at one step.
class StallingFiles final : public FileSystem {
 public:
  StallingFiles(Stall stall, int signal_fd) : stall_(stall), signal_fd_(signal_fd) {}

  bool exists(const std::string& path) override { return real_.exists(path); }
  std::string resolve(const std::string& path) override { return real_.resolve(path); }
  Problem create_temp(const std::string& target, std::string& temp_path, Handle& handle) override {
    return real_.create_temp(target, temp_path, handle);
  }
  Problem write(Handle handle, const unsigned char* data, std::size_t size) override {
    if (stall_ != Stall::MidWrite) return real_.write(handle, data, size);
    if (Problem p = real_.write(handle, data, size / 2); !p.empty()) return p;
    stop_here();
    return {};
  }
  Problem close(Handle handle) override { return real_.close(handle); }
  Problem rename(const std::string& from, const std::string& to) override {
    if (stall_ == Stall::BeforeRename) stop_here();
    return real_.rename(from, to);
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
};

// Runs the driver on `source` in a child that stalls at `stall`, kills it there, and returns
// whether it died of the SIGKILL.
bool kill_while_writing(const std::string& source, Stall stall) {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    StallingFiles files(stall, fds[1]);
    RecordingConsole console;
    ::_exit(run_driver({"-y", source}, files, console) == kExitOk ? 0 : 2);
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
  ASSERT_TRUE(kill_while_writing(dir / "prepare.txt", Stall::MidWrite));

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
  ASSERT_TRUE(kill_while_writing(dir / "prepare.txt", Stall::BeforeRename));

  EXPECT_EQ(file_text(dir / "prepare.dat"), "the old output");
  const std::vector<std::string> left = temporaries(dir, "prepare.dat");
  ASSERT_EQ(left.size(), 1u);
  // Complete but never put in place.
  FolderSettings folders;
  EXPECT_EQ(text(file_text(dir / left[0])), convert(folders, kSource));
}

TEST(KilledWhileWriting, WithNoOldOutputLeavesNoOutput) {
  TempDir dir;
  write_file(dir / "prepare.txt", kSource);
  ASSERT_TRUE(kill_while_writing(dir / "prepare.txt", Stall::MidWrite));
  EXPECT_EQ(file_text(dir / "prepare.dat"), "<missing>");
  EXPECT_EQ(temporaries(dir, "prepare.dat").size(), 1u);
}

}  // namespace
}  // namespace kelv::test
