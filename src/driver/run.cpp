#include "driver/run.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/catalog.h"
#include "driver/file_source.h"
#include "driver/options.h"
#include "driver/output_queue.h"
#include "driver/paths.h"
#include "inspect/diagnostics.h"
#include "inspect/explain.h"
#include "inspect/inspect.h"

namespace kelv {
namespace {

// One file of the run and the kind its name selects (nullptr: none).
struct Job {
  std::string path;
  const Kind* kind;
  bool in_folder = false;  // found in a folder, not named on the command line
};

class Driver {
 public:
  Driver(const Options& options, FileSystem& files, Console& console, Report& report)
      : options_(options),
        files_(files),
        console_(console),
        report_(report),
        outputs_(files, console, options.verbose) {}

  int run() {
    const std::vector<Job> jobs = gather();
    const std::vector<const Kind*> stale = out_of_date(jobs);
    for (const Job& job : jobs) {
      // A data file of a kind no converter knows is still shown, field by field, when it is named.
      if (job.kind == nullptr && (options_.mode != Mode::Dump || job.in_folder)) {
        if (options_.verbose) outputs_.info(job.path + ": skipped (no converter for this name)");
        continue;
      }
      switch (options_.mode) {
        case Mode::Convert:
        case Mode::Check:
          if (options_.update && std::ranges::find(stale, job.kind) == stale.end()) {
            if (options_.verbose) outputs_.info(job.path + ": up to date");
            continue;
          }
          convert(job);
          break;
        case Mode::Dump:
          dump(job.path, job.kind);
          break;
        case Mode::Decompile:
          decompile(job.path, *job.kind);
          break;
        case Mode::Explain:
          break;
      }
    }
    outputs_.settle();
    // Nothing is left allocated at the end of a run.
    converters_.release();
    int status = outputs_.failed() ? kExitFailed : kExitOk;
    if (options_.mode == Mode::Check) {
      console_.diagnostic(std::to_string(checked_) + (checked_ == 1 ? " file" : " files") +
                          " checked, " + std::to_string(warnings_) +
                          (warnings_ == 1 ? " warning" : " warnings"));
      if (warnings_ > 0) status = kExitFailed;
    }
    console_.finished(outputs_.failures());
    return status;
  }

 private:
  // The whole of a data file; false (told) when it cannot be read.
  bool read_all(const std::string& path, std::vector<unsigned char>& bytes) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(path + ": cannot open: " + source.error());
      return false;
    }
    char block[64 * 1024];
    for (std::size_t n; (n = source.read(block, sizeof block)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(path + ": cannot read: " + e);
      return false;
    }
    return true;
  }

  void tell(const std::string& path, const std::vector<DataProblem>& problems) {
    for (const DataProblem& p : problems)
      outputs_.fail(path + ": " + describe(p));
  }

