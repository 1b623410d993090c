#include "driver/run.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/routes.h"
#include "format/line_reader.h"
#include "inspect/diagnostics.h"
#include "inspect/explain.h"
#include "inspect/inspect.h"
#include "platform/commit.h"

namespace kelv {
namespace {

constexpr std::string_view kVersion = "kelvconv " KELV_VERSION;

constexpr std::string_view kUsage =
    "Usage: kelvconv [OPTION]... FILE|FOLDER...\n"
    "       kelvconv --check [-r] FILE|FOLDER...\n"
    "       kelvconv --dump [--json] FILE.dat...\n"
    "       kelvconv --decompile [OPTION]... FILE.dat...\n"
    "       kelvconv --explain [KIND]...\n"
    "Convert Kelvardin game sources (prepare.txt, start_game.txt, ...) into the keyed data\n"
    "files the engine loads. Each output is written beside its source, with the extension\n"
    "\".dat\". Files whose names no converter knows are skipped. A folder stands for the\n"
    "sources directly inside it, in the byte order of their names.\n"
    "\n"
    "  -y, --yes          replace existing outputs without asking\n"
    "  -n, --no-clobber   never replace an existing output\n"
    "  -u, --update       convert only kinds of source with an output missing or older\n"
    "                     than its source (all sources of such a kind, in order)\n"
    "  -r, --recursive    go into the subfolders of folders too\n"
    "  -W, --warn         tell what looks wrong in the sources while converting them\n"
    "  -v, --verbose      list what was converted, skipped, kept and up to date\n"
    "      --check        only tell what looks wrong in the sources, writing nothing\n"
    "      --dump         show what data files hold, field by field, on standard output\n"
    "      --json         with --dump: one JSON document per file, one per line\n"
    "      --decompile    write beside each data file the source that converts back to it\n"
    "      --explain      describe a kind of source (item_list.txt, scene, ...), or list them\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n"
    "      --             end of options: every later argument is a file\n"
    "\n"
    "Without -y or -n, an existing output is replaced only when the user answers yes.\n"
    "Exit status: 0 when every recognised file was converted (or kept by the user's answer)\n"
    "and, with --check, nothing looked wrong; 1 when a source could not be read, an output\n"
    "not written or replaced, a data file holds what no source gives, or --check found\n"
    "something; 2 for a wrong command line.\n";

enum class Overwrite { Ask, Always, Never };
enum class Mode { Convert, Check, Dump, Decompile, Explain };

struct Options {
  Overwrite overwrite = Overwrite::Ask;
  Mode mode = Mode::Convert;
  bool json = false;
  bool warn = false;
  bool recursive = false;
  bool update = false;
  bool verbose = false;
  bool help = false;
  bool version = false;
  std::vector<std::string_view> paths;
};

constexpr std::pair<std::string_view, Mode> kModes[] = {{"--check", Mode::Check},
                                                        {"--dump", Mode::Dump},
                                                        {"--decompile", Mode::Decompile},
                                                        {"--explain", Mode::Explain}};

// Sets the mode once: two modes on one command line are an error.
bool set_mode(Options& o, Mode mode, std::string_view option, std::string& error) {
  if (o.mode != Mode::Convert && o.mode != mode) {
    error = "option '" + std::string(option) + "' does not go with the mode given before it";
    return false;
  }
  o.mode = mode;
  return true;
}

// GNU-style options: short ones may be grouped ("-yv"), "--" ends them, "-" alone is a file.
bool parse(std::span<const char* const> args, Options& o, std::string& error) {
  bool options_done = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (options_done || a.size() < 2 || a[0] != '-') {
      o.paths.push_back(a);
      continue;
    }
    if (a == "--") {
      options_done = true;
      continue;
    }
    std::string shorts;
    if (a.starts_with("--")) {
      static constexpr std::pair<std::string_view, char> kLong[] = {
          {"--yes", 'y'},     {"--no-clobber", 'n'}, {"--verbose", 'v'},   {"--help", 'h'},
          {"--version", 'V'}, {"--warn", 'W'},       {"--recursive", 'r'}, {"--update", 'u'}};
      bool known = false;
      for (const auto& [name, letter] : kLong) {
        if (a == name) shorts = letter, known = true;
      }
      for (const auto& [name, mode] : kModes) {
        if (a == name) {
          if (!set_mode(o, mode, a, error)) return false;
          known = true;
        }
      }
      if (a == "--json") o.json = known = true;
      if (!known) {
        error = "unrecognized option '" + std::string(a) + "'";
        return false;
      }
    } else {
      shorts = a.substr(1);
    }
    for (const char c : shorts) {
      switch (c) {
        case 'y':
          o.overwrite = Overwrite::Always;
          break;
        case 'n':
          o.overwrite = Overwrite::Never;
          break;
        case 'v':
          o.verbose = true;
          break;
        case 'h':
          o.help = true;
          break;
        case 'V':
          o.version = true;
          break;
        case 'W':
          o.warn = true;
          break;
        case 'r':
          o.recursive = true;
          break;
        case 'u':
          o.update = true;
          break;
        default:
          error = std::string("invalid option -- '") + c + "'";
          return false;
      }
    }
  }
  if (o.json && o.mode != Mode::Dump) {
    error = "option '--json' goes with --dump";
    return false;
  }
  return true;
}

// One file of the run and the route its name selects (nullptr: none).
struct Job {
  std::string path;
  const Route* route;
};

class Driver {
 public:
  Driver(const Options& options, FileSystem& files, Console& console, Report& report)
      : options_(options), files_(files), console_(console), report_(report), outputs_(files) {}

