#include "driver/output_queue.h"

#include <utility>

namespace kelv {

OutputQueue::OutputQueue(FileSystem& files, Console& console, bool verbose)
    : files_(files), console_(console), verbose_(verbose), batch_(files) {}

void OutputQueue::put(const std::string& from, const std::string& output, const Content& content,
                      const MayReplace& may_replace) {
  Problem p;
  const std::string target = commit_target(files_, output, p);
  if (target.empty()) {
    cannot_create(output, p);
    return;
  }
  // An output named before in this run is then there to be asked about, as any existing one.
  if (batch_.may_hold(target)) batch_.finish();
  if (files_.exists(output) && !may_replace(output)) return;
  if (p = batch_.begin(target); p.empty()) {
    GatherSink sink([this](std::span<const GatherSink::Piece> pieces) { batch_.write(pieces); });
    content(sink);
    sink.flush();
    p = batch_.end([this, from, output](const Problem& problem) {
      if (!problem.empty()) {
        cannot_create(output, problem);
        return;
      }
      ++written_;
      if (verbose_) console_.info(from + " -> " + output);
    });
  }
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
