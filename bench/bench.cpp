// kelv_bench: kelvconv beside copying the same bytes.
//
// Makes the workloads in a work folder, always the same bytes (a fixed seed):
//
//   items     item_list.txt, 200,000 items
//   talk      talk_list.txt, 200,000 Shift-JIS lines
//   monsters  monster_list.txt, 100,000 monsters
//   flags     scene_flags.txt, one scene with 50,000 flag commands
//   scenes    5,000 small scene files, converted by one command
//   editor    the item list open in the language server (kelvconv --lsp), edited
//
// Then, for each, kelvconv and its reference run one after the other, --runs times: for the lists,
// `cat` of the source and the output into a file; for the scenes, `cp -r` of a folder of the
// same sources. Every output is replaced (-y), as when an author converts again after an edit,
// and every copy overwrites the last one; `sync` runs between, untimed. The medians are printed:
// source MB/s (or files/s), CPU time (user + system) and page faults beside the reference's,
// the ratio of the CPU times, peak memory beside the size of the tables the source declares,
// and, from one more run under `strace -c`, the flush calls (fsync, fdatasync, syncfs, sync,
// sync_file_range) per output folder.
//
// Each workload is measured twice. Warm: the runs follow one another, each taking the memory the
// last one gave back. Cold: before each run (of kelvconv and of its reference alike) the machine
// is made to give memory back: a block of --cold-mib MiB is written and freed, and the bench
// waits 3 seconds, longer than a virtual machine takes to return free memory to its host (with
// --drop-caches, as root, the file cache is dropped first, so the sources are read anew too).
//
// For the lists, the parts of a conversion are timed in this process, by the program's own code
// (CPU time, medians): read (the line reader alone, over the whole source), scan (the converter
// reads the source, its output going nowhere: the walk, the scan and the records), fill (the
// same with its output in a real temporary file beside the real one, as the program writes it
// while reading; less scan: the cost of putting the records into the file), and write (the
// program's whole CPU time less those: the fields around the records, the flush and the rename,
// and starting the program).
//
//
// The editor workload opens the item list (as UTF-8, as an editor sends it) in kelvconv --lsp and
// makes a one-character edit in its middle line, --runs times; it prints the medians of the time
// from the edit to its findings, less the pause the server waits for before it checks (typing
// goes on in it), and to the answer of a request that needs the edited text read again (the
// outline), which no pause holds up.
//
//
//   kelv_bench [--runs N] [--work DIR] [--kelvconv PATH] [--cold-mib N] [--drop-caches]
//              [--warm-only] [WORKLOAD...]
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "convert/catalog.h"
#include "driver/file_source.h"
#include "driver/output_queue.h"
#include "format/data_stream.h"
#include "format/line_reader.h"
#include "format/report.h"
#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

// splitmix64: the same numbers on every machine and compiler.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // In [low, high].
  int in(int low, int high) {
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
  }

 private:
  std::uint64_t state_;
};

// `n` Shift-JIS characters: hiragana, katakana and kanji of the first level, with a '#' (a line
// break in the game's texts) now and then when `breaks`.
std::string sjis(Random& r, int n, bool breaks) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (breaks && i > 0 && i + 1 < n && r.in(0, 15) == 0) {
      s += '#';
      continue;
    }
    int lead = 0;
    int trail = 0;
    switch (r.in(0, 2)) {
      case 0:  // hiragana
        lead = 0x82;
        trail = r.in(0x9F, 0xF1);
        break;
      case 1:  // katakana
        lead = 0x83;
        trail = r.in(0x40, 0x96);
        if (trail == 0x7F) trail = 0x80;
        break;
      default:  // kanji
        lead = r.in(0x88, 0x97);
        trail = r.in(0x40, 0xFC);
        if (trail == 0x7F) trail = 0x80;
        if (lead == 0x88 && trail < 0x9F) trail = 0x9F;
        break;
    }
    s += static_cast<char>(lead);
    s += static_cast<char>(trail);
  }
  return s;
}

std::string number(Random& r) {
  switch (r.in(0, 7)) {
    case 0:
    case 1:
    case 2:
      return "0";
    case 3:
      return std::to_string(-r.in(1, 50));
    case 4:
      return std::to_string(r.in(1000, 99999));
    default:
      return std::to_string(r.in(1, 300));
  }
}

std::string real(Random& r) {
  return std::to_string(r.in(0, 4)) + "." + std::to_string(r.in(0, 99));
}

