// What the file system refuses, met through the real seam in a fresh folder: each refusal is
// told to the user, ends the run with status 1, and leaves what was there as it was.
// POSIX only (left out of the Windows build): permission bits, other users, symbolic links,
// pipes and the POSIX shell; windows_test.cpp meets the Windows refusals.
#include <gtest/gtest.h>
#ifdef __linux__
#include <sys/mount.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>

#include "files_support.h"
#include "support.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStart = "<start_scene_index>\n7\n</start_scene_index>\n";

Bytes start_output(std::int32_t index) {
  return keyed(1, {field("start_scene_index", i32(index))});
}

bool contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

// ---- sources ----------------------------------------------------------------------------

// A source that opens but cannot be read (here the process's own memory, whose first page is
// not mapped) is a failure, not an empty conversion.
TEST(SourceRefused, AReadThatFailsIsACannotReadFailureNotAnEmptyConversion) {
  TempDir dir;
  fs::create_symlink("/proc/self/mem", dir / "start_game.txt");
  RecordingConsole console;
  EXPECT_EQ(run_driver({dir / "start_game.txt"}, system_files(), console), kExitFailed);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_EQ(console.errors[0], dir / "start_game.txt" + ": cannot read: Input/output error");
  EXPECT_EQ(dir.names(), std::set<std::string>{"start_game.txt"});
}

TEST(SourceRefused, MissingOrUnreachableSourcesCannotBeOpened) {
  TempDir dir;
  write_file(dir / "file", "a regular file");
  fs::create_symlink("gone.txt", dir / "start_game.txt");
  const struct {
    std::string path;
    std::string_view reason;
  } cases[] = {
      {dir / "prepare.txt", "No such file or directory"},     // never was
      {dir / "start_game.txt", "No such file or directory"},  // a link to a missing file
      {dir / "file/prepare.txt", "Not a directory"},          // through a regular file
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    EXPECT_EQ(run_driver({c.path}, system_files(), console), kExitFailed) << c.path;
    ASSERT_EQ(console.errors.size(), 1u) << c.path;
    EXPECT_EQ(console.errors[0], c.path + ": cannot open: " + std::string(c.reason));
  }
  EXPECT_EQ(dir.names(), (std::set<std::string>{"file", "start_game.txt"}));
}

TEST(SourceRefused, ASourceThatVanishedDoesNotStopTheOthers) {
  TempDir dir;
  write_file(dir / "prepare.txt", "");
  write_file(dir / "start_game.txt", kStart);
  fs::remove(dir / "prepare.txt");
  RecordingConsole console;
  EXPECT_EQ(run_driver({dir / "prepare.txt", dir / "start_game.txt"}, system_files(), console),
            kExitFailed);
  EXPECT_EQ(console.errors.size(), 1u) << console.all_errors();
  EXPECT_EQ(text(file_text(dir / "start_game.dat")), start_output(7));
}

// The real program's streams: failures after its name, and warnings, on standard error; what it
// did (-v) on standard output.
TEST(RealProgram, FailuresAndWarningsOnStandardError) {
  TempDir dir;
  fs::create_directory(dir / "a");
  fs::create_symlink("/proc/self/mem", dir / "a/start_game.txt");
  write_file(dir / "b/start_game.txt", kStart);
  fs::create_directory(dir / "b/start_game.dat");
  write_file(dir / "c/start_game.txt", "<start_scene_index>\nx\n</start_scene_index>\n");
  const std::string command = std::string(KELV_BINARY) + " -v -y '" + dir / "a/start_game.txt" +
                              "' '" + dir / "b/start_game.txt" + "' '" + dir / "c/start_game.txt" +
                              "' 2>&1 >'" + dir / "out" + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string err;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    err += buffer;
  const int status = ::pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitFailed) << status;
  EXPECT_EQ(err, "kelvconv: " + dir / "a/start_game.txt" + ": cannot read: Input/output error\n" +
                     "kelvconv: " + dir / "b/start_game.dat" +
                     ": ファイルを作成できません (cannot create the file): Is a directory\n" +
                     dir / "c/start_game.txt" +
                     ":2:1: warning: the line has \"x\" where a number belongs; start_scene_index "
                     "keeps what earlier lines gave it [scan]\n");
  EXPECT_EQ(file_text(dir / "out"), dir / "c/start_game.txt -> " + dir / "c/start_game.dat\n");
}