  int run() {
    const std::vector<Job> jobs = gather();
    const std::vector<const Route*> stale = out_of_date(jobs);
    for (const Job& job : jobs) {
      // A data file of a kind no converter knows is still shown, field by field.
      if (job.route == nullptr && options_.mode != Mode::Dump) {
        if (options_.verbose) info(job.path + ": skipped (no converter for this name)");
        continue;
      }
      switch (options_.mode) {
        case Mode::Convert:
        case Mode::Check:
          if (options_.update && std::ranges::find(stale, job.route) == stale.end()) {
            if (options_.verbose) info(job.path + ": up to date");
            continue;
          }
          convert(job);
          break;
        case Mode::Dump:
          dump(job.path, job.route);
          break;
        case Mode::Decompile:
          decompile(job.path, *job.route);
          break;
        case Mode::Explain:
          break;
      }
    }
    outputs_.finish();
    // Nothing is left allocated at the end of a run.
    for (const Route& route : route_table())
      route.pick(converters_).release();
    if (options_.mode == Mode::Check) {
      console_.diagnostic(std::to_string(checked_) + (checked_ == 1 ? " file" : " files") +
                          " checked, " + std::to_string(warnings_) +
                          (warnings_ == 1 ? " warning" : " warnings"));
      if (warnings_ > 0) status_ = kExitFailed;
    }
    console_.finished(failures_);
    return status_;
  }

