#include "driver/run.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/catalog.h"
#include "driver/file_source.h"
#include "driver/format_help.h"
#include "driver/jobs.h"
#include "driver/options.h"
#include "driver/output_queue.h"
#include "driver/paths.h"
#include "driver/serve.h"
#include "driver/watch.h"
#include "inspect/carry_over.h"
#include "inspect/diagnostics.h"
#include "inspect/finding.h"
#include "inspect/inspect.h"
#include "inspect/messages.h"
#include "inspect/names.h"
#include "inspect/references.h"

namespace kelv {
namespace {

class Driver {
 public:
  Driver(const Options& options, FileSystem& files, Console& console)
      : options_(options),
        files_(files),
        console_(console),
        outputs_(files, console, options.verbose) {}

  int run(std::span<const Job> jobs) {
    const std::vector<bool> stale =
        options_.update ? update_selection(jobs, files_) : std::vector<bool>(jobs.size(), true);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const Job& job = jobs[i];
      if (job.task != Job::Task::Kind) {
        aside(job);
        continue;
      }
      switch (options_.mode) {
        case Mode::Convert:
        case Mode::Check:
          if (!stale[i]) {
            ++run_.up_to_date;
            if (options_.verbose) outputs_.info(tr("{1}: up to date")(job.path));
            continue;
          }
          if (!job.detail.empty())
            tell({misnamed(job.path, job.detail, job.slip, output_path(job.path))});
          convert(job);
          break;
        case Mode::Dump:
          dump(job.path, job.kind);
          break;
        case Mode::Decompile:
          decompile(job.path, *job.kind);
          break;
        case Mode::Explain:
        case Mode::Names:
        case Mode::Lsp:
        case Mode::Watch:
          break;
      }
    }
    // Numbers that index the lists of other kinds of the same folder.
    tell(references_.findings());
    outputs_.settle();
    // Nothing is left allocated at the end of a run.
    converters_.release();
    int status = outputs_.failed() ? kExitFailed : kExitOk;
    run_.converted = outputs_.written();
    run_.failed = outputs_.failures().size();
    run_.warnings = warnings_;
    results_.heading = run_.line();
    results_.no_source = options_.mode == Mode::Convert && !options_.quiet && run_.no_source();
    if (options_.mode == Mode::Check) {
      // TRANSLATORS: {1} is "N files", {2} "N warnings".
      results_.heading = tr("{1} checked, {2}")(tr("{1} file", "{1} files").n(checked_),
                                                tr("{1} warning", "{1} warnings").n(warnings_));
      console_.diagnostic(results_.heading);
    }
    if (warnings_ > 0 && (options_.mode == Mode::Check || options_.strict)) status = kExitFailed;
    if (options_.mode == Mode::Convert && !options_.quiet) console_.summary(run_);
    for (const std::string& failure : outputs_.failures())
      results_.failures.push_back(RunResults::failure(failure));
    console_.finished(results_);
    return status;
  }

 private:
  // Findings about the sources, told in turn unless warnings are not wanted; each counts.
  void tell(const std::vector<Finding>& findings) {
    warnings_ += findings.size();
    if (options_.mode != Mode::Check && options_.quiet) return;
    std::vector<std::string> lines;
    for (const Finding& f : findings) {
      lines.push_back(printed(f));
      results_.warnings.push_back(
          {.path = f.path, .line = f.line, .message = f.message, .kind = std::string(f.kind->id),
           .printed = lines.back()});
    }
    outputs_.in_turn([this, lines] {
      for (const std::string& line : lines)
        console_.diagnostic(line);
    });
  }

  // The whole of a data file; false (told) when it cannot be read.
  // The bytes of the data file at `path`; false, told, where they cannot be read or are no data
  // file at all (a source given by mistake): nothing of them is shown then. --json keeps its
  // document for every file, with the problems of its framing.
  bool read_data(const std::string& path, std::vector<unsigned char>& bytes) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return false;
    }
    char block[64 * 1024];
    for (std::size_t n; (n = source.read(block, sizeof block)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(tr("{1}: cannot read: {2}")(path, e));
      return false;
    }
    if (const Message why = not_a_data_file(bytes); !why.empty() && !options_.json) {
      outputs_.fail(path + ": " + why.str());
      return false;
    }
    return true;
  }

  void tell(const std::string& path, const std::vector<DataProblem>& problems) {
    for (const DataProblem& p : problems)
      outputs_.fail(path + ": " + describe(p));
  }

