#include "driver/run.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/routes.h"
#include "format/line_reader.h"
#include "inspect/inspect.h"
#include "platform/commit.h"

namespace kelv {
namespace {

constexpr std::string_view kVersion = "kelvconv 1.0.0";

constexpr std::string_view kUsage =
    "Usage: kelvconv [OPTION]... FILE...\n"
    "       kelvconv --dump [--json] FILE.dat...\n"
    "       kelvconv --decompile [OPTION]... FILE.dat...\n"
    "Convert Kelvardin game sources (prepare.txt, start_game.txt, ...) into the keyed data\n"
    "files the engine loads. Each output is written beside its source, with the extension\n"
    "\".dat\". Files whose names no converter knows are skipped.\n"
    "\n"
    "  -y, --yes          replace existing outputs without asking\n"
    "  -n, --no-clobber   never replace an existing output\n"
    "  -v, --verbose      list what was converted and what was skipped\n"
    "      --dump         show what data files hold, field by field, on standard output\n"
    "      --json         with --dump: one JSON document per file, one per line\n"
    "      --decompile    write beside each data file the source that converts back to it\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n"
    "      --             end of options: every later argument is a file\n"
    "\n"
    "Without -y or -n, an existing output is replaced only when the user answers yes on the\n"
    "terminal. Exit status: 0 when every recognised file was converted (or kept by the\n"
    "user's answer), 1 when a source could not be read or an output not written or\n"
    "replaced, or a data file holds what no source gives, 2 for a wrong command line.\n";

enum class Overwrite { Ask, Always, Never };
enum class Mode { Convert, Dump, Decompile };

struct Options {
  Overwrite overwrite = Overwrite::Ask;
  Mode mode = Mode::Convert;
  bool json = false;
  bool verbose = false;
  bool help = false;
  bool version = false;
  std::vector<std::string_view> paths;
};

// Sets the mode once: two modes on one command line are an error.
bool set_mode(Options& o, Mode mode, std::string_view option, std::string& error) {
  if (o.mode != Mode::Convert && o.mode != mode) {
    error =
        "option '" + std::string(option) + "' does not go with --dump or --decompile given before";
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
    } else if (a == "--") {
      options_done = true;
    } else if (a.starts_with("--")) {
      if (a == "--yes")
        o.overwrite = Overwrite::Always;
      else if (a == "--no-clobber")
        o.overwrite = Overwrite::Never;
      else if (a == "--verbose")
        o.verbose = true;
      else if (a == "--help")
        o.help = true;
      else if (a == "--version")
        o.version = true;
      else if (a == "--dump" || a == "--decompile") {
        if (!set_mode(o, a == "--dump" ? Mode::Dump : Mode::Decompile, a, error)) return false;
      } else if (a == "--json")
        o.json = true;
      else {
        error = "unrecognized option '" + std::string(a) + "'";
        return false;
      }
    } else {
      for (const char c : a.substr(1)) {
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
          default:
            error = std::string("invalid option -- '") + c + "'";
            return false;
        }
      }
    }
  }
  if (o.json && o.mode != Mode::Dump) {
    error = "option '--json' goes with --dump";
    return false;
  }
  return true;
}

class Driver {
 public:
  Driver(const Options& options, FileSystem& files, Console& console, Report& report)
      : options_(options), files_(files), console_(console), report_(report), outputs_(files) {}

  int run() {
    for (const std::string_view path : options_.paths) {
      switch (options_.mode) {
        case Mode::Convert:
          convert(std::string(path));
          break;
        case Mode::Dump:
          dump(std::string(path));
          break;
        case Mode::Decompile:
          decompile(std::string(path));
          break;
      }
    }
    outputs_.finish();
    // Nothing is left allocated at the end of a run.
    for (const Route& route : route_table())
      route.pick(converters_).release();
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

  void dump(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const std::string_view base = base_name(path);
    const Route* route = find_data_route(base);
    std::vector<DataProblem> problems;
    if (options_.json) {
      console_.info(dump_json(route, base, bytes, problems));
    } else {
      problems = dump_text(route, base, bytes, [&](std::string_view line) { console_.info(line); });
    }
    tell(path, problems);
  }

  void decompile(const std::string& path) {
    const Route* route = find_data_route(base_name(path));
    if (route == nullptr) {
      if (options_.verbose) console_.info(path + ": skipped (no converter for this name)");
      return;
    }
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const Decompiled d = kelv::decompile(*route, base_name(path), bytes);
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

  void convert(const std::string& path) {
    const std::string_view base = base_name(path);
    const Route* route = find_route(base);
    if (route == nullptr) {
      if (options_.verbose) console_.info(path + ": skipped (no converter for this name)");
      return;
    }
    Converter& converter = route->pick(converters_);
    convert_with(converter, path);
    converter.release();
  }

  void convert_with(Converter& converter, const std::string& path) {
    FileSource source(path);
    if (!source.open()) {
      fail(path + ": cannot open: " + source.error());
      return;
    }
    const bool accepted = converter.read(source, report_);
    if (const std::string e = source.error(); !e.empty()) {
      fail(path + ": cannot read: " + e);
      return;
    }
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
      console_.info(output + ": kept (not replaced)");
    }
    return false;
  }

  void cannot_create(const std::string& output, const Problem& reason) {
    console_.cannot_create(output, reason);
    failures_.push_back(output + ": " + std::string(kCannotCreate) + ": " + reason);
    status_ = kExitFailed;
  }

  void fail(const std::string& message) {
    console_.error(message);
    failures_.push_back(message);
    status_ = kExitFailed;
  }

  const Options& options_;
  FileSystem& files_;
  Console& console_;
  Report& report_;
  Converters converters_;
  CommitBatch outputs_;
  std::vector<std::string> failures_;
  int status_ = kExitOk;
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
  return Driver(options, files, console, report).run();
}

}  // namespace kelv