// ---- outputs ----------------------------------------------------------------------------

TEST(OutputRefused, AFolderInTheOutputsPlaceStaysAndNothingIsLeft) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  fs::create_directory(dir / "start_game.dat");
  write_file(dir / "start_game.dat/inside", "kept");
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), console), kExitFailed);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_TRUE(contains(console.errors[0], "Is a directory")) << console.errors[0];
  EXPECT_EQ(file_text(dir / "start_game.dat/inside"), "kept");
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
}

TEST(OutputRefused, AReadOnlyFolderKeepsItsOldOutput) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "start_game.dat", "old");
  ::chmod((dir / "start_game.txt").c_str(), 0644);
  ::chmod((dir / "start_game.dat").c_str(), 0666);  // the file itself may be written
  // The folder belongs to the user who runs the program, who took away its write permission.
  if (is_root()) {
    ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
  }
  ::chmod(dir.path().c_str(), 0555);
  const std::string source = dir / "start_game.txt";
  const int status = as_ordinary_user([&] {
    RecordingConsole console;
    const int s = run_driver({"-y", source}, system_files(), console);
    return console.errors.size() == 1 && contains(console.errors[0], "Permission denied") ? s : 99;
  });
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(file_text(dir / "start_game.dat"), "old");
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
}

TEST(OutputRefused, AReadOnlyFileIsNotReplaced) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "start_game.dat", "old");
  ::chmod((dir / "start_game.txt").c_str(), 0644);
  ::chmod((dir / "start_game.dat").c_str(), 0444);
  if (is_root()) {
    ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown((dir / "start_game.dat").c_str(), 65534, 65534), 0);
  }
  const std::string source = dir / "start_game.txt";
  const int status = as_ordinary_user([&] {
    RecordingConsole console;
    const int s = run_driver({"-y", source}, system_files(), console);
    return console.errors.size() == 1 && contains(console.errors[0], "Permission denied") ? s : 99;
  });
  EXPECT_EQ(status, kExitFailed);
  EXPECT_EQ(file_text(dir / "start_game.dat"), "old");
  EXPECT_EQ(mode_of(dir / "start_game.dat"), 0444u);
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
}

TEST(OutputRefused, APipeOrDeviceIsNotReplacedByAFile) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0666), 0);
  fs::create_symlink("pipe", dir / "start_game.dat");
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), console), kExitFailed);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_TRUE(contains(console.errors[0], "not a regular file")) << console.errors[0];
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"pipe", "start_game.dat", "start_game.txt"}));
}

// ---- the overwrite rule against the output's state ------------------------------------------