  // The kind a file's name selects in this mode: data files for the dump and the decompiler,
  // sources otherwise.
  const Kind* kind_of(std::string_view path) const {
    const std::string_view base = base_name(path);
    return options_.mode == Mode::Dump || options_.mode == Mode::Decompile ? kind_of_data(base)
                                                                           : kind_of_source(base);
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
        jobs.push_back({path, kind_of(path)});
      }
    }
    return jobs;
  }

  void add_folder(const std::string& folder, std::vector<Job>& jobs) {
    std::vector<FileSystem::Entry> entries;
    if (const Problem p = files_.list(folder, entries); !p.empty()) {
      outputs_.fail(folder + ": cannot list: " + p);
      return;
    }
    std::ranges::sort(entries, {}, &FileSystem::Entry::name);
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    for (const FileSystem::Entry& e : entries) {
      const std::string path = prefix + e.name;
      if (e.folder) {
        if (options_.recursive) add_folder(path, jobs);
      } else if (const Kind* kind = kind_of(path)) {
        jobs.push_back({path, kind});
      } else if (options_.verbose) {
        jobs.push_back({path, nullptr, true});  // told in its turn
      }
    }
  }

  // With -u: the kinds of which some source has an output missing or older than itself. A kind
  // is converted whole or not at all, since its files may carry values from one to the next.
  std::vector<const Kind*> out_of_date(const std::vector<Job>& jobs) {
    std::vector<const Kind*> stale;
    if (!options_.update) return stale;
    for (const Job& job : jobs) {
      if (job.kind == nullptr || std::ranges::find(stale, job.kind) != stale.end()) continue;
      std::int64_t source = 0;
      std::int64_t output = 0;
      if (!files_.modified(job.path, source) || !files_.modified(output_path(job.path), output) ||
          output < source) {
        stale.push_back(job.kind);
      }
    }
    return stale;
  }

  void dump(const std::string& path, const Kind* kind) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const std::string_view base = base_name(path);
    std::vector<DataProblem> problems;
    if (options_.json) {
      console_.info(dump_json(kind, base, bytes, problems));
    } else {
      problems = dump_text(kind, base, bytes, [&](std::string_view line) { console_.info(line); });
    }
    tell(path, problems);
  }

  void decompile(const std::string& path, const Kind& kind) {
    std::vector<unsigned char> bytes;
    if (!read_all(path, bytes)) return;
    const Decompiled d = kelv::decompile(kind, base_name(path), bytes);
    tell(path, d.problems);
    outputs_.put(
        path, source_path(path), [&](ByteSink& out) { out.put(d.source.data(), d.source.size()); },
        [this](const std::string& output) { return may_replace(output); });
  }

  void convert(const Job& job) {
    Converter& converter = converters_.of(*job.kind);
    convert_with(converter, job.path);
    converter.release();
  }

  // Reads the source; converts it, or with --check only tells what it found.
  void convert_with(Converter& converter, const std::string& path) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(path + ": cannot open: " + source.error());
      return;
    }
    const bool speak = options_.warn || options_.mode == Mode::Check;
    Diagnostics findings(path, converter.vocabulary());
    const std::optional<Refusal> refused = converter.read(source, speak ? findings : report_);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(path + ": cannot read: " + e);
      return;
    }
    if (options_.mode == Mode::Check) {
      ++checked_;
      if (refused) findings.refused(refused->line, refused->why);
    }
    if (speak) {
      outputs_.in_turn([this, lines = findings.lines()] {
        for (const std::string& line : lines)
          console_.diagnostic(line);
      });
      warnings_ += findings.count();
    }
    if (options_.mode == Mode::Check) return;
    if (refused) {
      outputs_.fail(path + ": not converted: line " + std::to_string(refused->line) + ": " +
                    refused->why);
      return;
    }
    outputs_.put(
        path, output_path(path),
        [&](ByteSink& out) {
          DataWriter writer(out);
          converter.write(writer);
        },
        [this](const std::string& output) { return may_replace(output); });
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
        outputs_.settle();
        answer = console_.ask_overwrite(output);
        break;
    }
    if (answer == Answer::Yes) return true;
    if (answer == Answer::CannotAsk) {
      outputs_.fail(output +
                    ": exists and was not replaced: the overwrite question could not be asked "
                    "(-y replaces existing outputs, -n keeps them)");
    } else if (options_.verbose) {
      outputs_.info(output + ": kept (not replaced)");
    }
    return false;
  }

  const Options& options_;
  FileSystem& files_;
  Console& console_;
  Report& report_;
  Converters converters_;
  OutputQueue outputs_;
  std::size_t checked_ = 0;   // sources read by --check
  std::size_t warnings_ = 0;  // findings told
};

}  // namespace

int run(std::span<const char* const> args, FileSystem& files, Console& console, Report& report) {
  Options options;
  std::string error;
  if (!parse_options(args, options, error)) {
    console.error(error);
    console.error("Try 'kelvconv --help' for more information.");
    return kExitUsage;
  }
  if (options.help) {
    const std::string text = usage();
    console.info(std::string_view(text).substr(0, text.size() - 1));
    return kExitOk;
  }
  if (options.version) {
    console.info(version_line());
    return kExitOk;
  }
  if (options.mode == Mode::Explain) {
    if (options.paths.empty()) console.info(kinds());
    for (const std::string_view name : options.paths) {
      const Kind* kind = kind_named(name);
      if (kind == nullptr) {
        console.error("no kind of source is called '" + std::string(name) +
                      "' (kelvconv --explain lists them)");
        return kExitUsage;
      }
      console.info(explain(*kind));
    }
    return kExitOk;
  }
  return Driver(options, files, console, report).run();
}

}  // namespace kelv