// Appends the pieces to `s`.
void add(std::string& s, std::initializer_list<std::string_view> pieces) {
  for (const std::string_view p : pieces)
    s += p;
}

// Writes `bytes` to `path` unless the file holds them already (from an earlier run).
void write_file(const fs::path& path, const std::string& bytes) {
  std::error_code ec;
  if (fs::file_size(path, ec) == bytes.size() && !ec) {
    std::ifstream in(path, std::ios::binary);
    std::string now(bytes.size(), '\0');
    in.read(now.data(), static_cast<std::streamsize>(now.size()));
    if (in && now == bytes) return;
  }
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Workload {
  std::string name;
  std::string what;
  std::vector<std::string> sources;  // relative to the work folder
  std::vector<std::string> outputs;
  std::string tree;  // the folder of the sources when there are many, else empty
  std::uint64_t source_bytes = 0;
  std::uint64_t table_bytes = 0;  // what the source declares; 0 where that means nothing
  std::size_t folders = 1;        // output folders
};

constexpr std::string_view kCrLf = "\r\n";

Workload items(const fs::path& work) {
  Random r(14);
  std::string s = "Items: sixteen numbers, a name, a text ('#' breaks the line)\r\n\r\n";
  constexpr int kCount = 200'000;
  s += "<item_number>\r\n" + std::to_string(kCount) + "\r\n</item_number>\r\n<item_data>\r\n";
  for (int i = 0; i < kCount; ++i) {
    s += std::to_string(r.in(0, 3));
    for (int v = 1; v < 16; ++v)
      add(s, {" ", number(r)});
    add(s, {" ", sjis(r, r.in(2, 6), false), " ", sjis(r, r.in(22, 46), true), kCrLf});
  }
  s += "</item_data>\r\n";
  write_file(work / "items/item_list.txt", s);
  return {"items", "item list, 200,000 items", {"items/item_list.txt"}, {"items/item_list.dat"},
          {}, s.size(), std::uint64_t{384} * kCount};
}

Workload talk(const fs::path& work) {
  Random r(2);
  std::string s = "Dialogue: one text a line, '#' starts a new line on screen\r\n";
  constexpr int kCount = 200'000;
  std::uint64_t texts = 0;
  s += "<talk_number>\r\n" + std::to_string(kCount) + "\r\n</talk_number>\r\n<talk_data>\r\n";
  for (int i = 0; i < kCount; ++i) {
    const std::string line = sjis(r, r.in(30, 62), true);
    texts += line.size() + 1;
    s += line;
    s += kCrLf;
  }
  s += "</talk_data>\r\n";
  write_file(work / "talk/talk_list.txt", s);
  // Each text is held with its NUL, and the table holds a pointer and a length per text.
  return {"talk", "talk list, 200,000 lines", {"talk/talk_list.txt"}, {"talk/talk_list.dat"},
          {}, s.size(), texts + std::uint64_t{16} * kCount};
}

Workload monsters(const fs::path& work) {
  Random r(4);
  std::string s = "Monsters: 11 numbers, 2 reals, 4 numbers, a name, 2 numbers, an image, 5 numbers\r\n";
  constexpr int kCount = 100'000;
  s += "<monster_number>\r\n" + std::to_string(kCount) + "\r\n</monster_number>\r\n";
  s += "<monster_data>\r\n";
  for (int i = 0; i < kCount; ++i) {
    for (int v = 0; v < 11; ++v)
      add(s, {number(r), " "});
    add(s, {real(r), " ", real(r)});
    for (int v = 0; v < 4; ++v)
      add(s, {" ", number(r)});
    add(s, {" ", sjis(r, r.in(2, 8), false), " ", std::to_string(r.in(16, 256)), " ",
            std::to_string(r.in(16, 256)), " monster_", std::to_string(i), ".bmp"});
    for (int v = 0; v < 5; ++v)
      add(s, {" ", number(r)});
    s += kCrLf;
  }
  s += "</monster_data>\r\n";
  write_file(work / "monsters/monster_list.txt", s);
  return {"monsters", "monster list, 100,000 monsters", {"monsters/monster_list.txt"},
          {"monsters/monster_list.dat"}, {}, s.size(), std::uint64_t{420} * kCount};
}

// The head of a scene: its values, a few short lists and the two field tables.
std::string scene_head(Random& r, int number) {
  std::string s = "Scene " + std::to_string(number) + "\n\n";
  s += "<scene_kind>\n" + std::to_string(r.in(0, 3)) + "\n</scene_kind>\n";
  s += "<scene_name>\n" + sjis(r, r.in(3, 10), false) + " " + std::to_string(number) +
       "\n</scene_name>\n";
  s += "<filename_map_data>\nmap_" + std::to_string(number) + ".dat\n</filename_map_data>\n";
  s += "<filename_bg_map_chip>\nchip_bg.bmp\n</filename_bg_map_chip>\n";
  s += "<lyer_map_chip>\nchip_layer.bmp 1 1 32 32 16\n</lyer_map_chip>\n";
  s += "<midi_index>\n" + std::to_string(r.in(0, 20)) + "\n</midi_index>\n";
  s += "<scene_change_number>\n2\n</scene_change_number>\n<scene_change_data>\n";
  for (int i = 0; i < 2; ++i) {
    s += std::to_string(r.in(0, 39)) + " " + std::to_string(r.in(0, 39)) + " " +
         std::to_string(r.in(0, 99)) + " " + std::to_string(r.in(0, 3)) + "\n";
  }
  s += "</scene_change_data>\n<npc_index_number>\n3\n</npc_index_number>\n<npc_index_data>\n";
  for (int i = 0; i < 3; ++i)
    s += std::to_string(r.in(0, 99)) + "\n";
  s += "</npc_index_data>\n<battle_number>\n2\n</battle_number>\n<battle_data>\n";
  for (int i = 0; i < 2; ++i)
    s += std::to_string(r.in(0, 30)) + " 0.0" + std::to_string(r.in(1, 9)) + " back.bmp\n";
  s += "</battle_data>\n<battle_field_data>\n";
  for (int row = 0; row < 16; ++row) {
    for (int col = 0; col < 16; ++col)
      s += std::to_string(r.in(0, 2)) + (col < 15 ? " " : "\n");
  }
  s += "</battle_field_data>\n<event_pos_number>\n2\n</event_pos_number>\n<event_pos_data>\n";
  for (int i = 0; i < 2; ++i) {
    s += std::to_string(r.in(0, 39)) + " " + std::to_string(r.in(0, 39)) + " 1 1 " +
         std::to_string(i) + " 0\n";
  }
  s += "</event_pos_data>\n";
  return s;
}

// A flag command line.
std::string command(Random& r) {
  switch (r.in(0, 4)) {
    case 0:
      return "talk " + std::to_string(r.in(0, 199'999));
    case 1:
      return "set_flag " + std::to_string(r.in(0, 999)) + " 1";
    case 2:
      return "item " + std::to_string(r.in(0, 199)) + " " + std::to_string(r.in(1, 9));
    case 3:
      return "message " + sjis(r, r.in(6, 20), true);
    default:
      return "battle " + std::to_string(r.in(0, 30));
  }
}

std::string flags(Random& r, int flag_count, int commands_each, std::uint64_t& texts) {
  std::string s = "<flag_number>\n" + std::to_string(flag_count) + "\n</flag_number>\n";
  for (int f = 0; f < flag_count; ++f) {
    s += "<flag_cmd_number>\n" + std::to_string(commands_each) +
         "\n</flag_cmd_number>\n<flag_cmd_data>\n";
    for (int c = 0; c < commands_each; ++c) {
      const std::string line = command(r);
      texts += line.size() + 1;
      s += line + "\n";
    }
    s += "</flag_cmd_data>\n";
  }
  return s;
}

Workload flag_scene(const fs::path& work) {
  Random r(6);
  std::uint64_t texts = 0;
  constexpr int kFlags = 1'000;
  constexpr int kEach = 50;
  const std::string s = scene_head(r, 0) + flags(r, kFlags, kEach, texts);
  write_file(work / "flags/scene_flags.txt", s);
  // The texts with their NULs, a slot of 8 bytes per command and a table of 24 per flag.
  return {"flags", "scene with 50,000 flag commands", {"flags/scene_flags.txt"},
          {"flags/scene_flags.dat"}, {}, s.size(),
          texts + std::uint64_t{8} * kFlags * kEach + std::uint64_t{24} * kFlags};
}

Workload scenes(const fs::path& work) {
  Random r(5000);
  Workload w{"scenes", "5,000 small scene files", {}, {}, "scenes", 0, 0};
  constexpr int kCount = 5'000;
  for (int i = 0; i < kCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "scene_%05d", i);
    std::uint64_t texts = 0;
    const std::string s = scene_head(r, i) + flags(r, 3, 3, texts);
    write_file(work / "scenes" / (std::string(name) + ".txt"), s);
    w.sources.push_back("scenes/" + std::string(name) + ".txt");
    w.outputs.push_back("scenes/" + std::string(name) + ".dat");
    w.source_bytes += s.size();
  }
  return w;
}

struct Usage {
  double cpu = 0;   // user + system, seconds
  double wall = 0;  // seconds
  long peak_kib = 0;
  long faults = 0;  // page faults, minor and major
};

// Runs `args` in `dir` with standard output to `out` (or nowhere), waits for it and tells what
// it took on `report`. The process that does this is a fresh start of this program, small: a
// child's peak memory counts what it had before its exec, and this program's own workloads
// would show there.
int measure(int report, const std::string& dir, const std::string& out, char** args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    const int null = ::open("/dev/null", O_RDWR);
    const int to = out.empty() ? null : ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (null < 0 || to < 0) ::_exit(126);
    ::dup2(null, STDIN_FILENO);
    ::dup2(to, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execvp(args[0], args);
    ::_exit(127);
  }
  int status = 0;
  rusage ru{};
  if (child < 0 || ::wait4(child, &status, 0, &ru) != child) return 1;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                     static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  const std::string line = std::to_string(status) + " " + std::to_string(cpu) + " " +
                           std::to_string(wall) + " " + std::to_string(ru.ru_maxrss) + " " +
                           std::to_string(ru.ru_minflt + ru.ru_majflt) + "\n";
  return ::write(report, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 1;
}

Usage run(const std::vector<std::string>& args, const fs::path& dir, const std::string& out = {}) {
  int fds[2];
  if (::pipe(fds) != 0) std::exit(1);
  std::vector<std::string> all{"/proc/self/exe", "--measure", std::to_string(fds[1]), dir.string(),
                               out};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (const std::string& a : all)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  std::string said;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  Usage u;
  int ran = -1;
  std::istringstream(said) >> ran >> u.cpu >> u.wall >> u.peak_kib >> u.faults;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !WIFEXITED(ran) || WEXITSTATUS(ran) != 0) {
    std::fprintf(stderr, "kelv_bench: %s failed (status %d)\n", args[0].c_str(), ran);
    std::exit(1);
  }
  return u;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 == 1 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The flush calls of one run under strace, or -1 when strace cannot run.
long flush_calls(const std::vector<std::string>& args, const fs::path& dir) {
  const fs::path summary = dir / "strace.txt";
  std::vector<std::string> traced{"strace", "-f", "-c", "-o", summary.string(),
                                  "-e", "trace=fsync,fdatasync,syncfs,sync,sync_file_range"};
  traced.insert(traced.end(), args.begin(), args.end());
  run(traced, dir);
  std::ifstream in(summary);
  long calls = 0;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;)
      w.push_back(word);
    if (w.size() >= 5 && w.back() != "total" && w.back() != "syscall" &&
        w[0].find('-') == std::string::npos) {
      calls += std::stol(w[3]);
    }
  }
  return calls;
}

std::string megabytes(std::uint64_t bytes) {
  char s[32];
  std::snprintf(s, sizeof s, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return s;
}

std::uint64_t size_of(const fs::path& dir, const std::vector<std::string>& files) {
  std::uint64_t n = 0;
  for (const std::string& f : files)
    n += fs::file_size(dir / f);
  return n;
}

// What the command line asks for.
struct Options {
  int runs = 5;
  fs::path work = "build/bench/work";
  std::string kelvconv = KELV_BINARY;
  std::size_t cold_mib = 1024;  // the block written and freed before a cold run
  bool drop_caches = false;     // before a cold run, drop the file cache too (as root)
  bool warm_only = false;
  std::vector<std::string> only;  // the workloads to run; all when empty
};

// False, after the usage, for anything it does not know.
bool parse_options(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      o.runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--work" && i + 1 < argc) {
      o.work = argv[++i];
    } else if (a == "--kelvconv" && i + 1 < argc) {
      o.kelvconv = fs::absolute(argv[++i]).string();
    } else if (a == "--cold-mib" && i + 1 < argc) {
      o.cold_mib = static_cast<std::size_t>(std::max(1, std::atoi(argv[++i])));
    } else if (a == "--drop-caches") {
      o.drop_caches = true;
    } else if (a == "--warm-only") {
      o.warm_only = true;
    } else if (!a.empty() && a[0] != '-') {
      o.only.emplace_back(a);
    } else {
      std::fprintf(stderr,
                   "usage: kelv_bench [--runs N] [--work DIR] [--kelvconv PATH] [--cold-mib N] "
                   "[--drop-caches] [--warm-only] [items|talk|monsters|flags|scenes|editor]...\n");
      return false;
    }
  }
  o.work = fs::absolute(o.work);
  return true;
}

