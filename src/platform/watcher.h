// Changes to the files of folders, as the system tells of them, for a program that waits for
// them (the watch), behind an interface small enough for tests to stand in for the system.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kelv {

class Watcher {
 public:
  enum class Woke { Changed, Quiet, Stopped };

  virtual ~Watcher() = default;
  // Starts telling of changes to the files in `folder` and, with `tree`, in its subfolders,
  // those made later too. Empty when the system will tell of them; else why it cannot, and
  // changes there are found only by looking.
  virtual Problem watch(const std::string& folder, bool tree) = 0;
  // Waits up to `milliseconds` (with a negative number, for ever) for a change. Changed: files
  // were written, made, renamed or removed, their paths (the folder as given to watch() and the
  // name, joined by the system's separator) appended to `paths`; Quiet: nothing changed in that
  // time; Stopped: the user asked the program to end (Ctrl-C, SIGTERM, the console closed), and
  // every later wait says so at once.
  virtual Woke wait(int milliseconds, std::vector<std::string>& paths) = 0;
};

// The system's. From its making until its end, what would end the program (Ctrl-C and the like)
// only makes wait() say Stopped, so that work under way finishes first.
std::unique_ptr<Watcher> system_watcher();

}  // namespace kelv
