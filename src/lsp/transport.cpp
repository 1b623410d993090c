#include "lsp/transport.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/streams.h"

namespace kelv::lsp {
namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kMostHeader = 1024;  // bytes of one header line

bool starts_without_case(std::string_view line, std::string_view head) {
  if (line.size() < head.size()) return false;
  for (std::size_t i = 0; i < head.size(); ++i) {
    const char c = line[i] >= 'A' && line[i] <= 'Z' ? static_cast<char>(line[i] + 32) : line[i];
    if (c != head[i]) return false;
  }
  return true;
}

constexpr std::string_view kLengthHeader = "content-length:";

class StandardTransport final : public Transport {
 public:
  std::size_t read(char* buffer, std::size_t size) override { return streams_.read(buffer, size); }
  bool ready(int milliseconds) override { return streams_.ready(milliseconds); }
  bool write(std::string_view bytes) override { return streams_.write(bytes); }

 private:
  StandardStreams streams_;
};

}  // namespace

Transport& standard_transport() {
  static StandardTransport transport;
  return transport;
}

std::size_t MemoryTransport::read(char* buffer, std::size_t size) {
  const std::size_t n = std::min({size, block_, in_.size() - at_});
  in_.copy(buffer, n, at_);
  at_ += n;
  return n;
}

bool MessageReader::fill() {
  if (at_ > 0 && at_ >= buffer_.size() / 2) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  const std::size_t had = buffer_.size();
  buffer_.resize(had + kBlock);
  const std::size_t got = transport_.read(buffer_.data() + had, kBlock);
  buffer_.resize(had + got);
  return got > 0;
}

bool MessageReader::header_line(std::string& line) {
  for (;;) {
    const std::size_t end = buffer_.find('\n', at_);
    if (end != std::string::npos && end - at_ <= kMostHeader) {
      line_at_ = at_;
      line.assign(buffer_, at_, end - at_);
      at_ = end + 1;
      if (line.ends_with('\r')) line.pop_back();
      return true;
    }
    if (buffer_.size() - at_ > kMostHeader) {  // no header is this long: a piece of garbage
      line_at_ = at_;
      line.assign(buffer_, at_, kMostHeader);
      at_ += kMostHeader;
      return true;
    }
    if (!fill()) return false;
  }
}

bool MessageReader::skip_to_header() {
  for (;;) {
    // Anywhere: a body of the wrong length may run on into the next header.
    for (std::size_t from = at_; buffer_.size() - from >= kLengthHeader.size(); ++from) {
      if (starts_without_case(std::string_view(buffer_).substr(from), kLengthHeader)) {
        at_ = from;
        return true;
      }
    }
    // Keep what may still begin the header; drop the rest.
    at_ = std::max(at_, buffer_.size() - std::min(buffer_.size(), kLengthHeader.size() - 1));
    if (!fill()) {
      at_ = buffer_.size();
      return false;
    }
  }
}

namespace {

// "Name: value", the name made of letters, digits and hyphens.
bool is_header(std::string_view line, std::size_t colon) {
  if (colon == 0 || colon == std::string_view::npos) return false;
  return std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
  });
}

}  // namespace

MessageReader::Message MessageReader::next() {
  std::string line;
  // Blank lines between messages are nothing.
  do {
    if (!header_line(line)) return {};
  } while (line.empty());
  bool have_length = false;
  std::size_t length = 0;
  std::string problem;
  for (;;) {
    const std::size_t colon = line.find(':');
    if (!is_header(line, colon)) {
      // No header at all: garbage up to the next message, which may begin inside it.
      at_ = line_at_ + 1;
      if (!skip_to_header()) return {};
      return {Message::Malformed, {}, "bytes that are no header: " + line.substr(0, 40)};
    }
    if (starts_without_case(line, kLengthHeader)) {
      std::string_view value = std::string_view(line).substr(colon + 1);
      while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
      while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
      if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
        problem = "a Content-Length that is no number: " + std::string(value.substr(0, 40));
      } else {
        have_length = true;
      }
    }
    if (!header_line(line)) return {};
    if (line.empty()) break;
  }
  if (!problem.empty() || !have_length) {
    // Its body, whatever its length, goes with it.
    if (!skip_to_header()) return {};
    return {Message::Malformed, {}, problem.empty() ? "a header without Content-Length" : problem};
  }
  // The body, read whole; one over the limit is read past, not kept.
  const bool kept = length <= kMostBody;
  std::string body;
  for (std::size_t left = length; left > 0;) {
    if (at_ == buffer_.size() && !fill()) return {};
    const std::size_t n = std::min(left, buffer_.size() - at_);
    if (kept) body.append(buffer_, at_, n);
    at_ += n;
    left -= n;
  }
  if (!kept) return {Message::Malformed, {}, "a message larger than the server takes"};
  return {Message::Body, std::move(body), {}};
}

std::string framed(std::string_view body) {
  std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out += body;
  return out;
}

}  // namespace kelv::lsp
