// What authors use beside converting: folders as arguments and -u. (--explain is told by the
// cases under tests/cases, "explain*".)
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

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

TEST_F(Authoring, AFolderStandsForItsSourcesInByteOrder) {
  for (const std::string folder : {"named/", "folder/"}) {
    write_file(dir / (folder + "map_anim_town.txt"), kTown);
    write_file(dir / (folder + "map_anim_cave.txt"), kCave);
    write_file(dir / (folder + "item_list.txt"), kItems);
    write_file(dir / (folder + "notes.txt"), "not a source");
    write_file(dir / (folder + "sub/scene_a.txt"), "<scene_kind>\n4\n</scene_kind>\n");
  }
  // In byte order, the cave comes before the town and takes nothing from it.
  EXPECT_EQ(kelvconv({"-y", dir / "named/item_list.txt", dir / "named/map_anim_cave.txt",
                      dir / "named/map_anim_town.txt"}),
            0);
  EXPECT_EQ(kelvconv({"-y", "-v", dir / "folder"}), 0);
  for (const std::string name : {"item_list.dat", "map_anim_cave.dat", "map_anim_town.dat"})
    EXPECT_EQ(bytes("folder/" + name), bytes("named/" + name)) << name;
  EXPECT_FALSE(fs::exists(fs_path(dir / "folder/sub/scene_a.dat")));
  EXPECT_NE(std::ranges::find(console.infos,
                              dir / "folder/notes.txt" + ": skipped (no converter for this name)"),
            console.infos.end());
  // With -r, the subfolders too.
  EXPECT_EQ(kelvconv({"-y", "-r", dir / "folder"}), 0);
  EXPECT_TRUE(fs::exists(fs_path(dir / "folder/sub/scene_a.dat")));
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
  write_file(dir / "map_anim_a.txt",
             "<map_anim_main_data>\n7 8 9 river.bmp\n</map_anim_main_data>\n");
  fs::last_write_time(fs_path(dir / "map_anim_a.txt"),
                      fs::last_write_time(fs_path(dir / "map_anim_a.dat")) + std::chrono::hours(1));
  EXPECT_EQ(kelvconv(args), 0);
  EXPECT_EQ(console.infos, (std::vector<std::string>{all[0] + " -> " + dir / "map_anim_a.dat",
                                                     all[1] + " -> " + dir / "map_anim_b.dat",
                                                     all[2] + ": up to date"}));
  EXPECT_NE(bytes("map_anim_b.dat"), full);
  const std::vector<unsigned char> updated = bytes("map_anim_b.dat");
  EXPECT_EQ(kelvconv({"-y", all[0], all[1]}), 0);
  EXPECT_EQ(bytes("map_anim_b.dat"), updated);
}

}  // namespace
}  // namespace kelv::test
