// Failures injected through the file seam: whatever fails while an output is put in place, the
// old output stays exactly as it was, no temporary file is left behind, the user is told, and
// the run ends with status 1. So too for an output written while its source is read (the item
// list's table), whose room on the disk is taken at its count line.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "files_support.h"
#include "support.h"

namespace kelv::test {
namespace {

enum class Fault {
  None,
  CreateTemp,
  WriteHalfway,
  DiskFull,
  DiskFullAtResize,
  Close,
  DiskFullAtClose,
  Flush,
  Rename,
  FolderFlush
};

// The machine's files, failing once at one step on demand (for one file of a step that takes
// many); after that they work. Every step is logged.
class FaultyFiles final : public FileSystem {
 public:
  explicit FaultyFiles(Fault fault) : fault_(fault) {}

  bool exists(const std::string& path) override { return real_.exists(path); }
  std::string resolve(const std::string& path) override { return real_.resolve(path); }
  std::string name_key(const std::string& path) override { return real_.name_key(path); }

  Problem create_temp(const std::string& target, std::string& temp_path, Handle& handle) override {
    steps.push_back("create " + name_of(target));
    if (armed(Fault::CreateTemp)) return fired(EACCES);
    return real_.create_temp(target, temp_path, handle);
  }

  Problem write(Handle handle, std::uint64_t at, std::span<const Piece> pieces) override {
    if (steps.back() != "write") steps.push_back("write");
    if (!armed(Fault::WriteHalfway) && !armed(Fault::DiskFull)) {
      return real_.write(handle, at, pieces);
    }
    // Part of the bytes reach the disk before the failure.
    if (Problem p = write_half(real_, handle, at, pieces); !p.empty()) return p;
    return fired(fault_ == Fault::DiskFull ? ENOSPC : EIO);
  }

  Problem read(Handle handle, std::uint64_t at, std::span<unsigned char> bytes) override {
    return real_.read(handle, at, bytes);
  }

  Problem resize(Handle handle, std::uint64_t size) override {
    steps.push_back("resize");
    if (armed(Fault::DiskFullAtResize)) return fired(ENOSPC);
    return real_.resize(handle, size);
  }

  Problem close(Handle handle) override {
    steps.push_back("close");
    Problem p = real_.close(handle);
    if (armed(Fault::Close)) return fired(EIO);
    if (armed(Fault::DiskFullAtClose)) return fired(ENOSPC);
    return p;
  }

  void flush(std::span<const std::string> paths, std::span<Problem> problems) override {
    steps.push_back("flush " + std::to_string(paths.size()));
    real_.flush(paths, problems);
    if (armed(Fault::Flush)) problems[0] = fired(EIO);
  }

  Problem rename(const std::string& from, const std::string& to) override {
    steps.push_back("rename " + name_of(to));
    if (armed(Fault::Rename)) return fired(EXDEV);
    return real_.rename(from, to);
  }

  void flush_folders(std::span<const std::string> paths, std::span<Problem> problems) override {
    steps.push_back("flush folders " + std::to_string(paths.size()));
    real_.flush_folders(paths, problems);
    if (armed(Fault::FolderFlush)) problems[0] = fired(EIO);
  }

  void remove(const std::string& path) override { real_.remove(path); }

  int fired_count = 0;
  Problem reason;
  std::vector<std::string> steps;

 private:
  static std::string name_of(const std::string& path) { return path.substr(path.rfind('/') + 1); }
  bool armed(Fault f) const { return fault_ == f && fired_count == 0; }
  Problem fired(int error) {
    ++fired_count;
    reason = std::strerror(error);
    return reason;
  }

