// What authors use beside converting: folders as arguments and -u. (--explain is told by the
// cases under tests/cases, "explain*".)
#include <gtest/gtest.h>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <chrono>
#include <filesystem>
#include <memory>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "files_support.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

const std::string kItems =
    "<item_number>\n1\n</item_number>\n<item_data>\n1 2 3 herb\n</item_data>\n";
const std::string kTown = "<map_anim_main_data>\n1 2 3 town.bmp\n</map_anim_main_data>\n";
// Without main data of its own: it takes what the map animation before it in the run gave.
const std::string kCave = "<map_anim_number>\n0\n</map_anim_number>\n";

class Authoring : public ::testing::Test {
 protected:
  int kelvconv(std::vector<std::string> args) {
    console = RecordingConsole(Answer::Yes);
    return run_driver(args, system_files(), console);
  }
  std::vector<unsigned char> bytes(const std::string& name) { return read_file(dir / name); }

  TempDir dir;
  RecordingConsole console;
};

// A folder stands for the sources directly inside it, in the byte order of their names; with
// -r, a subfolder's sources come in its place in that order. Each map animation without main data
// takes the one before it in the run, so the order shows in the data files too.
TEST_F(Authoring, AFolderStandsForItsSourcesInByteOrderDepthFirstWithR) {
  write_file(dir / "g/map_anim_b.txt", kTown);
  write_file(dir / "g/map_anim_c/map_anim_c.txt", kCave);  // a folder between two sources
  write_file(dir / "g/map_anim_d.txt", kCave);
  write_file(dir / "g/notes.txt", "not a source");
  const std::string g = dir / "g";
  const auto converted = [&](const std::string& folder, const std::string& name) {
    return joined(folder, name + ".txt") + " -> " + joined(folder, name + ".dat");
  };
  const std::string skipped = joined(g, "notes.txt") + ": skipped: not a source kelvconv knows";
  EXPECT_EQ(kelvconv({"-v", g}), 0);
  EXPECT_EQ(console.infos, (std::vector<std::string>{converted(g, "map_anim_b"),
                                                     converted(g, "map_anim_d"), skipped}));
  EXPECT_FALSE(fs::exists(fs_path(dir / "g/map_anim_c/map_anim_c.dat")));
  // Now with the outputs of the first run beside their sources, which are no news, and -r.
  EXPECT_EQ(kelvconv({"-r", "-v", g}), 0);
  EXPECT_EQ(console.infos,
            (std::vector<std::string>{converted(g, "map_anim_b"),
                                      converted(joined(g, "map_anim_c"), "map_anim_c"),
                                      converted(g, "map_anim_d"), skipped}));
  EXPECT_EQ(bytes("g/map_anim_d.dat"), bytes("g/map_anim_c/map_anim_c.dat"));
  EXPECT_NE(bytes("g/map_anim_d.dat"), bytes("g/map_anim_b.dat"));
}

TEST_F(Authoring, UpdateConvertsWhatIsOutOfDateAndTheWholeOfItsKind) {
  write_file(dir / "map_anim_a.txt", kTown);
  write_file(dir / "map_anim_b.txt", kCave);
  write_file(dir / "item_list.txt", kItems);
  const std::vector<std::string> all = {dir / "map_anim_a.txt", dir / "map_anim_b.txt",
                                        dir / "item_list.txt"};
  std::vector<std::string> args = {"-u", "-v"};
  args.insert(args.end(), all.begin(), all.end());
  EXPECT_EQ(kelvconv(args), 0);
  EXPECT_EQ(console.infos.size(), 3u);  // every output was missing
  const std::vector<unsigned char> full = bytes("map_anim_b.dat");

  EXPECT_EQ(kelvconv(args), 0);
  EXPECT_EQ(console.infos,
            (std::vector<std::string>{all[0] + ": up to date", all[1] + ": up to date",
                                      all[2] + ": up to date"}));

  // A newer first map animation: the second takes its main data, so both are converted again.
  // The output older than its source is replaced without a question, as make would; the other,
  // newer than its source, is asked about as ever.
  write_file(dir / "map_anim_a.txt",
             "<map_anim_main_data>\n7 8 9 river.bmp\n</map_anim_main_data>\n");
  fs::last_write_time(fs_path(dir / "map_anim_a.txt"),
                      fs::last_write_time(fs_path(dir / "map_anim_a.dat")) + std::chrono::hours(1));
  EXPECT_EQ(kelvconv(args), 0);
  EXPECT_EQ(console.questions, std::vector<std::string>{dir / "map_anim_b.dat"});
  EXPECT_EQ(console.infos, (std::vector<std::string>{all[0] + " -> " + dir / "map_anim_a.dat",
                                                     all[1] + " -> " + dir / "map_anim_b.dat",
                                                     all[2] + ": up to date"}));
  EXPECT_NE(bytes("map_anim_b.dat"), full);
  const std::vector<unsigned char> updated = bytes("map_anim_b.dat");
  EXPECT_EQ(kelvconv({"-y", all[0], all[1]}), 0);
  EXPECT_EQ(bytes("map_anim_b.dat"), updated);
}

// Sets the modification times of `a` and `b` to `at_a` and `at_b` into one whole second. On
// Windows through the system: the standard library of the build there sets whole seconds only.
void set_times_in_one_second(const std::string& a, std::chrono::milliseconds at_a,
                             const std::string& b, std::chrono::milliseconds at_b) {
#ifdef _WIN32
  // FILETIME: 100 ns units.
  const auto set = [](const std::string& path, ULONGLONG& second, std::chrono::milliseconds at) {
    const HANDLE h = CreateFileW(
        fs_path(path).c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    if (second == 0) {
      FILETIME now{};
      GetFileTime(h, nullptr, nullptr, &now);
      second = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
      second -= second % 10'000'000;
    }
    const ULONGLONG when = second + static_cast<ULONGLONG>(at.count()) * 10'000;
    FILETIME t{static_cast<DWORD>(when), static_cast<DWORD>(when >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t)) << path;
    CloseHandle(h);
  };
  ULONGLONG second = 0;
  set(a, second, at_a);
  set(b, second, at_b);
#else
  const fs::file_time_type second =
      std::chrono::floor<std::chrono::seconds>(fs::last_write_time(fs_path(a)));
  fs::last_write_time(fs_path(a), second + at_a);
  fs::last_write_time(fs_path(b), second + at_b);
#endif
}

// Times apart by less than a second still tell which file is newer.
TEST_F(Authoring, UpdateTellsTimesApartByLessThanASecond) {
  using std::chrono::milliseconds;
  const std::string source = dir / "item_list.txt";
  const std::string output = dir / "item_list.dat";
  struct Case {
    milliseconds source;
    milliseconds output;
    bool converted;
  } cases[] = {
      {milliseconds(600), milliseconds(100), true},  // the source half a second newer
      {milliseconds(100), milliseconds(600), false},
      {milliseconds(300), milliseconds(300), false},
  };
  for (const Case& c : cases) {
    write_file(source, kItems);
    write_file(output, "old");
    set_times_in_one_second(source, c.source, output, c.output);
    EXPECT_EQ(kelvconv({"-u", "-v", source}), 0);
    EXPECT_EQ(console.infos, std::vector<std::string>{c.converted ? source + " -> " + output
                                                                  : source + ": up to date"})
        << c.source.count() << " ms and " << c.output.count() << " ms into a second";
  }
}

}  // namespace
}  // namespace kelv::test
