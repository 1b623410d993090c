#include "format/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace kelv {

std::size_t MemorySource::read(char* buffer, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size());
  std::memcpy(buffer, bytes_.data(), n);
  bytes_.remove_prefix(n);
  return n;
}

FileSource::FileSource(const std::string& path) {
  file_ = open_for_reading(path, error_);
}

FileSource::~FileSource() {
  if (file_ != nullptr) std::fclose(file_);
}

std::size_t FileSource::read(char* buffer, std::size_t size) {
  if (file_ == nullptr) return 0;
  errno = 0;
  const std::size_t n = std::fread(buffer, 1, size, file_);
  if (n == 0 && std::ferror(file_) != 0 && error_.empty()) {
    error_ = std::strerror(errno != 0 ? errno : EIO);
  }
  return n;
}

LineReader::LineReader(ByteSource& source, std::size_t line_buffer)
    : source_(source),
      capacity_(line_buffer - 1),
      line_(new char[line_buffer]),
      block_(new char[kBlock]) {}

bool LineReader::refill() {
  if (drained_) return false;
  pos_ = 0;
  end_ = source_.read(block_.get(), kBlock);
  if (end_ == 0) drained_ = true;
  return end_ != 0;
}

int LineReader::get() {
  if (pos_ == end_ && !refill()) return -1;
  const char c = block_[pos_++];
  if (c == '\x1a') {  // Ctrl-Z: the end of a text file
    drained_ = true;
    pos_ = end_ = 0;
    return -1;
  }
  if (c == '\r') {
    if (pos_ == end_ && !refill()) return '\r';
    if (block_[pos_] == '\n') {
      ++pos_;
      return '\n';
    }
  }
  return static_cast<unsigned char>(c);
}

bool LineReader::next() {
  if (eof_) return false;
  piece_ = !at_line_start_;
  line_number_ = next_line_;
  std::size_t n = 0;
  bool ended_line = false;
  while (n < capacity_) {
    const int c = get();
    if (c < 0) {
      eof_ = true;
      break;
    }
    line_[n++] = static_cast<char>(c);
    if (c == '\n') {
      ended_line = true;
      break;
    }
  }
  final_empty_ = (n == 0 && eof_);
  at_line_start_ = ended_line || eof_;
  if (ended_line) ++next_line_;

  const void* nul = std::memchr(line_.get(), '\0', n);
  cut_at_nul_ = nul != nullptr;
  length_ = cut_at_nul_ ? static_cast<std::size_t>(static_cast<const char*>(nul) - line_.get()) : n;
  if (length_ > 0 && line_[length_ - 1] == '\n') --length_;
  return true;
}

}  // namespace kelv
