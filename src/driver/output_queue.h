// The outputs of a run on their way into place, and what the run says about its files, in the
// order of the files.
//
// Outputs wait in a batch and are put in place together at the end of the run (one flush for
// many). What is said about a file waits for the outputs before it, so that messages keep the
// order of the files: "a -> a.dat" comes when a.dat is in place, and an error about the next
// file after it. The batch is put in place earlier only where the user would notice: before a
// question (whoever stops the run there keeps what was converted before it) and before an
// output whose name is already waiting (the second meets the first as an existing output).
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "format/keyed_data.h"
#include "platform/commit.h"
#include "platform/platform.h"

namespace kelv {

class OutputQueue {
 public:
  // Writes an output's bytes.
  using Content = std::function<void(ByteSink&)>;
  // Whether an existing output may be replaced (it may ask the user, after settle()).
  using MayReplace = std::function<bool(const std::string& output)>;

  // With `verbose`, every output put in place is listed as "SOURCE -> OUTPUT".
  OutputQueue(FileSystem& files, Console& console, bool verbose);

  // Writes what `content` gives as the new `output`, converted from `from`. An output that exists
  // already is replaced only where `may_replace` agrees.
  void put(const std::string& from, const std::string& output, const Content& content,
           const MayReplace& may_replace);
  // Puts every waiting output in place now.
  void settle();

  // Says something in turn: now, or after the outputs still waiting.
  void in_turn(std::function<void()> say);
  // An error line about a file, which fails the run.
  void fail(const std::string& message);
  // A line of the listing.
  void info(const std::string& line);

  // Whether anything failed, and what, one line per failure, in order.
  bool failed() const { return !failures_.empty(); }
  // How many outputs were put in place.
  std::size_t written() const { return written_; }
  std::span<const std::string> failures() const { return failures_; }

 private:
  void cannot_create(const std::string& output, const Problem& reason);

  FileSystem& files_;
  Console& console_;
  bool verbose_;
  CommitBatch batch_;
  std::vector<std::string> failures_;
  std::size_t written_ = 0;
};

}  // namespace kelv