// The workloads asked for, made in the work folder.
std::vector<Workload> make_workloads(const Options& o) {
  struct Maker {
    std::string_view name;
    Workload (*make)(const fs::path&);
  };
  std::vector<Workload> workloads;
  for (const Maker& m : {Maker{"items", items}, Maker{"talk", talk}, Maker{"monsters", monsters},
                         Maker{"flags", flag_scene}, Maker{"scenes", scenes}}) {
    if (o.only.empty() || std::find(o.only.begin(), o.only.end(), m.name) != o.only.end())
      workloads.push_back(m.make(o.work));
  }
  return workloads;
}

// Makes the machine give memory back before a cold run: a block written and freed, then a wait
// longer than the 2 seconds a virtual machine takes to return free memory to its host.
void give_memory_back(const Options& o) {
  ::sync();
  if (o.drop_caches) {
    if (std::FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w")) {
      std::fputs("1\n", f);
      std::fclose(f);
    }
  }
  const std::size_t bytes = o.cold_mib << 20;
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block != MAP_FAILED) {
    std::memset(block, 1, bytes);
    ::munmap(block, bytes);
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
}

// What the runs of one workload measured: per run, kelvconv's CPU time, wall time, peak memory and
// page faults and its reference's CPU time and page faults; once, the flush calls and the bytes
// written.
struct Measured {
  std::vector<double> cpu, ref_cpu, wall, peak, faults, ref_faults;
  long flushes = 0;
  std::uint64_t output_bytes = 0;

