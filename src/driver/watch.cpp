#include "driver/watch.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "driver/jobs.h"
#include "driver/paths.h"
#include "driver/run.h"

namespace kelv {
namespace {

constexpr int kQuietTime = 300;   // milliseconds without a change that end an editor's save
constexpr int kLookEvery = 1000;  // milliseconds between looks where the system tells nothing

// The time of day, as a conversion's line begins.
std::string clock_now() {
  const std::time_t now = std::time(nullptr);
  char text[16] = "";
  if (const std::tm* local = std::localtime(&now))
    std::strftime(text, sizeof text, "%H:%M:%S", local);
  return text;
}

class Watch {
 public:
  Watch(const Options& options, FileSystem& files, Console& console, Watcher& watcher)
      : options_(options), files_(files), console_(console), watcher_(watcher) {
    options_.mode = Mode::Convert;
    options_.update = false;
    // Converting what was saved is what the watch is for: nobody is there to answer.
    if (options_.overwrite == Overwrite::Ask) options_.overwrite = Overwrite::Always;
  }

  int run() {
    // Told from before the first conversion, so that a save during it is not missed.
    const bool looking = !start();
    const std::vector<Job> jobs = gather_jobs(options_, files_);
    convert(jobs, update_selection(jobs, files_), true);
    console_.info(tr("Watching for changes; Ctrl-C ends the watch.")());
    std::vector<std::string> paths;
    for (;;) {
      paths.clear();
      console_.flush();
      Watcher::Woke woke = watcher_.wait(looking ? kLookEvery : -1, paths);
      if (woke == Watcher::Woke::Stopped) return kExitOk;
      const bool news = woke == Watcher::Woke::Quiet
                            ? looking
                            : std::ranges::any_of(paths, [this](auto& p) { return relevant(p); });
      if (!news) continue;
      // An editor's save is several changes (a write, a rename into place, ...): the
      // conversion waits until they are over.
      while ((woke = watcher_.wait(kQuietTime, paths)) == Watcher::Woke::Changed) {
      }
      if (woke == Watcher::Woke::Stopped) return kExitOk;
      again(paths);
    }
  }

 private:
  // Asks to be told of changes in the folders of the command line; false, told once, where the
  // system cannot tell of them and the watch has to look for itself.
  bool start() {
    std::set<std::string> folders;
    for (const std::string_view arg : options_.paths) {
      const std::string path(arg);
      const bool folder = files_.is_folder(path);
      const std::string where = folder ? path : std::string(folder_part(path));
      if (!folders.insert(where).second) continue;
      const Problem p = watcher_.watch(where.empty() ? "." : where, folder && options_.recursive);
      if (!p.empty()) {
        console_.error(
            tr("{1}: the system cannot tell of changes here ({2}); kelvconv looks for them "
               "every second instead")(where.empty() ? "." : where, p));
        return false;
      }
    }
    return true;
  }

  // Converts again what changed since the last conversion, and tells of sources removed.
  void again(const std::vector<std::string>& paths) {
    const std::vector<Job> jobs = gather_jobs(options_, files_);
    for (const auto& source : seen_) {
      const std::string& path = source.first;
      if (std::ranges::none_of(
              jobs, [&](const Job& j) { return j.task == Job::Task::Kind && j.path == path; }))
        console_.info(tr("{1}: removed; its output stays")(path));
    }
    const auto changed = [&](const Job& job) {
      std::int64_t when = 0;
      const auto seen = seen_.find(job.path);
      return seen == seen_.end() || !files_.modified(job.path, when) || when != seen->second ||
             std::ranges::find(paths, job.path) != paths.end();
    };
    convert(jobs, with_units(jobs, changed, converts_together), false);
  }

  // Converts those of `jobs` chosen, after a line that says when and which; the first time also
  // tells what is amiss with the other files, as a run would.
  void convert(const std::vector<Job>& jobs, const std::vector<bool>& chosen, bool first) {
    seen_.clear();
    std::vector<Job> these;
    std::string names;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
      const Job& job = jobs[i];
      if (job.task == Job::Task::Kind) files_.modified(job.path, seen_[job.path]);
      if (chosen[i]) names.append(names.empty() ? "" : ", ").append(job.path);
      if (chosen[i] || (first && job.task != Job::Task::Kind)) these.push_back(job);
    }
    if (!names.empty()) console_.info(tr("{1} converting {2}")(clock_now(), names));
    if (!these.empty()) kelv::convert(options_, these, files_, console_);
  }

  // Whether a change at `path` may call for a conversion: a source's name, or a folder (one made
  // or moved in); the outputs and temporary files are not.
  bool relevant(const std::string& path) {
    return kind_of_source(base_name(path)) != nullptr || files_.is_folder(path);
  }

  Options options_;
  FileSystem& files_;
  Console& console_;
  Watcher& watcher_;
  std::map<std::string, std::int64_t> seen_;  // each source's time of change as last converted
};

}  // namespace

int watch(const Options& options, FileSystem& files, Console& console, Watcher& watcher) {
  return Watch(options, files, console, watcher).run();
}

}  // namespace kelv
