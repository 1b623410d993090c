#include "driver/jobs.h"

#include <algorithm>

#include "driver/paths.h"
#include "inspect/names.h"

namespace kelv {
namespace {

class Gathering {
 public:
  Gathering(const Options& options, FileSystem& files) : options_(options), files_(files) {}

  std::vector<Job> jobs() {
    for (const std::string_view arg : options_.paths) {
      const std::string path(arg);
      if (files_.is_folder(path)) {
        add_folder(path);
      } else if (is_wildcard(path) && !files_.exists(path)) {
        add_matches(path);
      } else if (kind_of(path) == nullptr && !files_.exists(path)) {
        // A name that is neither a file nor a folder is a mistake, whatever it is called; a
        // source's own reading tells why it cannot be opened.
        jobs_.push_back({path, nullptr, Job::Task::Missing});
      } else {
        add_file(path, true);
      }
    }
    return std::move(jobs_);
  }

 private:
  bool reads_sources() const {
    return options_.mode == Mode::Convert || options_.mode == Mode::Check;
  }

  // The kind a file's name selects in this mode: data files for the dump and the decompiler,
  // sources otherwise.
  const Kind* kind_of(std::string_view path) const {
    const std::string_view base = base_name(path);
    return reads_sources() ? kind_of_source(base) : kind_of_data(base);
  }

  // A file named on the command line (`named`) or found in a folder.
  void add_file(const std::string& path, bool named) {
    const std::string_view base = base_name(path);
    const ExplorerName explorer = reads_sources() ? explorer_name(base) : ExplorerName();
    if (const Kind* kind = kind_of(path);
        kind != nullptr || (options_.mode == Mode::Dump && named)) {
      // A data file of a kind no converter knows is still shown, field by field, when it is named.
      jobs_.push_back({path, kind});
      // "scene_town.txt.txt" is a scene, whose output is "scene_town.txt.dat".
      if (explorer.how == ExplorerName::How::DoubledExtension && kind_of(explorer.original) == kind) {
        jobs_.back().detail = explorer.original;
        jobs_.back().slip = NameSlip::DoubledExtension;
      }
    } else if (reads_sources() && base == kNamesFile) {
      jobs_.push_back({path, nullptr, Job::Task::Names});
    } else if (std::string meant = meant_by(explorer); !meant.empty()) {
      jobs_.push_back({path, nullptr, Job::Task::Misnamed, std::move(meant), slip_of(explorer)});
    } else if (meant = reads_sources() ? source_name_meant(base) : std::string(); !meant.empty()) {
      jobs_.push_back({path, nullptr, Job::Task::Misnamed, std::move(meant)});
    } else if (named || !reads_sources() || kind_of_data(base) == nullptr) {
      // The outputs beside the sources of a folder are no news.
      jobs_.push_back({path, nullptr, Job::Task::Skip});
    }
  }

  // The source's name that the name Explorer made was made from; empty when it is none.
  static std::string meant_by(const ExplorerName& explorer) {
    if (explorer.how == ExplorerName::How::None) return {};
    return kind_of_source(explorer.original) != nullptr ? explorer.original
                                                        : source_name_meant(explorer.original);
  }
  static NameSlip slip_of(const ExplorerName& explorer) {
    return explorer.how == ExplorerName::How::Copy ? NameSlip::Copy : NameSlip::DoubledExtension;
  }

  void add_folder(const std::string& folder) {
    std::vector<FileSystem::Entry> entries;
    if (const Problem p = files_.list(folder, entries); !p.empty()) {
      jobs_.push_back({folder, nullptr, Job::Task::Unlisted, p});
      return;
    }
    std::ranges::sort(entries, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : entries) {
      const std::string path = joined(folder, e.name);
      if (e.folder) {
        if (options_.recursive) add_folder(path);
      } else {
        add_file(path, false);
      }
    }
  }

  // A wildcard on Windows (whose shells leave them to the programs): the files and folders it
  // matches, in the byte order of their names, each as if it had been typed in its place. One
  // that matches nothing fails, naming it.
  void add_matches(const std::string& pattern) {
    std::vector<FileSystem::Entry> matches;
    if (const Problem p = files_.find(pattern, matches); !p.empty()) {
      jobs_.push_back({pattern, nullptr, Job::Task::Unlisted, p});
      return;
    }
    if (matches.empty()) {
      jobs_.push_back({pattern, nullptr, Job::Task::NoMatch});
      return;
    }
    std::ranges::sort(matches, {}, &FileSystem::Entry::name);
    for (const FileSystem::Entry& e : matches) {
      const std::string path = joined(folder_part(pattern), e.name);
      if (e.folder) {
        add_folder(path);
      } else {
        add_file(path, true);
      }
    }
  }

  const Options& options_;
  FileSystem& files_;
  std::vector<Job> jobs_;
};

}  // namespace

std::vector<Job> gather_jobs(const Options& options, FileSystem& files) {
  return Gathering(options, files).jobs();
}

bool converts_together(const Kind& kind) {
  return kind.vocabulary().carries_over();
}

std::vector<bool> with_units(std::span<const Job> jobs,
                             const std::function<bool(const Job&)>& changed,
                             const std::function<bool(const Kind&)>& together) {
  std::vector<bool> chosen(jobs.size());
  std::vector<const Kind*> whole;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const Job& job = jobs[i];
    if (job.task != Job::Task::Kind || !changed(job)) continue;
    chosen[i] = true;
    if (job.kind != nullptr && together(*job.kind)) whole.push_back(job.kind);
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (jobs[i].task == Job::Task::Kind && std::ranges::find(whole, jobs[i].kind) != whole.end())
      chosen[i] = true;
  }
  return chosen;
}

bool out_of_date(const std::string& path, FileSystem& files) {
  std::int64_t source = 0;
  std::int64_t output = 0;
  return !files.modified(path, source) || !files.modified(output_path(path), output) ||
         output < source;
}

std::vector<bool> update_selection(std::span<const Job> jobs, FileSystem& files) {
  return with_units(
      jobs, [&](const Job& job) { return out_of_date(job.path, files); },
      converts_together);
}

}  // namespace kelv
