#include "platform/commit.h"

namespace kelv {

Problem commit(FileSystem& files, const std::string& output, std::span<const unsigned char> bytes) {
  const std::string target = files.resolve(output);
  std::string temp;
  FileSystem::Handle handle = -1;
  if (Problem p = files.create_temp(target, temp, handle); !p.empty()) return p;
  Problem p = files.write(handle, bytes.data(), bytes.size());
  if (Problem closing = files.close(handle); p.empty()) p = closing;
  if (p.empty()) p = files.rename(temp, target);
  if (!p.empty()) files.remove(temp);
  return p;
}

}  // namespace kelv
