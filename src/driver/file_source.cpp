#include "driver/file_source.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace kelv {

FileSource::FileSource(const std::string& path) {
  file_ = open_for_reading(path, error_);
  // Read in large blocks straight into the caller's buffer: no buffer of its own to fill first.
  if (file_ != nullptr) std::setvbuf(file_, nullptr, _IONBF, 0);
}

FileSource::~FileSource() {
  if (file_ != nullptr) std::fclose(file_);
}

std::size_t FileSource::read(char* buffer, std::size_t size) {
  if (file_ == nullptr || ended_) return 0;
  errno = 0;
  const std::size_t n = std::fread(buffer, 1, size, file_);
  // Fewer bytes than asked for: the end of the file, or an error. Either way nothing more comes.
  if (n < size) {
    ended_ = true;
    if (std::ferror(file_) != 0 && error_.empty()) error_ = errno_reason(errno != 0 ? errno : EIO);
  }
  return n;
}

}  // namespace kelv
