#include "platform/commit.h"

namespace kelv {

std::string commit_target(FileSystem& files, const std::string& output, Problem& problem) {
  std::string target = files.resolve(output);
  if (target != output && !files.exists(target)) {
    problem = "not writing through a dangling symbolic link (to " + target + ")";
    return {};
  }
  return target;
}

Problem commit(FileSystem& files, const std::string& output, std::span<const unsigned char> bytes) {
  Problem p;
  const std::string target = commit_target(files, output, p);
  if (!p.empty()) return p;
  std::string temp;
  FileSystem::Handle handle = -1;
  p = files.create_temp(target, temp, handle);
  if (!p.empty()) return p;
  p = files.write(handle, bytes.data(), bytes.size());
  if (Problem closing = files.close(handle); p.empty()) p = closing;
  if (p.empty()) p = files.rename(temp, target);
  if (!p.empty()) files.remove(temp);
  return p;
}

}  // namespace kelv