  void add(const Usage& kelvconv, const Usage& reference) {
    cpu.push_back(kelvconv.cpu);
    wall.push_back(kelvconv.wall);
    peak.push_back(static_cast<double>(kelvconv.peak_kib));
    faults.push_back(static_cast<double>(kelvconv.faults));
    ref_cpu.push_back(reference.cpu);
    ref_faults.push_back(static_cast<double>(reference.faults));
  }
};

// kelvconv on the workload's sources (in `folder` for the tree), every output replaced.
std::vector<std::string> converting(const Options& o, const Workload& w,
                                    const std::string& folder) {
  std::vector<std::string> args{o.kelvconv, "-y"};
  for (const std::string& source : w.sources)
    args.push_back(folder.empty() ? source : folder + "/" + fs::path(source).filename().string());
  return args;
}

// A list: its output replaced, beside a copy of its source and output into one file.
Measured measure_list(const Options& o, const Workload& w, bool cold) {
  Measured m;
  const std::vector<std::string> reference{"cat", w.sources[0], w.outputs[0]};
  const std::string copy = (o.work / (w.name + ".copy")).string();
  run(converting(o, w, {}), o.work);  // the output exists from here on, as after an earlier run
  for (int i = 0; i < o.runs; ++i) {
    cold ? give_memory_back(o) : ::sync();
    const Usage k = run(converting(o, w, {}), o.work);
    cold ? give_memory_back(o) : ::sync();
    m.add(k, run(reference, o.work, copy));
  }
  m.flushes = flush_calls(converting(o, w, {}), o.work);
  m.output_bytes = size_of(o.work, w.outputs);
  fs::remove(copy);
  return m;
}

