// The real program killed (SIGKILL: no handler, no clean-up) while it writes an output of a few
// MB: the old output is intact, and all that may remain beside it is the hidden temporary file
// ".<output name>.XXXXXX" holding the start of the new output. (What fails while the program
// itself sees it is injected at the file seam: fault_injection_test.cpp.)
// POSIX only (left out of the Windows build): it forks, and kills with signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>

#include "files_support.h"
#include "support.h"

namespace kelv::test {
namespace {

// The names in `dir` besides the source and the output.
std::vector<std::string> others(const TempDir& dir) {
  std::vector<std::string> out;
  for (const std::string& name : dir.names()) {
    if (name != "item_list.txt" && name != "item_list.dat") out.push_back(name);
  }
  return out;
}

// Starts the program on the item list in `dir` and kills it as soon as a file other than the
// source and the output has bytes; true when it was killed, false when it was done before.
bool killed_while_writing(const TempDir& dir) {
  const std::string source = dir / "item_list.txt";
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execl(KELV_BINARY, KELV_BINARY, "--yes", source.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // A program that hangs is killed after a minute too, and fails the test below.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    for (const std::string& name : others(dir)) {
      struct stat st {};
      if (::stat((dir / name).c_str(), &st) == 0 && st.st_size > 0) ::kill(child, SIGKILL);
    }
    if (std::chrono::steady_clock::now() > give_up) ::kill(child, SIGKILL);
    const timespec pause{0, 20'000};
    ::nanosleep(&pause, nullptr);
  }
  EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "the program failed";
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// An item list of `count` empty items: a few bytes of source, 384 bytes of output per item. When
// the program is done before the kill, the whole new output must be in place, never part of it,
// and the next try is larger.
TEST(KilledWhileWriting, KeepsTheOldOutput) {
  const std::string old_output = "the old output";
  for (std::int32_t count = 8'000; count <= 64'000; count *= 2) {
    SCOPED_TRACE(testing::Message() << count << " items");
    TempDir dir;
    write_file(dir / "item_list.txt",
               "<item_number>\n" + std::to_string(count) + "\n</item_number>\n");
    write_file(dir / "item_list.dat", old_output);
    const bool killed = killed_while_writing(dir);
    const Bytes whole = keyed(2, {field("item_number", i32(count)),
                                  field("item_data", Bytes(std::size_t{384} * count, 0))});
    const Bytes now = read_file(dir / "item_list.dat");
    const std::vector<std::string> left = others(dir);
    if (killed && now == text(old_output)) {
      // The one file left is hidden, and holds the start of the new output.
      ASSERT_EQ(left.size(), 1u);
      EXPECT_TRUE(left[0].size() == 21 && left[0].starts_with(".item_list.dat.")) << left[0];
      const Bytes written = read_file(dir / left[0]);
      EXPECT_GT(written.size(), 0u);
      EXPECT_LE(written.size(), whole.size());
      EXPECT_TRUE(std::equal(written.begin(), written.end(), whole.begin()));
      return;
    }
    ASSERT_TRUE(now == whole) << now.size() << " bytes in place of " << whole.size();
    EXPECT_TRUE(left.empty());
  }
  GTEST_SKIP() << "the program always finished before it could be killed";
}

}  // namespace
}  // namespace kelv::test
