#include "driver/output_queue.h"

#include <utility>

namespace kelv {

OutputQueue::OutputQueue(FileSystem& files, Console& console, bool verbose)
    : files_(files), console_(console), verbose_(verbose), batch_(files) {}

bool OutputQueue::aim(const std::string& output) {
  drop();
  open_ = true;
  started_ = false;
  begun_ = output;
  problem_.clear();
  target_ = commit_target(files_, output, problem_);
  if (target_.empty()) return false;
  // An output named before in this run is then there to be asked about, as any existing one.
  if (batch_.may_hold(target_)) batch_.finish();
  return true;
}

bool OutputQueue::start() {
  problem_ = batch_.begin(target_);
  started_ = problem_.empty();
  if (started_) file_.start();
  return started_;
}

DataStream* OutputQueue::begin(const std::string& output) {
  return aim(output) && start() ? &file_ : nullptr;
}

void OutputQueue::drop() {
  if (!open_) return;
  open_ = false;
  if (started_) batch_.drop();
  started_ = false;
}

void OutputQueue::put(const std::string& from, const std::string& output, const Content& content,
                      const MayReplace& may_replace) {
  if (!open_ || begun_ != output) aim(output);
  if (target_.empty()) {
    open_ = false;
    cannot_create(output, problem_);
    return;
  }
  if (may_replace && files_.exists(output) && !may_replace(output)) {
    drop();
    return;
  }
  if (!started_ && problem_.empty()) start();
  open_ = false;
  if (!started_) {
    cannot_create(output, problem_);
    return;
  }
  started_ = false;
  file_.seek(0);
  content(file_);
  file_.end();
  if (!file_.problem().empty()) batch_.fail(file_.problem());
  const Problem p = batch_.end([this, from, output](const Problem& problem) {
    if (!problem.empty()) {
      cannot_create(output, problem);
      return;
    }
    ++written_;
    if (verbose_) console_.info(from + " -> " + output);
  });
  if (!p.empty()) cannot_create(output, p);
}

void OutputQueue::settle() {
  batch_.finish();
}

void OutputQueue::in_turn(std::function<void()> say) {
  if (batch_.empty()) {
    say();
  } else {
    batch_.note([say = std::move(say)](const Problem&) { say(); });
  }
}

void OutputQueue::fail(const std::string& message) {
  in_turn([this, message] {
    console_.error(message);
    failures_.push_back(message);
  });
}

void OutputQueue::info(const std::string& line) {
  in_turn([this, line] { console_.info(line); });
}

void OutputQueue::cannot_create(const std::string& output, const Problem& reason) {
  in_turn([this, output, reason] {
    console_.cannot_create(output, reason);
    failures_.push_back(output + ": " + kCannotCreate() + ": " + reason);
  });
}

}  // namespace kelv