 private:
  // The whole of a data file; false (told) when it cannot be read.
  bool read_all(const std::string& path, std::vector<unsigned char>& bytes) {
    FileSource source(path);
    if (!source.open()) {
      fail(path + ": cannot open: " + source.error());
      return false;
    }
    char block[64 * 1024];
    for (std::size_t n; (n = source.read(block, sizeof block)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
    if (const std::string e = source.error(); !e.empty()) {
      fail(path + ": cannot read: " + e);
      return false;
    }
    return true;
  }

  void tell(const std::string& path, const std::vector<DataProblem>& problems) {
    for (const DataProblem& p : problems) {
      fail(path + ": offset " + std::to_string(p.at) + ": " +
           (p.field.empty() ? std::string() : p.field + ": ") + p.message);
    }
  }

  // The route a file's name selects in this mode: data files for the dump and the decompiler,
  // sources otherwise.
  const Route* route_of(std::string_view path) const {
    const std::string_view base = base_name(path);
    return options_.mode == Mode::Dump || options_.mode == Mode::Decompile ? find_data_route(base)
                                                                           : find_route(base);
  }

  // The files of the run in order: each argument, or the files of a folder in the byte order of
  // their names (and those of its subfolders, depth first, with -r). Files of a folder whose
  // names select nothing are left out, told with -v.
  std::vector<Job> gather() {
    std::vector<Job> jobs;
    for (const std::string_view arg : options_.paths) {
      const std::string path(arg);
      if (files_.is_folder(path)) {
        add_folder(path, jobs);
      } else {
        jobs.push_back({path, route_of(path)});
      }
    }
    return jobs;
  }

  void add_folder(const std::string& folder, std::vector<Job>& jobs) {
    std::vector<FileSystem::Entry> entries;
    if (const Problem p = files_.list(folder, entries); !p.empty()) {
      fail(folder + ": cannot list: " + p);
      return;
    }
    std::ranges::sort(entries, {}, &FileSystem::Entry::name);
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    for (const FileSystem::Entry& e : entries) {
      const std::string path = prefix + e.name;
      if (e.folder) {
        if (options_.recursive) add_folder(path, jobs);
      } else if (const Route* route = route_of(path)) {
        jobs.push_back({path, route});
      } else if (options_.verbose) {
        console_.info(path + ": skipped (no converter for this name)");
      }
    }
  }

  // With -u: the kinds of which some source has an output missing or older than itself. A kind
  // is converted whole or not at all, since its files may carry values from one to the next.
  std::vector<const Route*> out_of_date(const std::vector<Job>& jobs) {
    std::vector<const Route*> stale;
    if (!options_.update) return stale;
    for (const Job& job : jobs) {
      if (job.route == nullptr || std::ranges::find(stale, job.route) != stale.end()) continue;
      std::int64_t source = 0;
      std::int64_t output = 0;
      if (!files_.modified(job.path, source) || !files_.modified(output_path(job.path), output) ||
          output < source) {
        stale.push_back(job.route);
      }
    }
    return stale;
  }

  void dump(const std::string& path, const Route* route) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const std::string_view base = base_name(path);
    std::vector<DataProblem> problems;
    if (options_.json) {
      console_.info(dump_json(route, base, bytes, problems));
    } else {
      problems = dump_text(route, base, bytes, [&](std::string_view line) { console_.info(line); });
    }
    tell(path, problems);
  }

  void decompile(const std::string& path, const Route& route) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const Decompiled d = kelv::decompile(route, base_name(path), bytes);
    tell(path, d.problems);
    put(path, source_path(path), [&](ByteSink& out) { out.put(d.source.data(), d.source.size()); });
  }

  // Writes what `content` gives as the new `output`, by the overwrite rules, into the run's batch
  // of outputs: all of them are put in place together at the end of the run, or earlier where a
  // question or an output of the same name needs the earlier ones in place.
  void put(const std::string& from, const std::string& output,
           const std::function<void(ByteSink&)>& content) {
    Problem p;
    const std::string target = commit_target(files_, output, p);
    if (target.empty()) {
      cannot_create(output, p);
      return;
    }
    // An output named before in this run is then there to be asked about, as any existing one.
    if (outputs_.may_hold(target)) outputs_.finish();
    if (files_.exists(output) && !may_replace(output)) return;
    if (p = outputs_.begin(target); p.empty()) {
      GatherSink sink([this](std::span<const GatherSink::Piece> pieces) { outputs_.write(pieces); });
      content(sink);
      sink.flush();
      p = outputs_.end([this, from, output](const Problem& problem) {
        if (!problem.empty()) {
          cannot_create(output, problem);
        } else if (options_.verbose) {
          console_.info(from + " -> " + output);
        }
      });
    }
    if (!p.empty()) cannot_create(output, p);
  }

  void convert(const Job& job) {
    Converter& converter = job.route->pick(converters_);
    convert_with(converter, job.path);
    converter.release();
  }

