// The files of a run, gathered from the command line before any is read: each named file, each
// file of a named folder, each match of a wildcard, with what is done with it in its turn.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "driver/options.h"
#include "inspect/messages.h"
#include "platform/platform.h"

namespace kelv {

// One file of the run: what is done with it, in its turn among the others.
struct Job {
  enum class Task {
    Kind,      // converted, checked, dumped or decompiled as the kind its name selects
    Names,     // the author's names file, checked
    Skip,      // no kind has its name: passed over
    Misnamed,  // no kind has its name, but one has a name close to it, or Explorer made it
    Missing,   // named, and neither a file nor a folder
    NoMatch,   // a wildcard that matches nothing
    Unlisted,  // a folder that cannot be listed
  };
  std::string path;
  const Kind* kind = nullptr;  // what its name selects (nullptr: none)
  Task task = Task::Kind;
  std::string detail = {};  // the name meant (Misnamed), why a folder cannot be listed (Unlisted)
  // How the name came to be off the name meant: a source's name that Explorer made (a Kind whose
  // `detail` is then the name meant, converted all the same), or a Misnamed one.
  NameSlip slip = NameSlip::Near;
};

// The files of the run in order: each argument, or the files of a folder in the byte order of
// their names (and those of its subfolders, depth first, with -r).
std::vector<Job> gather_jobs(const Options& options, FileSystem& files);

// Whether a source of `kind` out of date (or changed) converts with every other source of its
// kind in the run, in order: where values carry from one file of the kind to the next (the
// folders, the title menu, a map animation's main data). Other kinds convert file by file.
bool converts_together(const Kind& kind);

// Which of `jobs` convert (true at their places) when those that `changed` picks must: each of
// them, and with each every other file of its kind where `together` says that the kind's files
// convert together, in order.
std::vector<bool> with_units(std::span<const Job> jobs,
                             const std::function<bool(const Job&)>& changed,
                             const std::function<bool(const Kind&)>& together);

// Whether the output of the source at `path` is missing or older than the source.
bool out_of_date(const std::string& path, FileSystem& files);

// What -u converts of `jobs`: every source whose output is out of date, and with it every other
// source of its kind where the kind's files convert together.
std::vector<bool> update_selection(std::span<const Job> jobs, FileSystem& files);

}  // namespace kelv