// The tree: converted in a fresh copy of it each time, beside a `cp -r` of it. Nothing is
// deleted until the end: on an ext4 without a journal (this machine's), every file made within a
// minute after thousands were deleted costs a scan of the deleted ones.
Measured measure_tree(const Options& o, const Workload& w, bool cold) {
  Measured m;
  fs::remove_all(o.work / "runs");
  fs::create_directories(o.work / "runs");
  for (int i = 0; i <= o.runs; ++i) {
    const std::string folder = "runs/convert" + std::to_string(i);
    run({"cp", "-r", w.tree, folder}, o.work);
    cold ? give_memory_back(o) : ::sync();
    const Usage k = i < o.runs ? run(converting(o, w, folder), o.work) : Usage{};
    if (i == o.runs) m.flushes = flush_calls(converting(o, w, folder), o.work);
    cold ? give_memory_back(o) : ::sync();
    const Usage c = run({"cp", "-r", w.tree, "runs/copy" + std::to_string(i)}, o.work);
    if (i == o.runs) break;
    m.add(k, c);
  }
  for (const auto& e : fs::directory_iterator(o.work / "runs/convert0")) {
    if (e.path().extension() == ".dat") m.output_bytes += e.file_size();
  }
  fs::remove_all(o.work / "runs");
  return m;
}