  // What a file that is not converted, dumped or decompiled gets in its turn.
  void aside(const Job& job) {
    switch (job.task) {
      case Job::Task::Names:
        check_names(job.path);
        break;
      case Job::Task::Skip:
        ++run_.skipped;
        if (options_.verbose)
          outputs_.info(tr("{1}: skipped: not a source kelvconv knows")(job.path));
        break;
      case Job::Task::Misnamed:
        ++run_.skipped;
        tell({misnamed(job.path, job.detail, job.slip)});
        break;
      case Job::Task::Missing:
        outputs_.fail(tr("{1}: cannot open: {2}")(job.path, errno_reason(ENOENT)));
        break;
      case Job::Task::NoMatch:
        outputs_.fail(tr("{1}: no file matches this name")(job.path));
        break;
      case Job::Task::Unlisted:
        outputs_.fail(tr("{1}: cannot list: {2}")(job.path, job.detail));
        break;
      case Job::Task::Kind:
        break;
    }
  }

  // The author's names of the folder of `path`, where it has a names file.
  const Names* names_for(const std::string& path) {
    const std::string_view folder = folder_part(path);
    auto [at, added] = names_.try_emplace(std::string(folder));
    if (added) at->second = names_in(folder);
    return at->second.empty() ? nullptr : &at->second;
  }

  // A names file: what is wrong in it, as for a source.
  void check_names(const std::string& path) {
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return;
    }
    Diagnostics findings(path, Names::vocabulary());
    Names::read(source, &findings);
    if (options_.mode == Mode::Check) ++checked_;
    tell(findings.findings());
  }

  void dump(const std::string& path, const Kind* kind) {
    std::vector<unsigned char> bytes;
    if (!read_data(path, bytes)) return;
    const std::string_view base = base_name(path);
    const Names* names = names_for(path);
    std::vector<DataProblem> problems;
    if (options_.json) {
      console_.info(dump_json(kind, base, bytes, problems, names));
    } else {
      problems = dump_text(
          kind, base, bytes, [&](std::string_view line) { console_.info(line); }, names);
    }
    tell(path, problems);
  }

  void decompile(const std::string& path, const Kind& kind) {
    std::vector<unsigned char> bytes;
    if (!read_data(path, bytes)) return;
    const Decompiled d = kelv::decompile(kind, base_name(path), bytes);
    tell(path, d.problems);
    outputs_.put(
        path, source_path(path), [&](ByteSink& out) { out.put(d.source.data(), d.source.size()); },
        replace_question());
  }

  void convert(const Job& job) {
    Converter& converter = converters_.of(*job.kind);
    convert_with(converter, job);
    converter.release();
  }

  // Reads the source; converts it, or with --check only tells what it found.
  void convert_with(Converter& converter, const Job& job) {
    const std::string& path = job.path;
    FileSource source(path);
    if (!source.open()) {
      outputs_.fail(tr("{1}: cannot open: {2}")(path, source.error()));
      return;
    }
    const Names* names = names_for(path);
    Diagnostics findings(path, converter.vocabulary(), job.kind->name(), names);
    ListsHeard lists(converter.vocabulary(), job.kind->name(), names);
    const WhileReading output(*this, converter, path);
    CarriedHeard heard(lists);
    const std::optional<Refusal> refused = converter.read(source, findings, heard);
    if (const std::string e = source.error(); !e.empty()) {
      outputs_.fail(tr("{1}: cannot read: {2}")(path, e));
      return;
    }
    if (options_.mode == Mode::Check) ++checked_;
    if (refused && options_.mode == Mode::Check) findings.refused(refused->line, refused->why);
    const std::string& folder = folder_named(path);
    references_.add(folder, path, refused ? Provided{} : converter.provided(), lists);
    // A table so large that writing it takes a while is told before the wait, and so is
    // everything said before it.
    if (findings.urgent() && !options_.quiet) outputs_.settle();
    std::vector<Finding> found = carry_over_.add(*job.kind, folder, path, heard);
    std::ranges::move(findings.findings(), std::back_inserter(found));
    tell(found);
    if (options_.mode == Mode::Check) return;
    if (refused) {
      outputs_.fail(tr("{1}: not converted: line {2}: {3}")(path, refused->line, refused->why));
      return;
    }
    // With -u an output older than its source is replaced as make would, without a question
    // (unless -n says never); the other outputs of its kind are asked about as ever.
    const bool stale =
        options_.update && overwrite_ != Overwrite::Never && out_of_date(path, files_);
    outputs_.put(
        path, output_path(path),
        [&](ByteSink& out) {
          DataWriter writer(out);
          converter.write(writer);
        },
        replace_question(stale));
  }

  // The output of a conversion, begun before its source is read where it is to be written, so
  // that a kind whose large table comes record after record writes the table into it as it
  // reads; dropped at the end of the conversion unless it was put in place.
  class WhileReading {
   public:
    WhileReading(Driver& d, Converter& converter, const std::string& source)
        : outputs_(d.outputs_), converter_(converter) {
      const std::string output = output_path(source);
      if (d.options_.mode != Mode::Convert ||
          (d.overwrite_ == Overwrite::Never && d.files_.exists(output))) {
        return;
      }
      converter.write_while_reading(outputs_.begin(output));
    }
    ~WhileReading() {
      converter_.write_while_reading(nullptr);
      outputs_.drop();
    }
    WhileReading(const WhileReading&) = delete;
    WhileReading& operator=(const WhileReading&) = delete;

   private:
    OutputQueue& outputs_;
    Converter& converter_;
  };

  // What put() asks before it replaces an output: nothing when every output is replaced (-y,
  // or a `stale` one with -u).
  OutputQueue::MayReplace replace_question(bool stale = false) {
    if (stale || overwrite_ == Overwrite::Always) return nullptr;
    return [this](const std::string& output) { return may_replace(output); };
  }

  bool may_replace(const std::string& output) {
    Answer answer = Answer::CannotAsk;
    switch (overwrite_) {
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
        // An answer "to all" stands for the rest of the run, as -y or -n would.
        if (answer == Answer::YesToAll) overwrite_ = Overwrite::Always;
        if (answer == Answer::NoToAll) overwrite_ = Overwrite::Never;
        break;
    }
    if (answer == Answer::Yes || answer == Answer::YesToAll) return true;
    if (answer == Answer::CannotAsk) {
      outputs_.fail(
          tr("{1}: exists and was not replaced: the overwrite question could not be asked "
             "(-y replaces existing outputs, -n keeps them)")(output));
    } else {
      ++run_.kept;
      if (options_.verbose) outputs_.info(tr("{1}: kept (not replaced)")(output));
    }
    return false;
  }

  // The key of the folder of `path`: the last one again while the sources come from one folder.
  const std::string& folder_named(std::string_view path) {
    const std::string_view part = folder_part(path);
    if (!last_folder_ || part != last_folder_->first)
      last_folder_.emplace(std::string(part), folder_key(part, current_folder_));
    return last_folder_->second;
  }

  const Options& options_;
  FileSystem& files_;
  Console& console_;
  Converters converters_;
  OutputQueue outputs_;
  Overwrite overwrite_ = options_.overwrite;  // -y, -n, or an answer "to all"
  const std::string current_folder_ = files_.current_folder();
  std::optional<std::pair<std::string, std::string>> last_folder_;  // a folder and its key
  References references_;
  CarryOver carry_over_;
  std::map<std::string, Names> names_;  // by folder
  RunResults results_;                  // what the end of the run tells: the warnings as told
  std::size_t checked_ = 0;             // sources read by --check
  std::size_t warnings_ = 0;            // findings
  RunSummary run_;                      // what a conversion did, counted as it goes
};

}  // namespace