  // Reads the source; converts it, or with --check only tells what it found.
  void convert_with(Converter& converter, const std::string& path) {
    FileSource source(path);
    if (!source.open()) {
      fail(path + ": cannot open: " + source.error());
      return;
    }
    const bool speak = options_.warn || options_.mode == Mode::Check;
    Diagnostics findings(path, converter.vocabulary());
    const bool accepted = converter.read(source, speak ? findings : report_);
    if (const std::string e = source.error(); !e.empty()) {
      fail(path + ": cannot read: " + e);
      return;
    }
    if (options_.mode == Mode::Check) {
      ++checked_;
      if (!accepted) findings.refused(converter.refused_at(), converter.refusal());
    }
    if (speak) {
      in_turn([this, lines = findings.lines()] {
        for (const std::string& line : lines)
          console_.diagnostic(line);
      });
      warnings_ += findings.count();
    }
    if (options_.mode == Mode::Check) return;
    if (!accepted) {
      fail(path + ": not converted: " + converter.refusal());
      return;
    }
    put(path, output_path(path), [&](ByteSink& out) {
      DataWriter writer(out);
      converter.write(writer);
    });
  }

  bool may_replace(const std::string& output) {
    Answer answer = Answer::CannotAsk;
    switch (options_.overwrite) {
      case Overwrite::Always:
        return true;
      case Overwrite::Never:
        answer = Answer::No;
        break;
      case Overwrite::Ask:
        // The outputs before are put in place first: a user who stops the run at the question
        // keeps them.
        outputs_.finish();
        answer = console_.ask_overwrite(output);
        break;
    }
    if (answer == Answer::Yes) return true;
    if (answer == Answer::CannotAsk) {
      fail(output +
           ": exists and was not replaced: the overwrite question could not be asked "
           "(-y replaces existing outputs, -n keeps them)");
    } else if (options_.verbose) {
      info(output + ": kept (not replaced)");
    }
    return false;
  }

  void cannot_create(const std::string& output, const Problem& reason) {
    in_turn([this, output, reason] {
      console_.cannot_create(output, reason);
      failures_.push_back(output + ": " + std::string(kCannotCreate) + ": " + reason);
      status_ = kExitFailed;
    });
  }

  void fail(const std::string& message) {
    in_turn([this, message] {
      console_.error(message);
      failures_.push_back(message);
      status_ = kExitFailed;
    });
  }

  void info(const std::string& line) {
    in_turn([this, line] { console_.info(line); });
  }

  // Says something now, or after the outputs still waiting to be put in place: the messages of
  // a run keep the order of its files.
  void in_turn(std::function<void()> say) {
    if (outputs_.empty()) {
      say();
    } else {
      outputs_.note([say = std::move(say)](const Problem&) { say(); });
    }
  }

  const Options& options_;
  FileSystem& files_;
  Console& console_;
  Report& report_;
  Converters converters_;
  CommitBatch outputs_;
  std::vector<std::string> failures_;
  int status_ = kExitOk;
  std::size_t checked_ = 0;   // sources read by --check
  std::size_t warnings_ = 0;  // findings told
};

}  // namespace

int run(std::span<const char* const> args, FileSystem& files, Console& console, Report& report) {
  Options options;
  std::string error;
  if (!parse(args, options, error)) {
    console.error(error);
    console.error("Try 'kelvconv --help' for more information.");
    return kExitUsage;
  }
  if (options.help) {
    console.info(std::string_view(kUsage).substr(0, kUsage.size() - 1));
    return kExitOk;
  }
  if (options.version) {
    console.info(kVersion);
    return kExitOk;
  }
  if (options.mode == Mode::Explain) {
    if (options.paths.empty()) console.info(kinds());
    for (const std::string_view kind : options.paths) {
      const Route* route = find_kind(kind);
      if (route == nullptr) {
        console.error("no kind of source is called '" + std::string(kind) +
                      "' (kelvconv --explain lists them)");
        return kExitUsage;
      }
      console.info(explain(*route));
    }
    return kExitOk;
  }
  return Driver(options, files, console, report).run();
}

}  // namespace kelv
