// Reads a tagged text source line by line, exactly as the converters' read loop always has:
// text mode (CR LF reads as LF, Ctrl-Z ends the file), a fixed line buffer that takes at most
// its size minus one bytes per read, a NUL byte ending the line's text, and the extra empty line
// that a final line feed leaves for the next read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kelv {

// Where source bytes come from: a file or memory, read in large blocks.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Fills up to `size` bytes; returns how many, 0 at the end or on an error.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  // Empty while all went well, else the system's reason for the failed read.
  virtual std::string error() const { return {}; }
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t read(char* buffer, std::size_t size) override;

 private:
  std::string_view bytes_;
};

// Whether `bytes` hold a NUL, a carriage return or a byte beyond ASCII: what most lines do not.
bool holds_marks(std::string_view bytes);

// The two line buffers the converters use.
inline constexpr std::size_t kShortLines = 256;
inline constexpr std::size_t kLongLines = 4096;

class LineReader {
 public:
  LineReader(ByteSource& source, std::size_t line_buffer);

  // Does one pass of the read loop: returns false once the end of the file was noticed by an
  // earlier read, else reads one line (possibly empty) and returns true.
  bool next();

  // The line's text: up to its first NUL, without its line feed.
  std::string_view text() const { return {line_.get(), length_}; }
  // The line's bytes without its line feed, a NUL and what follows it included.
  std::string_view bytes() const { return {line_.get(), bytes_}; }
  // 1-based number of the physical line this piece of text comes from.
  std::uint32_t line_number() const { return line_number_; }
  // True for the second and later pieces of a line longer than the buffer.
  bool is_piece() const { return piece_; }
  // True when the line's bytes hold no NUL, carriage return or byte beyond ASCII.
  bool plain() const { return plain_; }
  // True when a NUL byte ended the text before the line's end.
  bool cut_at_nul() const { return cut_at_nul_; }
  // True for the empty line read after a final line feed (or in an empty file).
  bool is_final_empty() const { return final_empty_; }
  // Whether a Ctrl-Z ended the file before bytes that are then never read.
  bool cut_by_ctrl_z() const { return cut_by_ctrl_z_; }

 private:
  bool refill();

  ByteSource& source_;
  std::size_t capacity_;  // bytes taken per read: line buffer size - 1
  std::unique_ptr<char[]> line_;
  std::size_t length_ = 0;
  std::size_t bytes_ = 0;

  static constexpr std::size_t kBlock = 64 * 1024;
  std::unique_ptr<char[]> block_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool drained_ = false;  // the source has nothing more (or Ctrl-Z was met)
  bool cut_by_ctrl_z_ = false;
  bool eof_ = false;      // the end was noticed by a read

  std::uint32_t line_number_ = 0;
  std::uint32_t next_line_ = 1;
  bool at_line_start_ = true;
  bool piece_ = false;
  bool cut_at_nul_ = false;
  bool plain_ = true;
  bool final_empty_ = false;
};

}  // namespace kelv
