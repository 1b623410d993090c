// The program's standard input and output as raw bytes, for a protocol spoken over them (the
// language server): nothing translated (no text mode on Windows), nothing buffered behind the
// program's back, and no signal when the other end has gone (a write then simply fails).
#pragma once

#include <cstddef>
#include <string_view>

namespace kelv {

class StandardStreams {
 public:
  // Takes the streams over for raw bytes.
  StandardStreams();
  StandardStreams(const StandardStreams&) = delete;
  StandardStreams& operator=(const StandardStreams&) = delete;

  // Reads what is there, up to `size` bytes, waiting for at least one; 0 at the end of the input
  // or on an error.
  std::size_t read(char* buffer, std::size_t size);
  // Whether bytes (or the end of the input) can be read without waiting, after waiting up to
  // `milliseconds` for them.
  bool ready(int milliseconds);
  // Writes all of `bytes`; false when the output is gone.
  bool write(std::string_view bytes);
};

}  // namespace kelv
