// The flushes to the disk that a run's outputs cost, counted where the program makes them: this
// test program defines the system calls syncfs and fsync in place of the C library's, counting
// each call before passing it on. The outputs of a run cost one syncfs per file system they are
// on (a single output: one fsync of it) and one fsync per folder that received them.
// Linux only: syncfs is Linux's.
#ifdef __linux__
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "files_support.h"

namespace {

struct Flushes {
  int syncfs = 0;
  int files = 0;            // fsync of a file
  int folders = 0;          // fsync of a folder
  std::set<dev_t> devices;  // of the syncfs calls
};
Flushes counted;
bool counting = false;

}  // namespace

extern "C" int syncfs(int fd) noexcept {
  struct stat st {};
  if (counting && ::fstat(fd, &st) == 0) {
    ++counted.syncfs;
    counted.devices.insert(st.st_dev);
  }
  return static_cast<int>(::syscall(SYS_syncfs, fd));
}

extern "C" int fsync(int fd) {
  struct stat st {};
  if (counting && ::fstat(fd, &st) == 0) ++(S_ISDIR(st.st_mode) ? counted.folders : counted.files);
  return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace kelv::test {
namespace {

dev_t device_of(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}

// Converts the sources at `paths` (written first, each a start scene) in one run, counting.
Flushes flushes_of(const std::vector<std::string>& paths) {
  std::vector<std::string> args = {"-y"};
  for (const std::string& p : paths) {
    write_file(p, "<start_scene_index>\n1\n</start_scene_index>\n");
    args.push_back(p);
  }
  RecordingConsole console;
  counted = {};
  counting = true;
  const int status = run_driver(args, kelv::system_files(), console);
  counting = false;
  EXPECT_EQ(status, kExitOk) << console.all_errors();
  return counted;
}

TEST(Flushes, OnOneFileSystem) {
  TempDir dir;
  struct Case {
    const char* name;
    std::vector<std::string> sources;
    int syncfs, files, folders;
  } cases[] = {
      {"one output: the file alone", {dir / "one/start_game.txt"}, 0, 1, 1},
      {"two outputs in one folder", {dir / "two/start_game.txt", dir / "two/scene1.txt"}, 1, 0, 1},
      {"three outputs in two folders",
       {dir / "a/start_game.txt", dir / "b/scene1.txt", dir / "a/scene2.txt"},
       1,
       0,
       2},
      // The second start_game.dat waits for the first to be in place: two batches, no more.
      {"four outputs of two names in two folders",
       {dir / "c/start_game.txt", dir / "c/scene1.txt", dir / "d/start_game.txt",
        dir / "d/scene1.txt"},
       2,
       0,
       2},
  };
  for (const Case& c : cases) {
    const Flushes f = flushes_of(c.sources);
    EXPECT_EQ(f.syncfs, c.syncfs) << c.name;
    EXPECT_EQ(f.files, c.files) << c.name;
    EXPECT_EQ(f.folders, c.folders) << c.name;
    EXPECT_EQ(f.devices, c.syncfs > 0 ? std::set<dev_t>{device_of(dir.path())} : std::set<dev_t>{})
        << c.name;
  }
}

// A tmpfs beside the disk: /dev/shm, where the machine has one.
TEST(Flushes, OnTwoFileSystems) {
  TempDir dir;
  struct statfs fs {};
  if (::statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC ||
      device_of("/dev/shm") == device_of(dir.path())) {
    GTEST_SKIP() << "no tmpfs at /dev/shm beside the disk of " << dir.path();
  }
  char made[] = "/dev/shm/kelvconv-test-XXXXXX";
  if (::mkdtemp(made) == nullptr) GTEST_SKIP() << "/dev/shm takes no folder of this user";
  const std::string shm = made;
  const Flushes f = flushes_of(
      {dir / "a/start_game.txt", shm + "/scene1.txt", dir / "b/scene2.txt", shm + "/scene3.txt"});
  std::filesystem::remove_all(shm);
  EXPECT_EQ(f.syncfs, 2);
  EXPECT_EQ(f.devices, (std::set<dev_t>{device_of(dir.path()), device_of("/dev/shm")}));
  EXPECT_EQ(f.files, 0);
  EXPECT_EQ(f.folders, 3);
}

}  // namespace
}  // namespace kelv::test
#endif  // __linux__