double cpu_now() {
  rusage ru{};
  ::getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// A data file that keeps nothing.
class Nowhere final : public kelv::DataStream {
 protected:
  std::string write_pieces(std::uint64_t, std::span<const Piece>) override { return {}; }
  std::string read_bytes(std::uint64_t, std::span<unsigned char> bytes) override {
    std::fill(bytes.begin(), bytes.end(), 0);
    return {};
  }
  std::string resize_file(std::uint64_t) override { return {}; }
};

// A console that says nothing.
class Quiet final : public kelv::Console {
 public:
  kelv::Answer ask_overwrite(const std::string&) override { return kelv::Answer::No; }
  void cannot_create(const std::string&, const kelv::Problem&) override {}
  void error(std::string_view) override {}
  void info(std::string_view) override {}
};

// The CPU time of the parts of converting a list (see the top of this file), medians.
struct Parts {
  double read = 0, scan = 0, fill = 0;
};

Parts measure_parts(const Options& o, const Workload& w, bool cold) {
  const std::string source = (o.work / w.sources[0]).string();
  // A temporary file of the output's name in a folder of its own, as the program makes it.
  const fs::path folder = o.work / "parts";
  fs::create_directories(folder);
  const std::string output = (folder / fs::path(w.outputs[0]).filename()).string();
  const kelv::Kind& kind = *kelv::kind_of_source(fs::path(source).filename().string());
  std::vector<double> read, scan, fill;
  for (int i = 0; i < o.runs; ++i) {
    cold ? give_memory_back(o) : ::sync();
    double at = cpu_now();
    {
      kelv::FileSource file(source);
      kelv::LineReader lines(file, kelv::kLongLines);
      while (lines.next()) {
      }
    }
    read.push_back(cpu_now() - at);
    for (const bool to_file : {false, true}) {
      cold ? give_memory_back(o) : ::sync();
      const std::unique_ptr<kelv::Converter> converter = kind.make();
      kelv::FileSource file(source);
      kelv::SilentReport report;
      Quiet quiet;
      Nowhere nowhere;
      kelv::OutputQueue outputs(kelv::system_files(), quiet, false);
      at = cpu_now();
      converter->write_while_reading(to_file ? outputs.begin(output) : &nowhere);
      converter->read(file, report);
      converter->release();
      outputs.drop();
      (to_file ? fill : scan).push_back(cpu_now() - at);
    }
  }
  fs::remove_all(folder);
  Parts p;
  p.read = median(read);
  p.scan = median(scan) - p.read;
  p.fill = median(fill) - median(scan);
  return p;
}

void print_head(const char* state) {
  std::printf("\n%s\n%-32s %9s %9s | %8s %7s %10s | %8s %7s %5s | %9s %9s | %s\n", state,
              "workload", "source", "output", "CPU", "faults", "speed", "ref. CPU", "faults",
              "ratio", "peak", "tables", "flushes/folder");
}

// The language server of `o.kelvconv`, on pipes.
class Server {
 public:
  explicit Server(const Options& o) {
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) std::exit(1);
    child_ = ::fork();
    if (child_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::close(in[1]);
      ::close(out[0]);
      ::execl(o.kelvconv.c_str(), o.kelvconv.c_str(), "--lsp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Server() {
    ::close(to_);
    ::close(from_);
    int status = 0;
    ::waitpid(child_, &status, 0);
  }

  void send(const std::string& body) {
    const std::string message = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    for (std::size_t at = 0; at < message.size();) {
      const ssize_t n = ::write(to_, message.data() + at, message.size() - at);
      if (n <= 0) std::exit(1);
      at += static_cast<std::size_t>(n);
    }
  }
  // The time the server has been on a processor, in milliseconds (the scheduler's count: the
  // machine may be busy with others, whose time is not in it).
  double cpu() const {
    std::ifstream in("/proc/" + std::to_string(child_) + "/schedstat");
    double nanoseconds = 0;
    in >> nanoseconds;
    return nanoseconds / 1e6;
  }
  // Reads messages until one holds `wanted`.
  void wait_for(std::string_view wanted) {
    for (;;) {
      const std::size_t blank = buffer_.find("\r\n\r\n");
      if (blank != std::string::npos) {
        const std::size_t length = std::stoul(buffer_.substr(16, blank - 16));
        if (buffer_.size() >= blank + 4 + length) {
          const bool found = std::string_view(buffer_).substr(blank + 4, length).find(wanted) !=
                             std::string_view::npos;
          buffer_.erase(0, blank + 4 + length);
          if (found) return;
          continue;
        }
      }
      char block[1 << 16];
      const ssize_t n = ::read(from_, block, sizeof block);
      if (n <= 0) {
        std::fprintf(stderr, "kelv_bench: the language server ended\n");
        std::exit(1);
      }
      buffer_.append(block, static_cast<std::size_t>(n));
    }
  }

 private:
  pid_t child_;
  int to_;
  int from_;
  std::string buffer_;
};

// `sjis` (code page 932) as UTF-8, with the C library's converter.
std::string to_utf8(const std::string& sjis) {
  const iconv_t cd = ::iconv_open("UTF-8", "CP932");
  std::string out(sjis.size() * 2, '\0');
  char* in = const_cast<char*>(sjis.data());
  std::size_t in_left = sjis.size();
  char* to = out.data();
  std::size_t to_left = out.size();
  if (cd == reinterpret_cast<iconv_t>(-1) ||
      ::iconv(cd, &in, &in_left, &to, &to_left) == static_cast<std::size_t>(-1)) {
    std::fprintf(stderr, "kelv_bench: cannot convert the item list to UTF-8\n");
    std::exit(1);
  }
  ::iconv_close(cd);
  out.resize(out.size() - to_left);
  return out;
}

// `text` as a JSON string.
std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

double milliseconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The pause the server waits for before it publishes findings (lsp/server.h).
constexpr double kQuietMilliseconds = 150;

// The item list open in the language server, and a one-character edit in its middle.
void measure_editor(const Options& o) {
  const Workload w = items(o.work);
  std::ifstream in(o.work / w.sources[0], std::ios::binary);
  const std::string text = to_utf8(std::string(std::istreambuf_iterator<char>(in), {}));
  const std::uint32_t middle = static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n') / 2);
  const std::string uri = "file://" + (o.work / w.sources[0]).string();
  Server server(o);
  const auto start = std::chrono::steady_clock::now();
  server.send(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})");
  server.wait_for(R"("id":1)");
  server.send(R"({"jsonrpc":"2.0","method":"initialized","params":{}})");
  server.send(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":")" +
              uri + R"(","languageId":"kelvconv","version":1,"text":)" + json_string(text) + "}}}");
  server.wait_for(R"("version":1})");
  const double opened = milliseconds_since(start);
  std::vector<double> findings;
  std::vector<double> read;
  std::vector<double> cpu;
  for (int i = 0; i < o.runs; ++i) {
    const int version = 2 + 2 * i;
    // The middle line's first number, one of 0 to 3, made another.
    const auto edit = [&](int v, char digit) {
      return R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" +
             uri + R"(","version":)" + std::to_string(v) +
             R"(},"contentChanges":[{"range":{"start":{"line":)" + std::to_string(middle) +
             R"(,"character":0},"end":{"line":)" + std::to_string(middle) +
             R"(,"character":1}},"text":")" + digit + R"("}]}})";
    };
    auto t = std::chrono::steady_clock::now();
    const double was = server.cpu();
    server.send(edit(version, '7'));
    server.wait_for(R"("version":)" + std::to_string(version) + "}");
    findings.push_back(milliseconds_since(t) - kQuietMilliseconds);
    cpu.push_back(server.cpu() - was);
    t = std::chrono::steady_clock::now();
    server.send(edit(version + 1, '1'));
    server.send(R"({"jsonrpc":"2.0","id":)" + std::to_string(version + 1) +
                R"(,"method":"textDocument/documentSymbol","params":{"textDocument":{"uri":")" + uri +
                R"("}}})");
    server.wait_for(R"("id":)" + std::to_string(version + 1) + ",");
    read.push_back(milliseconds_since(t));
    server.wait_for(R"("version":)" + std::to_string(version + 1) + "}");
  }
  // The colours of the whole text, then what an edit changed in them.
  const auto tokens = [&](int id, const std::string& since) {
    const auto t = std::chrono::steady_clock::now();
    server.send(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) +
                R"(,"method":"textDocument/semanticTokens/full)" + (since.empty() ? "" : "/delta") +
                R"(","params":{"textDocument":{"uri":")" + uri + R"("})" +
                (since.empty() ? "" : R"(,"previousResultId":")" + since + "\"") + "}}");
    server.wait_for(R"("id":)" + std::to_string(id) + ",");
    return milliseconds_since(t);
  };
  const double all_tokens = tokens(-1, {});
  server.send(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":")" +
              uri + R"(","version":-1},"contentChanges":[{"range":{"start":{"line":)" +
              std::to_string(middle) + R"(,"character":0},"end":{"line":)" + std::to_string(middle) +
              R"(,"character":1}},"text":"2"}]}})");
  const double changed_tokens = tokens(-2, "1");
  server.send(R"({"jsonrpc":"2.0","id":0,"method":"shutdown"})");
  server.wait_for(R"("id":0,)");
  server.send(R"({"jsonrpc":"2.0","method":"exit"})");
  std::printf("\nlanguage server, %s (%s of UTF-8), one-character edits on line %u:\n"
              "  opened and checked in %.0f ms; after an edit, findings in %.1f ms (after the\n"
              "  %.0f ms pause; %.1f ms on a processor), the text read again for a request in\n"
              "  %.1f ms (medians of %d); its semantic tokens in %.0f ms, and after an edit\n"
              "  what changed in them in %.0f ms\n",
              w.what.c_str(), megabytes(text.size()).c_str(), middle + 1, opened, median(findings),
              kQuietMilliseconds, median(cpu), median(read), o.runs, all_tokens, changed_tokens);
  std::fflush(stdout);
}

void print_row(const Workload& w, const Measured& m) {
  char speed[32];
  if (w.sources.size() > 1) {
    std::snprintf(speed, sizeof speed, "%.0f files/s",
                  static_cast<double>(w.sources.size()) / median(m.wall));
  } else {
    std::snprintf(speed, sizeof speed, "%.0f MB/s",
                  static_cast<double>(w.source_bytes) / 1e6 / median(m.wall));
  }
  char tables[32] = "-";
  if (w.table_bytes > 0) {
    std::snprintf(tables, sizeof tables, "%.1f MiB",
                  static_cast<double>(w.table_bytes) / 1048576.0);
  }
  std::printf(
      "%-32s %9s %9s | %7.3fs %7.0f %10s | %7.3fs %7.0f %4.1fx | %5.1f MiB %9s | %ld / %zu\n",
      w.what.c_str(), megabytes(w.source_bytes).c_str(), megabytes(m.output_bytes).c_str(),
      median(m.cpu), median(m.faults), speed, median(m.ref_cpu), median(m.ref_faults),
      median(m.cpu) / median(m.ref_cpu), median(m.peak) / 1024.0, tables, m.flushes, w.folders);
  std::fflush(stdout);
}

void print_parts(const Parts& p, const Measured& m) {
  std::printf("  parts: read %.3fs, scan %.3fs, fill %.3fs, write %.3fs\n", p.read, p.scan,
              p.fill, median(m.cpu) - p.read - p.scan - p.fill);
  std::fflush(stdout);
}

void print_legend() {
  std::printf(
      "\nCPU: user + system time of kelvconv; ref.: of `cat SOURCE OUTPUT > FILE` (lists) or\n"
      "`cp -r` of the same sources (scenes); faults: page faults; speed: source bytes (or\n"
      "files) per second of wall time; peak: kelvconv's largest resident memory; tables: what\n"
      "the source declares; parts: CPU time of the parts of a conversion (see bench.cpp).\n");
}

}  // namespace

int main(int argc, char** argv) {
  // Each run is measured by a fresh start of this program (see measure()).
  if (argc > 5 && std::string_view(argv[1]) == "--measure")
    return measure(std::atoi(argv[2]), argv[3], argv[4], argv + 5);
  Options o;
  if (!parse_options(argc, argv, o)) return 2;
  std::printf("kelvconv: %s\nwork folder: %s, %d runs each, medians\n", o.kelvconv.c_str(),
              o.work.c_str(), o.runs);
  const std::vector<Workload> workloads = make_workloads(o);
  if (!workloads.empty()) {
    for (const bool cold : {false, true}) {
      if (cold && o.warm_only) break;
      print_head(cold ? (o.drop_caches ? "cold (memory given back, file cache dropped)"
                                       : "cold (memory given back)")
                      : "warm");
      for (const Workload& w : workloads) {
        const Measured m = w.tree.empty() ? measure_list(o, w, cold) : measure_tree(o, w, cold);
        print_row(w, m);
        if (w.tree.empty()) print_parts(measure_parts(o, w, cold), m);
      }
    }
    print_legend();
  }
  if (o.only.empty() || std::find(o.only.begin(), o.only.end(), "editor") != o.only.end())
    measure_editor(o);
  return 0;
}
