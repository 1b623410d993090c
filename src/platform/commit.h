// Puts new outputs in place without ever leaving one half-written, at the cost of one flush to
// the disk for many outputs rather than one each.
//
// Each output's bytes go to a temporary file beside it, which is closed but not yet flushed. When
// the batch is finished, every waiting file is flushed to the disk at once; then each is renamed
// over its output, in the order they came, and last the folders that received them are flushed.
// An output whose file could not be written, closed, flushed or renamed keeps its old content,
// and its temporary file is removed. A run stopped at any moment leaves each output as it was or
// complete with its new content: a rename comes only after the new content is on the disk.
//
// An output that is a symbolic link is written through: its target gets the new content and the
// link stays, as with `cp`. A link that leads nowhere is refused, as `cp` refuses it: where
// its target should be created is not the user's plain intent.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/platform.h"

namespace kelv {

// The file whose content `output` stands for: `output` itself, or the target a symbolic link
// there leads to. Empty, with `problem` set, when that target does not exist.
std::string commit_target(FileSystem& files, const std::string& output, Problem& problem);

class CommitBatch {
 public:
  // Told when an output's turn is over: empty when its new content is in place and on the disk.
  using Done = std::function<void(const Problem&)>;

  explicit CommitBatch(FileSystem& files) : files_(files) {}
  // Removes the temporary files of the outputs never put in place.
  ~CommitBatch();
  CommitBatch(const CommitBatch&) = delete;
  CommitBatch& operator=(const CommitBatch&) = delete;

  // Whether an output waiting in the batch may be the file `target` (by its name): such an output
  // must be in place before `target` is looked at or written.
  bool may_hold(const std::string& target);

  // Starts the new content of `target` (a commit_target()) in a temporary file beside it.
  Problem begin(const std::string& target);
  // Writes into the content begun, from byte `at` on; after a failure, does nothing more. Each
  // tells the first failure of the content so far (empty while all went well).
  const Problem& write(std::uint64_t at, std::span<const FileSystem::Piece> pieces);
  // Reads back what was written at `at`.
  const Problem& read(std::uint64_t at, std::span<unsigned char> bytes);
  // Cuts or grows the content to `size` bytes, the room for them taken on the disk now.
  const Problem& resize(std::uint64_t size);
  // Ends the content begun without keeping it: its temporary file is removed.
  void drop();
  // Gives up the content begun, for `why`: end() tells it.
  void fail(const Problem& why) {
    if (problem_.empty()) problem_ = why;
  }
  // Ends the content begun: empty when it waits in the batch, to be put in place by finish(),
  // which then tells `done`; else the reason, and nothing is left of it.
  Problem end(Done done);

  // Whether nothing waits: no output, no note.
  bool empty() const { return waiting_.empty(); }
  // Waits in the batch after the outputs so far, to be told by finish() in its turn (with an
  // empty problem): what is said about a later file comes after what is said about them.
  void note(Done done);

  // Flushes every waiting output to the disk, puts each in place in the order they came, flushes
  // their folders, and tells each output its outcome and each note, in order. The batch is empty
  // afterwards.
  void finish();

 private:
  struct Waiting {
    std::string target;
    std::string temp;  // empty for a note
    std::string name;  // FileSystem::name_key() of the target
    Done done;
  };

  FileSystem& files_;
  std::vector<Waiting> waiting_;
  std::unordered_set<std::string> names_;  // of the waiting outputs
  // The content being written, between begin() and end().
  Waiting current_;
  FileSystem::Handle handle_ = -1;
  bool open_ = false;
  Problem problem_;
};

}  // namespace kelv