// Each option (none: the question, answered no) against each state of the output: what became of
// the output and the run's status, in one table. Times are set to the nanosecond; "same second"
// is an output a fraction of a second older than its source, in the same second. The read-only
// folder and the folder in the output's place hold an output older than its source. Every run is
// made by a user without root's power, the folder being theirs.
TEST(OverwriteRule, EachOptionAgainstEachStateOfTheOutput) {
  enum State { Missing, Older, Newer, SameTime, SameSecond, ReadOnlyFolder, FolderInPlace };
  const State states[] = {Missing, Older, Newer, SameTime, SameSecond, ReadOnlyFolder,
                          FolderInPlace};
  const std::vector<std::vector<std::string>> options = {{}, {"-y"}, {"-n"}, {"-u"},
                                                         {"-u", "-y"}, {"-u", "-n"}};
  // What a run did, by what it left and told: the code the child process returns.
  const char* const actions[] = {"converted", "kept", "asked", "current", "failed", "other"};
  const std::string want =
      "      | converted 0 asked 0   asked 0   asked 0   asked 0   asked 0   asked 0\n"
      "-y    | converted 0 converted 0 converted 0 converted 0 converted 0 failed 1  failed 1\n"
      "-n    | converted 0 kept 0    kept 0    kept 0    kept 0    kept 0    kept 0\n"
      "-u    | converted 0 converted 0 current 0 current 0 converted 0 failed 1  failed 1\n"
      "-u -y | converted 0 converted 0 current 0 current 0 converted 0 failed 1  failed 1\n"
      "-u -n | converted 0 kept 0    current 0 current 0 kept 0    kept 0    kept 0\n";
  std::string got;
  for (const std::vector<std::string>& option : options) {
    std::string row;
    for (const std::string& o : option)
      row += (row.empty() ? "" : " ") + o;
    row.resize(6, ' ');
    row += "|";
    for (const State state : states) {
      TempDir dir;
      const std::string source = dir / "start_game.txt";
      const std::string output = dir / "start_game.dat";
      write_file(source, kStart);
      ::chmod(source.c_str(), 0644);
      if (state == FolderInPlace) {
        fs::create_directory(output);
      } else if (state != Missing) {
        write_file(output, "old");
        ::chmod(output.c_str(), 0644);
      }
      // The source's time, and the output's by the state.
      const auto set_time = [](const std::string& path, std::time_t s, long ns) {
        const timespec times[2] = {{s, ns}, {s, ns}};
        return ::utimensat(AT_FDCWD, path.c_str(), times, 0);
      };
      const std::time_t now = std::time(nullptr) - 100;
      ASSERT_EQ(set_time(source, now, 600000000), 0);
      if (state != Missing) {
        const std::time_t s = state == Newer ? now + 10 : state == SameTime || state == SameSecond
                                                              ? now
                                                              : now - 10;
        ASSERT_EQ(set_time(output, s, state == SameTime ? 600000000 : 300000000), 0);
      }
      if (is_root()) {
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        if (state != Missing) {
          ASSERT_EQ(::chown(output.c_str(), 65534, 65534), 0);
        }
      }
      if (state == ReadOnlyFolder) ::chmod(dir.path().c_str(), 0555);
      const int code = as_ordinary_user([&] {
        RecordingConsole console(Answer::No);
        std::vector<std::string> args = option;
        args.insert(args.end(), {"-v", source});
        const int status = run_driver(args, system_files(), console);
        const bool written =
            fs::is_regular_file(output) && text(file_text(output)) == start_output(7);
        const bool up_to_date = !console.infos.empty() && contains(console.infos[0], "up to date");
        const bool asked = !console.questions.empty();
        const int action = status == kExitFailed && !written && console.errors.size() == 1 ? 4
                           : asked && !written                                         ? 2
                           : up_to_date && !written                                    ? 3
                           : written && !asked                                         ? 0
                           : !written                                                  ? 1
                                                                                       : 5;
        return status * 8 + action;
      });
      if (code < 0) {
        row += " died";
        continue;
      }
      const std::string cell = std::string(actions[code % 8]) + " " + std::to_string(code / 8);
      row += " " + cell + std::string(cell.size() < 9 ? 9 - cell.size() : 0, ' ');
      // What was not written is as it was.
      if (state != Missing && state != FolderInPlace && code % 8 != 0) {
        EXPECT_EQ(file_text(output), "old") << row;
      }
    }
    while (row.back() == ' ')
      row.pop_back();
    got += row + "\n";
  }
  EXPECT_EQ(got, want);
}

// ---- paths as typed -----------------------------------------------------------------------