  FileSystem& real_ = system_files();
  Fault fault_;
};

constexpr std::string_view kSource = "<folder_name_image>\nimages\n</folder_name_image>\n";

// A source and its kind's output name.
struct Source {
  const char* name;
  const char* output;
  std::string_view text;
};
constexpr Source kFolders{"prepare.txt", "prepare.dat", kSource};
// Its table goes to the output while it is read.
constexpr Source kItems{"item_list.txt", "item_list.dat",
                        "<item_number>\n1\n</item_number>\n<item_data>\n"
                        "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 sword a#sword\n</item_data>\n"};

struct Case {
  const char* name;
  Fault fault;
  Source source = kFolders;
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class InjectedFault : public testing::TestWithParam<Case> {};

// The bytes of its output: four counted texts, the second "images".
Bytes counted(std::string_view s) {
  return cat({i32(static_cast<std::int32_t>(s.size() + 1)), text(s), Bytes(1, 0)});
}
const Bytes kOutput =
    keyed(4, {field("folder_name_data", counted("")), field("folder_name_image", counted("images")),
              field("folder_name_audio", counted("")), field("load_image", counted(""))});

TEST_P(InjectedFault, KeepsTheOldOutputAndLeavesNoTemporaryFile) {
  const Source& source = GetParam().source;
  TempDir dir;
  write_file(dir / source.name, source.text);
  const std::string old = "the old output, which must survive";
  write_file(dir / source.output, old);
#ifndef _WIN32
  ::chmod((dir / source.output).c_str(), 0640);
#endif

  FaultyFiles files(GetParam().fault);
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", dir / source.name}, files, console), kExitFailed);

  EXPECT_EQ(files.fired_count, 1);
  EXPECT_EQ(file_text(dir / source.output), old);
#ifndef _WIN32
  EXPECT_EQ(mode_of(dir / source.output), 0640u);  // permission bits are POSIX
#endif
  EXPECT_EQ(dir.names(), (std::set<std::string>{source.output, source.name}));
  ASSERT_EQ(console.errors.size(), 1u) << console.all_errors();
  EXPECT_EQ(console.errors[0], dir / source.output + ": " + kCannotCreate() + ": " + files.reason);
}

TEST_P(InjectedFault, CreatesNothingWhereNoOutputWas) {
  const Source& source = GetParam().source;
  TempDir dir;
  write_file(dir / source.name, source.text);
  FaultyFiles files(GetParam().fault);
  RecordingConsole console;
  EXPECT_EQ(run_driver({dir / source.name}, files, console), kExitFailed);
  EXPECT_EQ(files.fired_count, 1);
  EXPECT_EQ(dir.names(), std::set<std::string>{source.name});
  EXPECT_EQ(console.errors.size(), 1u) << console.all_errors();
}

TEST_P(InjectedFault, LaterFilesOfTheRunAreStillConverted) {
  const Source& source = GetParam().source;
  TempDir dir;
  write_file(dir / source.name, source.text);
  write_file(dir / "start_game.txt", "<start_scene_index>\n7\n</start_scene_index>\n");
  FaultyFiles files(GetParam().fault);
  RecordingConsole console;
  // The first output meets the fault; the second goes through.
  EXPECT_EQ(run_driver({dir / source.name, dir / "start_game.txt"}, files, console), kExitFailed);
  EXPECT_EQ(files.fired_count, 1);
  EXPECT_EQ(dir.names(),
            (std::set<std::string>{source.name, "start_game.dat", "start_game.txt"}));
  EXPECT_EQ(console.errors.size(), 1u) << console.all_errors();
}

INSTANTIATE_TEST_SUITE_P(
    Seam, InjectedFault,
    testing::Values(Case{"CreateTemp", Fault::CreateTemp},
                    Case{"WriteHalfway", Fault::WriteHalfway}, Case{"DiskFull", Fault::DiskFull},
                    Case{"Close", Fault::Close}, Case{"DiskFullAtClose", Fault::DiskFullAtClose},
                    Case{"Flush", Fault::Flush}, Case{"Rename", Fault::Rename},
                    Case{"ItemsCreateTemp", Fault::CreateTemp, kItems},
                    Case{"ItemsDiskFullAtCountLine", Fault::DiskFullAtResize, kItems},
                    Case{"ItemsDiskFull", Fault::DiskFull, kItems},
                    Case{"ItemsFlush", Fault::Flush, kItems}),
    [](const auto& info) { return std::string(info.param.name); });

// The outputs of a run are written first, then flushed to the disk in one step, then renamed in
// the order they came, and last their folders are flushed.
TEST(InjectedFault, WithoutAFaultTheOutputsAreReplacedTogether) {
  TempDir dir;
  write_file(dir / "start_game.txt", "<start_scene_index>\n7\n</start_scene_index>\n");
  write_file(dir / "start_game.dat", "old");
  write_file(dir / "prepare.txt", kSource);
  FaultyFiles files(Fault::None);
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt", dir / "prepare.txt"}, files, console),
            kExitOk);
  EXPECT_EQ(files.fired_count, 0);
  EXPECT_EQ(files.steps,
            (std::vector<std::string>{
                "create start_game.dat", "write", "close", "create prepare.dat", "write", "close",
                "flush 2", "rename start_game.dat", "rename prepare.dat", "flush folders 2"}));
  EXPECT_EQ(text(file_text(dir / "start_game.dat")),
            keyed(1, {field("start_scene_index", i32(7))}));
  EXPECT_EQ(text(file_text(dir / "prepare.dat")), kOutput);
  EXPECT_EQ(dir.names(), (std::set<std::string>{"prepare.dat", "prepare.txt", "start_game.dat",
                                                "start_game.txt"}));
  EXPECT_TRUE(console.errors.empty()) << console.all_errors();
}

// Once renamed, the new output stays; a folder that cannot be flushed fails the run all the same.
TEST(InjectedFault, AFolderThatCannotBeFlushedIsTold) {
  TempDir dir;
  write_file(dir / "prepare.txt", kSource);
  write_file(dir / "prepare.dat", "old");
  FaultyFiles files(Fault::FolderFlush);
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", dir / "prepare.txt"}, files, console), kExitFailed);
  EXPECT_EQ(files.fired_count, 1);
  EXPECT_EQ(text(file_text(dir / "prepare.dat")), kOutput);
  EXPECT_EQ(dir.names(), (std::set<std::string>{"prepare.dat", "prepare.txt"}));
  ASSERT_EQ(console.errors.size(), 1u) << console.all_errors();
  EXPECT_EQ(console.errors[0],
            dir / "prepare.dat" + ": " + kCannotCreate() +
                ": in place, but its folder could not be flushed to the disk: " + files.reason);
}

}  // namespace
}  // namespace kelv::test