int run(std::span<const char* const> args, FileSystem& files, Console& console) {
  Options options;
  std::string error;
  if (!parse_options(args, options, error)) {
    console.error(error);
    console.error(tr("Try 'kelvconv --help' for more information.")());
    return kExitUsage;
  }
  if (options.help) {
    const std::string text = usage();
    console.info(std::string_view(text).substr(0, text.size() - 1));
    return kExitOk;
  }
  if (options.version) {
    console.info(version());
    return kExitOk;
  }
  if (options.mode == Mode::Explain) return explain_kinds(options, files, console);
  if (options.mode == Mode::Lsp) return serve_editor();
  if (options.mode == Mode::Names) return names_templates(options, console);
  if (options.paths.empty()) {
    // Nothing to do, as always; but a word on how it is used, where the user sees it.
    console.usage_hint(
        tr("Usage: kelvconv [OPTION]... FILE|FOLDER...\n"
           "Give it the game's sources, or its data folder, to convert them into the data\n"
           "files the engine loads; 'kelvconv --help' tells more.")());
    return kExitOk;
  }
  if (options.mode == Mode::Watch) return watch(options, files, console, *system_watcher());
  return convert(options, gather_jobs(options, files), files, console);
}

int convert(const Options& options, std::span<const Job> jobs, FileSystem& files,
            Console& console) {
  return Driver(options, files, console).run(jobs);
}

}  // namespace kelv