// A folder typed in any way (trailing separators, doubled ones, "." and "..", relative or
// absolute) gives, in every mode, what "game/" gives, each path printed as typed: the folder as
// typed, a separator unless it ends with one, and the name. A file of the folder typed in another
// way than its list is still checked against it.
TEST(TypedPaths, EveryModeTellsPathsAsTypedAndFindsTheSameFiles) {
  TempDir dir;
  write_file(dir / "game/start_game.txt", "<start_scene_index>\nx\n</start_scene_index>\n");
  write_file(dir / "game/notes.txt", "not a source");
  write_file(dir / "game/item_list.dat", "not a data file");
  write_file(dir / "game/names.txt", "<item_list>\nvalue2 price\n</item_list>\n");
  write_file(dir / "game/setting.txt", "<wave_bare>\n3\n</wave_bare>\n");
  write_file(dir / "game/wave_list.txt", "<wave_number>\n2\n</wave_number>\n");
  fs::create_directory(dir / "game/maps");
  const std::string spellings[] = {"game",        "game/",          "game//",
                                   "./game",      ".//game/",       "game/.",
                                   "game/./",     "game/maps/..",   "game/maps/../",
                                   dir / "game",  dir.path() + "//game/"};
  struct Row {
    std::vector<std::string> args;  // "{F}" stands for the folder as typed
    std::string only;               // the name typed after it, its stem; empty: the folder
    std::string anchor;             // what the run with "game/" tells, that this may not be void
  } rows[] = {
      {{"-v", "-y", "{F}"}, "", "game/start_game.txt -> game/start_game.dat"},
      {{"-v", "-y", "{F}start_game.txt"}, "start_game.", "game/start_game.txt:2:1: warning"},
      {{"-v", "--check", "{F}"}, "", "game/notes.txt: skipped"},
      {{"--check", "{F}setting.txt", "game/wave_list.txt"}, "setting.",
       "game/setting.txt:2: warning"},
      {{"--check", "game/setting.txt", "{F}wave_list.txt"}, "wave_list.",
       "beyond the sound list: game/wave_list.txt"},
      {{"-v", "--dump", "{F}"}, "", "game/item_list.dat: "},
      {{"--dump", "--json", "{F}start_game.dat"}, "start_game.", "start_scene_index"},
      {{"--explain", "{F}"}, "", "\"price\""},
      {{"--explain", "{F}item_list.txt"}, "item_list.", "\"price\""},
      {{"--names", "{F}start_game"}, "start_game", "<start_game>"},
      {{"--names", "{F}no_such"}, "no_such", "'game/no_such'"},
      {{"-v", "-y", "--decompile", "{F}"}, "", "game/start_game.dat -> game/start_game.txt"},
  };
  const auto cwd = fs::current_path();
  fs::current_path(fs_path(dir.path()));
  // A folder as typed, and the same with a separator to put a name after.
  const auto told = [](const Row& row, const std::string& folder) {
    const std::string typed = folder.ends_with('/') ? folder : folder + "/";
    std::vector<std::string> args;
    for (const std::string& a : row.args)
      args.push_back(a == "{F}" ? folder : a.starts_with("{F}") ? typed + a.substr(3) : a);
    RecordingConsole console;
    const int status = run_driver(args, system_files(), console);
    std::string out = "status " + std::to_string(status) + "\n" + console.all_errors() + "--\n";
    for (const std::string& line : console.infos)
      out += line + "\n";
    return out;
  };
  for (const Row& row : rows) {
    told(row, "game/");  // what a run leaves, as the later ones find it
    const std::string canonical = told(row, "game/");
    EXPECT_TRUE(contains(canonical, row.anchor)) << row.args[1] << "\n" << canonical;
    for (const std::string& folder : spellings) {
      const std::string typed = folder.ends_with('/') ? folder : folder + "/";
      std::string want = canonical;
      const std::string from = "game/" + row.only;
      for (std::size_t at = 0; (at = want.find(from, at)) != std::string::npos; at += typed.size())
        want.replace(at, 5, typed);
      EXPECT_EQ(told(row, folder), want) << folder << " " << testing::PrintToString(row.args);
    }
  }
  fs::current_path(cwd);
}

// ---- a full disk ---------------------------------------------------------------------------
#ifdef __linux__

// A file system of 256 KiB of its own, mounted over a fresh folder for one test: a tmpfs, where
// the test runs as root on a machine that lets it mount one (else the test is skipped).
class SmallDisk {
 public:
  SmallDisk() {
    if (::mount("kelvconv-test", dir_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") ==
        0) {
      mounted_ = true;
    } else {
      why_ = std::strerror(errno);
    }
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(dir_.path().c_str(), MNT_DETACH);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }
  std::string operator/(std::string_view name) const { return dir_ / name; }
  std::set<std::string> names() const { return dir_.names(); }

 private:
  TempDir dir_;
  bool mounted_ = false;
  std::string why_;
};

// The item list takes the room of its whole table on the disk at its count line, before any of
// its records is written; the talk list meets the full disk at a write of its texts. Either way
// the old output stays as it was, nothing is left beside it, and the user is told.
TEST(FullDisk, LeavesTheOldOutputAndTellsIt) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here: " << disk.why();
  struct Case {
    const char* source;
    std::string text;
    const char* output;
  } cases[] = {
      {"item_list.txt", "<item_number>\n2000\n</item_number>\n<item_data>\n0 1 2\n",
       "item_list.dat"},
      {"talk_list.txt",
       "<talk_number>\n150\n</talk_number>\n<talk_data>\n" +
           [] {
             std::string texts;  // 150 KB, and as much output: more than the disk has left
             for (int i = 0; i < 150; ++i)
               texts += std::string(1000, 'a') + "\n";
             return texts;
           }(),
       "talk_list.dat"},
  };
  // With an old output (replaced through a named temporary file) and without (a new output is
  // written unnamed until it is complete).
  for (const bool old : {true, false}) {
    for (const Case& c : cases) {
      write_file(disk / c.source, c.text);
      if (old) write_file(disk / c.output, "old");
      RecordingConsole console;
      EXPECT_EQ(run_driver({"-y", "-q", disk / c.source}, system_files(), console), kExitFailed);
      if (old) {
        EXPECT_TRUE(file_text(disk / c.output) == "old") << c.source;  // not printed whole
      }
      const std::set<std::string> left =
          old ? std::set<std::string>{c.source, c.output} : std::set<std::string>{c.source};
      EXPECT_EQ(disk.names(), left);
      EXPECT_EQ(console.all_errors(),
                disk / c.output + ": " + kCannotCreate() + ": " + std::strerror(ENOSPC) + "\n");
      std::filesystem::remove(disk / c.source);
      std::filesystem::remove(disk / c.output);
    }
  }
  // Where it fits, it is written.
  write_file(disk / "item_list.txt", "<item_number>\n20\n</item_number>\n");
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", disk / "item_list.txt"}, system_files(), console), kExitOk)
      << console.all_errors();
  EXPECT_EQ(file_text(disk / "item_list.dat").size(), 4u + 24 + 18 + 20 * 384);
}

