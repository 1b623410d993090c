// The outputs of a run on their way into place, and what the run says about its files, in the
// order of the files.
//
// Outputs wait in a batch and are put in place together at the end of the run (one flush for
// many). What is said about a file waits for the outputs before it, so that messages keep the
// order of the files: "a -> a.dat" comes when a.dat is in place, and an error about the next
// file after it. The batch is put in place earlier only where the user would notice: before a
// question (whoever stops the run there keeps what was converted before it) and before an
// output whose name is already waiting (the second meets the first as an existing output).
//
// An output may be begun before its content is made (begin()), so that a converter writes its
// large table into it while it reads the source; put() then finishes it as any other.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "format/data_stream.h"
#include "platform/commit.h"
#include "platform/platform.h"

namespace kelv {

class OutputQueue {
 public:
  // Writes an output's bytes.
  using Content = std::function<void(ByteSink&)>;
  // Whether an existing output may be replaced (it may ask the user, after settle()); none
  // where every output is, so that whether one exists is not even looked at.
  using MayReplace = std::function<bool(const std::string& output)>;

  // With `verbose`, every output put in place is listed as "SOURCE -> OUTPUT".
  OutputQueue(FileSystem& files, Console& console, bool verbose);

  // Begins the new `output` in its temporary file: the data file its content may go to before
  // put() (nullptr when it cannot be begun: put() tells why). The output begun waits for put(),
  // or is dropped by drop() or the next begin().
  DataStream* begin(const std::string& output);
  // Drops the output begun, if any: its temporary file is removed.
  void drop();

  // Writes what `content` gives as the new `output`, converted from `from`, into the output begun
  // for it or a new one. An output that exists already is replaced only where `may_replace`
  // agrees (always without one).
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
  // The data file of the output begun: its bytes go to the batch's temporary file.
  class OutputFile final : public DataStream {
   public:
    explicit OutputFile(CommitBatch& batch) : batch_(batch) {}
    void start() { restart(); }

   protected:
    std::string write_pieces(std::uint64_t at, std::span<const Piece> pieces) override {
      return batch_.write(at, pieces);
    }
    std::string read_bytes(std::uint64_t at, std::span<unsigned char> bytes) override {
      return batch_.read(at, bytes);
    }
    std::string resize_file(std::uint64_t size) override { return batch_.resize(size); }

   private:
    CommitBatch& batch_;
  };

  // Aims at `output`: its file (commit_target()), every waiting output of that name put in place
  // first; false when it leads nowhere.
  bool aim(const std::string& output);
  // Starts the temporary file aimed at; false when it cannot be made.
  bool start();
  void cannot_create(const std::string& output, const Problem& reason);

  FileSystem& files_;
  Console& console_;
  bool verbose_;
  CommitBatch batch_;
  OutputFile file_{batch_};
  // The output aimed at (while open_), its file (empty where it leads nowhere), whether its
  // temporary file is made (started_) and else why not.
  bool open_ = false;
  bool started_ = false;
  std::string begun_;
  std::string target_;
  Problem problem_;
  std::vector<std::string> failures_;
  std::size_t written_ = 0;
};

}  // namespace kelv
