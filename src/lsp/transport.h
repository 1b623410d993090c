// The base protocol of the language server: messages of JSON framed by a header block
// ("Content-Length: N", a blank line, N bytes of body), over a byte stream.
//
// The reader never gives up on a stream: a header block it cannot use, a body of the wrong
// length or of bad JSON becomes one Malformed message (which the server answers with a parse
// error), and reading goes on at the next "Content-Length" header. Nothing in the stream makes
// it hold more than kMostBody bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelv::lsp {

// Where the bytes come from and go to: the standard streams, or memory in the tests.
class Transport {
 public:
  virtual ~Transport() = default;
  // Reads what is there, up to `size` bytes, waiting for at least one; 0 at the end.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  // Whether a read would not wait, after waiting up to `milliseconds`.
  virtual bool ready(int milliseconds) = 0;
  // Writes all of `bytes`; false when the other end has gone.
  virtual bool write(std::string_view bytes) = 0;
};

// The standard input and output of the program, as raw bytes.
Transport& standard_transport();

// Bytes in memory, handed out `block` bytes at a time as a pipe may; what is written is kept.
class MemoryTransport final : public Transport {
 public:
  explicit MemoryTransport(std::string in, std::size_t block = std::size_t{1} << 20)
      : in_(std::move(in)), block_(block == 0 ? 1 : block) {}
  std::size_t read(char* buffer, std::size_t size) override;
  // Ready while input is left: the end of the input is no pause.
  bool ready(int) override { return at_ < in_.size(); }
  bool write(std::string_view bytes) override {
    out += bytes;
    return true;
  }
  std::string out;

 private:
  std::string in_;
  std::size_t block_;
  std::size_t at_ = 0;
};

// The largest body taken: a document of some hundred thousand lines fits many times over.
inline constexpr std::size_t kMostBody = std::size_t{256} << 20;

class MessageReader {
 public:
  explicit MessageReader(Transport& transport) : transport_(transport) {}

  struct Message {
    enum Status { Body, Malformed, End } status = End;
    std::string body;     // Body: the message's bytes
    std::string problem;  // Malformed: what was wrong (English, for the error's message)
  };
  // The next message, waiting for it; End once the input has ended.
  Message next();
  // Whether bytes already read wait to be taken: the next message is (partly) here.
  bool buffered() const { return at_ < buffer_.size(); }

 private:
  // Reads more into the buffer; false at the end of the input.
  bool fill();
  // The next header line without its line end, or false at the end of the input. A line longer
  // than any header is cut, the rest of it left for the next call.
  bool header_line(std::string& line);
  // Drops lines up to the next that begins "Content-Length:", which it leaves; false at the end.
  bool skip_to_header();

  Transport& transport_;
  std::string buffer_;
  std::size_t at_ = 0;
  std::size_t line_at_ = 0;  // where the last header line began
};

// `body` framed for the wire.
std::string framed(std::string_view body);

}  // namespace kelv::lsp