#endif  // __linux__

// ---- new outputs ---------------------------------------------------------------------------

// A new output waits without a name until it is put in place. Something that came to its name
// meanwhile is replaced as an old output is, and one given up leaves nothing.
TEST(NewOutput, IsPutInPlaceOverWhatCameMeanwhileOrLeavesNothing) {
  TempDir dir;
  FileSystem& files = system_files();
  const std::string bytes = "new";
  const FileSystem::Piece piece(reinterpret_cast<const unsigned char*>(bytes.data()), 3);
  std::string kept, dropped;
  FileSystem::Handle handle = -1;
  ASSERT_EQ(files.create_temp(files.resolve(dir / "a.dat"), kept, handle), "");
  ASSERT_EQ(files.write(handle, 0, {&piece, 1}), "");
  ASSERT_EQ(files.close(handle), "");
  ASSERT_EQ(files.create_temp(files.resolve(dir / "b.dat"), dropped, handle), "");
  ASSERT_EQ(files.close(handle), "");
  write_file(dir / "a.dat", "came meanwhile");
  Problem flushed[2];
  const std::string paths[] = {kept, dropped};
  files.flush(paths, flushed);
  EXPECT_EQ(flushed[0], "");
  EXPECT_EQ(files.rename(kept, dir / "a.dat"), "");
  files.remove(dropped);
  EXPECT_EQ(file_text(dir / "a.dat"), "new");
  EXPECT_EQ(dir.names(), std::set<std::string>{"a.dat"});
}

// A run of more new outputs than the program may hold files open (here 50 of 150): those beyond
// wait under temporary names, and every one is put in place.
TEST(NewOutput, MoreThanTheOpenFilesAllowedAreAllWritten) {
  TempDir dir;
  constexpr int kSources = 150;
  std::set<std::string> expected;
  for (int i = 0; i < kSources; ++i) {
    const std::string name = "scene_" + std::to_string(10000 + i);
    write_file(dir / (name + ".txt"), "");
    expected.insert({name + ".txt", name + ".dat"});
  }
  const std::string command =
      "ulimit -n 100 && " + std::string(KELV_BINARY) + " -y -q '" + dir.path() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(dir.names(), expected);
  const std::vector<unsigned char> first = read_file(dir / "scene_10000.dat");
  EXPECT_FALSE(first.empty());
  for (int i = 1; i < kSources; ++i)
    EXPECT_EQ(read_file(dir / ("scene_" + std::to_string(10000 + i) + ".dat")), first) << i;
}

// ---- symbolic links as outputs ------------------------------------------------------------

