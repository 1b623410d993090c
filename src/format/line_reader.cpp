#include "format/line_reader.h"

#include <algorithm>
#include <cstring>

namespace kelv {

// Eight bytes at a time: a byte is zero where (x - 0x01...) & ~x sets its top bit (the
// first such bit is exact, and any one set means some byte is zero), and a carriage return is a
// zero byte of x ^ 0x0D0D...
bool holds_marks(std::string_view bytes) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kTops = kOnes * 0x80;
  const auto marks = [](std::uint64_t x) {
    const std::uint64_t cr = x ^ (kOnes * '\r');
    return ((x | ((x - kOnes) & ~x) | ((cr - kOnes) & ~cr)) & kTops) != 0;
  };
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  if (bytes.size() < 8) {
    for (; p != end; ++p) {
      if (*p == '\0' || *p == '\r' || (*p & 0x80) != 0) return true;
    }
    return false;
  }
  std::uint64_t x;
  for (; end - p > 8; p += 8) {
    std::memcpy(&x, p, 8);
    if (marks(x)) return true;
  }
  std::memcpy(&x, end - 8, 8);  // the last eight, some of them looked at already
  return marks(x);
}

std::size_t MemorySource::read(char* buffer, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size());
  std::memcpy(buffer, bytes_.data(), n);
  bytes_.remove_prefix(n);
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
  // Ctrl-Z: the end of a text file. The block ends there, and nothing more is read.
  if (const void* z = std::memchr(block_.get(), '\x1a', end_)) {
    const auto at = static_cast<std::size_t>(static_cast<const char*>(z) - block_.get());
    cut_by_ctrl_z_ = at + 1 < end_;
    end_ = at;
    drained_ = true;
  }
  return end_ != 0;
}

bool LineReader::next() {
  if (eof_) return false;
  piece_ = !at_line_start_;
  line_number_ = next_line_;
  char* line = line_.get();
  std::size_t n = 0;
  bool ended_line = false;
  // Whole runs of bytes at a time: up to the line feed, the end of the block or what the line
  // buffer takes. A CR LF pair can only end a line, so it is the one translation to make.
  while (n < capacity_) {
    if (pos_ == end_ && !refill()) {
      eof_ = true;
      break;
    }
    const char* from = block_.get() + pos_;
    std::size_t take = std::min(end_ - pos_, capacity_ - n);
    const void* lf = std::memchr(from, '\n', take);
    if (lf != nullptr) take = static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1;
    std::memcpy(line + n, from, take);
    n += take;
    pos_ += take;
    if (lf != nullptr) {
      if (n >= 2 && line[n - 2] == '\r') line[--n - 1] = '\n';
      ended_line = true;
      break;
    }
    // A full line that ends in CR: with the LF after it, the pair is the line's last byte.
    if (n == capacity_ && line[n - 1] == '\r' && (pos_ != end_ || refill()) &&
        block_[pos_] == '\n') {
      ++pos_;
      line[n - 1] = '\n';
      ended_line = true;
    }
  }
  final_empty_ = (n == 0 && eof_);
  at_line_start_ = ended_line || eof_;
  if (ended_line) ++next_line_;

  bytes_ = n > 0 && line[n - 1] == '\n' ? n - 1 : n;
  plain_ = !holds_marks({line, bytes_});
  const void* nul = plain_ ? nullptr : std::memchr(line, '\0', n);
  cut_at_nul_ = nul != nullptr;
  length_ = cut_at_nul_ ? static_cast<std::size_t>(static_cast<const char*>(nul) - line) : n;
  if (length_ > 0 && line[length_ - 1] == '\n') --length_;
  return true;
}

}  // namespace kelv
