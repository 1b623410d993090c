// The real program stopped by a signal while it writes an output of a few MB: the old output is
// intact. Killed (SIGKILL: no handler, no clean-up), all that may remain beside it is the hidden
// temporary file ".<output name>.XXXXXX" holding the start of the new output; stopped by a signal
// it catches, nothing remains. (What fails while the program itself sees it is injected at the
// file seam: fault_injection_test.cpp.)
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

// Starts the program on the item list in `dir` (with `ignored` ignored, as nohup does, when it
// is not 0) and sends it `signal` as soon as a file other than the source and the output has
// bytes. Returns its wait status; `sent` tells whether the signal went out before it was done.
int signalled_while_writing(const TempDir& dir, int signal, bool& sent, int ignored = 0) {
  const std::string source = dir / "item_list.txt";
  const pid_t child = ::fork();
  if (child == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    // What the program finds is the test's choice, whatever this process was given (nohup).
    for (const int caught : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
      ::signal(caught, SIG_DFL);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (ignored != 0) ::signal(ignored, SIG_IGN);
    ::execl(KELV_BINARY, KELV_BINARY, "--yes", source.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // A program that hangs is killed after a minute too, and fails the test below.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  sent = false;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    for (const std::string& name : others(dir)) {
      struct stat st {};
      if (!sent && ::stat((dir / name).c_str(), &st) == 0 && st.st_size > 0) {
        sent = ::kill(child, signal) == 0;
      }
    }
    if (std::chrono::steady_clock::now() > give_up) ::kill(child, SIGKILL);
    const timespec pause{0, 20'000};
    ::nanosleep(&pause, nullptr);
  }
  return status;
}

// The item list of `count` empty items: a few bytes of source, 384 bytes of output per item.
void write_items(const TempDir& dir, std::int32_t count) {
  write_file(dir / "item_list.txt",
             "<item_number>\n" + std::to_string(count) + "\n</item_number>\n");
}

Bytes items_output(std::int32_t count) {
  return keyed(2, {field("item_number", i32(count)),
                   field("item_data", Bytes(std::size_t{384} * count, 0))});
}

// Killed where nothing can be caught (SIGKILL: no handler, no clean-up). When the program is done
// before the kill, the whole new output must be in place, never part of it, and the next try is
// larger.
TEST(KilledWhileWriting, KeepsTheOldOutput) {
  const std::string old_output = "the old output";
  for (std::int32_t count = 8'000; count <= 64'000; count *= 2) {
    SCOPED_TRACE(testing::Message() << count << " items");
    TempDir dir;
    write_items(dir, count);
    write_file(dir / "item_list.dat", old_output);
    bool sent = false;
    const int status = signalled_while_writing(dir, SIGKILL, sent);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "the program failed";
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    const Bytes whole = items_output(count);
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

// Stopped by a signal it catches (Ctrl-C, TERM, a hang-up, a broken pipe), the program removes its
// temporary file on its way out and ends as the signal would have ended it; the old output stays.
TEST(StoppedWhileWriting, LeavesNoTemporaryFile) {
  std::string unreached;  // the signals that always came after the program was done
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(testing::Message() << "signal " << signal);
    bool stopped = false;  // while writing, before the output was in place
    for (std::int32_t count = 8'000; count <= 64'000 && !stopped; count *= 2) {
      TempDir dir;
      write_items(dir, count);
      write_file(dir / "item_list.dat", "old");
      bool sent = false;
      const int status = signalled_while_writing(dir, signal, sent);
      const Bytes now = read_file(dir / "item_list.dat");
      EXPECT_EQ(others(dir), std::vector<std::string>{}) << count << " items";
      if (WIFEXITED(status)) {  // done before the signal came (or before it was sent)
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_TRUE(now == items_output(count));
        continue;
      }
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
      stopped = now == text("old");
      if (!stopped) {
        EXPECT_TRUE(now == items_output(count)) << "half an output in place";
      }
    }
    if (!stopped) unreached += " " + std::to_string(signal);
  }
  if (!unreached.empty()) GTEST_SKIP() << "the program always finished before signal" << unreached;
}

// A signal the user has ignored (nohup) stays ignored: the program goes on and finishes.
TEST(StoppedWhileWriting, AnIgnoredHangUpIsNoStop) {
  TempDir dir;
  write_items(dir, 64'000);
  write_file(dir / "item_list.dat", "old");
  bool sent = false;
  const int status = signalled_while_writing(dir, SIGHUP, sent, SIGHUP);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(read_file(dir / "item_list.dat") == items_output(64'000));
  EXPECT_EQ(others(dir), std::vector<std::string>{});
  if (!sent) GTEST_SKIP() << "the program finished before the hang-up";
}

}  // namespace
}  // namespace kelv::test
