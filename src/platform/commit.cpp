#include "platform/commit.h"

#include <utility>

namespace kelv {

std::string commit_target(FileSystem& files, const std::string& output, Problem& problem) {
  std::string target = files.resolve(output);
  if (target != output && !files.exists(target)) {
    problem = tr("not writing through a dangling symbolic link (to {1})")(target);
    return {};
  }
  return target;
}

CommitBatch::~CommitBatch() {
  drop();
  for (const Waiting& w : waiting_) {
    if (!w.temp.empty()) files_.remove(w.temp);
  }
}

bool CommitBatch::may_hold(const std::string& target) {
  return !names_.empty() && names_.contains(files_.name_key(target));
}

Problem CommitBatch::begin(const std::string& target) {
  current_ = Waiting{target, {}, files_.name_key(target), {}};
  problem_ = files_.create_temp(target, current_.temp, handle_);
  open_ = problem_.empty();
  return problem_;
}

const Problem& CommitBatch::write(std::uint64_t at, std::span<const FileSystem::Piece> pieces) {
  if (open_ && problem_.empty()) problem_ = files_.write(handle_, at, pieces);
  return problem_;
}

const Problem& CommitBatch::read(std::uint64_t at, std::span<unsigned char> bytes) {
  if (open_ && problem_.empty()) problem_ = files_.read(handle_, at, bytes);
  return problem_;
}

const Problem& CommitBatch::resize(std::uint64_t size) {
  if (open_ && problem_.empty()) problem_ = files_.resize(handle_, size);
  return problem_;
}

void CommitBatch::drop() {
  if (!open_) return;
  open_ = false;
  files_.close(handle_);
  files_.remove(current_.temp);
}

Problem CommitBatch::end(Done done) {
  if (!open_) return problem_;
  open_ = false;
  if (Problem closing = files_.close(handle_); problem_.empty()) problem_ = std::move(closing);
  if (!problem_.empty()) {
    files_.remove(current_.temp);
    return problem_;
  }
  current_.done = std::move(done);
  names_.insert(current_.name);
  waiting_.push_back(std::move(current_));
  return {};
}

void CommitBatch::note(Done done) {
  waiting_.push_back(Waiting{{}, {}, {}, std::move(done)});
}

void CommitBatch::finish() {
  if (waiting_.empty()) return;
  // Taken out first: a `done` may start the next batch.
  std::vector<Waiting> batch = std::move(waiting_);
  waiting_.clear();
  names_.clear();
  const std::size_t n = batch.size();

  std::vector<std::string> paths;
  std::vector<std::size_t> files;  // the outputs' places in the batch
  for (std::size_t i = 0; i < n; ++i) {
    if (batch[i].temp.empty()) continue;
    paths.push_back(batch[i].temp);
    files.push_back(i);
  }
  std::vector<Problem> flushed(paths.size());
  files_.flush(paths, flushed);

  // Renamed only when on the disk, so that a stop (or a power cut) before the folder's flush
  // leaves the output as it was or complete.
  std::vector<Problem> problems(n);
  std::vector<std::string> placed;
  std::vector<std::size_t> placed_index;
  for (std::size_t j = 0; j < files.size(); ++j) {
    const std::size_t i = files[j];
    problems[i] = flushed[j].empty() ? files_.rename(batch[i].temp, batch[i].target) : flushed[j];
    if (!problems[i].empty()) {
      files_.remove(batch[i].temp);
      continue;
    }
    placed.push_back(batch[i].target);
    placed_index.push_back(i);
  }
  std::vector<Problem> folders(placed.size());
  files_.flush_folders(placed, folders);
  for (std::size_t j = 0; j < placed.size(); ++j) {
    if (!folders[j].empty()) {
      problems[placed_index[j]] =
          tr("in place, but its folder could not be flushed to the disk: {1}")(folders[j]);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (batch[i].done) batch[i].done(problems[i]);
  }
}

}  // namespace kelv
