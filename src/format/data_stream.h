// Where the bytes of a data file go: a sink, and the data file as it is written, which may take
// its large tables while the source is read.
//
// The driver opens an output's data file before its source is read. A kind whose large table
// comes record after record makes that table in the file (a placed table, format/table.h; the
// talk list places its texts the same way): at the count line the layout is written at once
// (format/keyed_data.h), giving the table its place, and each record goes to the file as its
// line is read, through a window of records in memory. The table is the output, not a copy of
// it: no page of memory is taken per page of output, and the file's room is taken on the disk
// before the first record, so that a full disk is told then. When the reading is done the layout
// is written again from the start: the fields around the placed bytes, which it passes over. A
// kind that places nothing is simply written then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kelv {

// Where the bytes of a data file go, one piece after the other.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes `size` bytes. Large blocks may be kept by address until the sink is flushed: they must
  // stay valid until then (the tables a converter holds do).
  virtual void put(const void* data, std::size_t size) = 0;
};

// Collects the bytes in memory.
class MemorySink final : public ByteSink {
 public:
  void put(const void* data, std::size_t size) override {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), p, p + size);
  }
  std::vector<unsigned char> bytes;
};

// Bytes that went to a data file while the source was read: where they are in it and how many.
// The writer gives them their place where it reaches them (`at` is -1 until then); `reserved`
// bytes take their room on the disk when placed.
class DataStream;
struct Placement {
  DataStream* file = nullptr;
  std::int64_t at = -1;
  std::uint64_t size = 0;
  bool reserved = false;

  bool placed() const { return at >= 0; }
};

// The data file as it is written. put() writes at the position, which moves on; the other calls
// write, read back and size the file anywhere. Small pieces are copied into a buffer, large ones
// kept by address: all are written in gather writes when the buffer or the list of pieces is
// full, when bytes go elsewhere than after them, and at flush(), which must come before the
// large blocks change. The first failure is kept; after it nothing more is written.
class DataStream : public ByteSink {
 public:
  using Piece = std::span<const unsigned char>;

  static constexpr std::size_t kBuffer = std::size_t{256} << 10;
  static constexpr std::size_t kKeepFrom = 4096;  // bytes kept by address, not copied
  static constexpr std::size_t kPieces = 256;

  // With a buffer of `buffer` bytes (at least 2); pieces of half of it or more, up to kKeepFrom,
  // are kept by address. Tests make it small, so that short inputs reach every path.
  explicit DataStream(std::size_t buffer = kBuffer);

  void put(const void* data, std::size_t size) override {
    // Most pieces are small and follow the last one held in the buffer: they join it.
    if (size != 0 && size < keep_from_ && held_end_ == position_ && used_ + size <= buffer_size_ &&
        !pieces_.empty() && pieces_.back().data() + pieces_.back().size() == buffer_.get() + used_) {
      std::memcpy(buffer_.get() + used_, data, size);
      used_ += size;
      pieces_.back() = Piece(pieces_.back().data(), pieces_.back().size() + size);
      held_end_ += size;
      position_ += size;
      return;
    }
    put_apart(data, size);
  }
  std::uint64_t position() const { return position_; }
  void seek(std::uint64_t at) { position_ = at; }
  // Room for `size` bytes (at most kBuffer) at `at`, which the caller fills at once: they are
  // written with the buffer.
  unsigned char* room(std::uint64_t at, std::size_t size);
  // Writes `size` bytes at `at`, now: the caller may change them afterwards.
  void write(std::uint64_t at, const void* data, std::size_t size);
  // Reads back `size` bytes at `at`; false, with zero bytes given, after a failure.
  bool read(std::uint64_t at, void* data, std::size_t size);
  // Makes the file `size` bytes long: cut there, or grown with zero bytes whose room on the disk
  // is taken now.
  void resize(std::uint64_t size);
  // Writes what is held.
  void flush();
  // The end of the writing: what is held is written, and the file ends at the position.
  void end();

  // Empty while all went well, else the first failure.
  const std::string& problem() const { return problem_; }
  // A failure found by the writer.
  void fail(const std::string& why);

 protected:
  // Starts on a new file: nothing held, at 0, no failure.
  void restart();
  // What the file does; each empty when it went well, else the reason.
  virtual std::string write_pieces(std::uint64_t at, std::span<const Piece> pieces) = 0;
  virtual std::string read_bytes(std::uint64_t at, std::span<unsigned char> bytes) = 0;
  virtual std::string resize_file(std::uint64_t size) = 0;

 private:
  // Makes the held bytes end at `at`, written out first where they end elsewhere; `size` more
  // bytes go to the buffer unless it is written out first.
  void hold_at(std::uint64_t at, std::size_t buffered);
  void add(const unsigned char* bytes, std::size_t size, bool copy);
  // put() of a piece that starts a new one.
  void put_apart(const void* data, std::size_t size);

  std::size_t buffer_size_;
  std::size_t keep_from_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t used_ = 0;       // bytes of the buffer
  std::vector<Piece> pieces_;  // held, one after the other from held_at_
  std::uint64_t held_at_ = 0;
  std::uint64_t held_end_ = 0;
  std::uint64_t position_ = 0;
  std::uint64_t size_ = 0;  // the file's size, as the writes and resizes made it
  std::string problem_;
};

// A data file in memory, for tests and the fuzz targets.
class MemoryStream final : public DataStream {
 public:
  using DataStream::DataStream;

  // The file: what was written out (all of it after flush() or end()).
  std::vector<unsigned char> bytes;

 protected:
  std::string write_pieces(std::uint64_t at, std::span<const Piece> pieces) override;
  std::string read_bytes(std::uint64_t at, std::span<unsigned char> out) override;
  std::string resize_file(std::uint64_t size) override;
};

}  // namespace kelv