// As with `cp`: the new content goes to the file the link leads to, and the link stays.
TEST(OutputLink, IsWrittenThroughAndKept) {
  TempDir dir;
  fs::create_directory(dir / "real");
  write_file(dir / "start_game.txt", kStart);
  write_file(dir / "real/target.dat", "old");
  ::chmod((dir / "real/target.dat").c_str(), 0600);
  fs::create_symlink("real/target.dat", dir / "hop.dat");       // relative, through a folder
  fs::create_symlink(dir / "hop.dat", dir / "start_game.dat");  // absolute, to another link
  RecordingConsole console(Answer::Yes);
  EXPECT_EQ(run_driver({dir / "start_game.txt"}, system_files(), console), kExitOk);
  EXPECT_EQ(console.questions.size(), 1u);
  EXPECT_TRUE(fs::is_symlink(dir / "start_game.dat"));
  EXPECT_EQ(fs::read_symlink(dir / "start_game.dat"), dir / "hop.dat");
  EXPECT_EQ(fs::read_symlink(dir / "hop.dat"), "real/target.dat");
  EXPECT_EQ(text(file_text(dir / "real/target.dat")), start_output(7));
  EXPECT_EQ(mode_of(dir / "real/target.dat"), 0600u);
  EXPECT_EQ(dir.names(),
            (std::set<std::string>{"hop.dat", "real", "start_game.dat", "start_game.txt"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 1);
}

// Like `cp`, which will not write through a dangling link: where the missing target would be
// created is not plain, so nothing is created and the link stays.
TEST(OutputLink, ThatLeadsNowhereIsRefusedBeforeTheQuestion) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  fs::create_symlink("missing/target.dat", dir / "start_game.dat");
  RecordingConsole console(Answer::Yes);
  EXPECT_EQ(run_driver({dir / "start_game.txt"}, system_files(), console), kExitFailed);
  EXPECT_TRUE(console.questions.empty());
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_EQ(console.errors[0], dir / "start_game.dat" + ": " + kCannotCreate() +
                                   ": not writing through a dangling symbolic link (to " +
                                   dir.path() + "/missing/target.dat)");
  EXPECT_EQ(fs::read_symlink(dir / "start_game.dat"), "missing/target.dat");
  EXPECT_EQ(dir.names(), (std::set<std::string>{"start_game.dat", "start_game.txt"}));
}

TEST(OutputLink, ALoopIsRefused) {
  TempDir dir;
  write_file(dir / "start_game.txt", kStart);
  fs::create_symlink("other.dat", dir / "start_game.dat");
  fs::create_symlink("start_game.dat", dir / "other.dat");
  RecordingConsole console;
  EXPECT_EQ(run_driver({"-y", dir / "start_game.txt"}, system_files(), console), kExitFailed);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_TRUE(contains(console.errors[0], "Too many levels of symbolic links"))
      << console.errors[0];
  EXPECT_TRUE(fs::is_symlink(dir / "start_game.dat"));
  EXPECT_TRUE(fs::is_symlink(dir / "other.dat"));
  EXPECT_EQ(dir.names(), (std::set<std::string>{"other.dat", "start_game.dat", "start_game.txt"}));
}

// ---- permission bits ----------------------------------------------------------------------

TEST(OutputMode, ANewFileTakesTheUsersUmask) {
  for (const auto& [mask, mode] :
       {std::pair{0022u, 0644u}, std::pair{0077u, 0600u}, std::pair{0002u, 0664u}}) {
    TempDir dir;
    write_file(dir / "start_game.txt", kStart);
    const mode_t old = ::umask(mask);
    RecordingConsole console;
    const int status = run_driver({dir / "start_game.txt"}, system_files(), console);
    ::umask(old);
    EXPECT_EQ(status, kExitOk);
    EXPECT_EQ(mode_of(dir / "start_game.dat"), mode) << "umask " << mask;
  }
}

// Replaced by its owner, without root's power: the set-user-ID and set-group-ID bits, which the
// system clears when such a user writes to a file, are kept as well.
TEST(OutputMode, AnExistingFileKeepsItsMode) {
  for (const unsigned mode : {0600u, 0640u, 0755u, 0664u, 04755u, 02750u, 06755u, 01644u}) {
    TempDir dir;
    const std::string source = dir / "start_game.txt";
    const std::string output = dir / "start_game.dat";
    write_file(source, kStart);
    write_file(output, "old");
    if (is_root()) {
      ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
      ASSERT_EQ(::chown(output.c_str(), 65534, 65534), 0);
    }
    ::chmod(output.c_str(), mode);
    EXPECT_EQ(as_ordinary_user([&] {
                RecordingConsole console;
                return run_driver({"-y", source}, system_files(), console);
              }),
              kExitOk);
    EXPECT_EQ(mode_of(output), mode) << std::oct << mode;
    EXPECT_EQ(text(file_text(output)), start_output(7));
  }
}

}  // namespace
}  // namespace kelv::test
