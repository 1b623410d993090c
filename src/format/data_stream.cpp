#include "format/data_stream.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace kelv {

DataStream::DataStream(std::size_t buffer)
    : buffer_size_(buffer),
      keep_from_(std::min(kKeepFrom, buffer / 2)),
      buffer_(new unsigned char[buffer]) {
  pieces_.reserve(kPieces);
}

void DataStream::restart() {
  pieces_.clear();
  used_ = 0;
  held_at_ = held_end_ = position_ = size_ = 0;
  problem_.clear();
}

void DataStream::hold_at(std::uint64_t at, std::size_t buffered) {
  if (held_end_ != at || used_ + buffered > buffer_size_ || pieces_.size() == kPieces) {
    flush();
    held_at_ = held_end_ = at;
  }
}

void DataStream::add(const unsigned char* bytes, std::size_t size, bool copy) {
  if (copy) {
    unsigned char* to = buffer_.get() + used_;
    std::memcpy(to, bytes, size);
    used_ += size;
    bytes = to;
  }
  // Joined to the last piece when that ends where this one begins.
  if (!pieces_.empty() && pieces_.back().data() + pieces_.back().size() == bytes) {
    pieces_.back() = Piece(pieces_.back().data(), pieces_.back().size() + size);
  } else {
    pieces_.emplace_back(bytes, size);
  }
  held_end_ += size;
}

void DataStream::put_apart(const void* data, std::size_t size) {
  if (size == 0) return;
  const bool copy = size < keep_from_;
  hold_at(position_, copy ? size : 0);
  add(static_cast<const unsigned char*>(data), size, copy);
  position_ += size;
}

unsigned char* DataStream::room(std::uint64_t at, std::size_t size) {
  assert(size <= buffer_size_);
  hold_at(at, size);
  unsigned char* to = buffer_.get() + used_;
  used_ += size;
  add(to, size, false);
  return to;
}

void DataStream::write(std::uint64_t at, const void* data, std::size_t size) {
  if (size == 0) return;
  if (size < keep_from_) {
    std::memcpy(room(at, size), data, size);
    return;
  }
  hold_at(at, 0);
  add(static_cast<const unsigned char*>(data), size, false);
  flush();
}

bool DataStream::read(std::uint64_t at, void* data, std::size_t size) {
  flush();
  if (problem_.empty()) problem_ = read_bytes(at, {static_cast<unsigned char*>(data), size});
  if (problem_.empty()) return true;
  std::memset(data, 0, size);
  return false;
}

void DataStream::resize(std::uint64_t size) {
  flush();
  if (size == size_) return;
  if (problem_.empty()) problem_ = resize_file(size);
  size_ = size;
}

void DataStream::flush() {
  if (!pieces_.empty() && problem_.empty()) problem_ = write_pieces(held_at_, pieces_);
  pieces_.clear();
  used_ = 0;
  size_ = std::max(size_, held_end_);
  held_at_ = held_end_;
}

void DataStream::end() {
  flush();
  // Longer only where placed bytes were cut short or moved.
  if (size_ > position_) resize(position_);
}

void DataStream::fail(const std::string& why) {
  if (problem_.empty()) problem_ = why;
}

std::string MemoryStream::write_pieces(std::uint64_t at, std::span<const Piece> pieces) {
  for (const Piece& p : pieces) {
    if (at + p.size() > bytes.size()) bytes.resize(at + p.size());
    std::memcpy(bytes.data() + at, p.data(), p.size());
    at += p.size();
  }
  return {};
}

std::string MemoryStream::read_bytes(std::uint64_t at, std::span<unsigned char> out) {
  if (at > bytes.size() || out.size() > bytes.size() - at) return "read past the end";
  std::memcpy(out.data(), bytes.data() + at, out.size());
  return {};
}

std::string MemoryStream::resize_file(std::uint64_t size) {
  bytes.resize(size);
  return {};
}

}  // namespace kelv
