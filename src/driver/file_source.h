// A source file read in large blocks, for the line reader.
#pragma once

#include <cstdio>
#include <string>

#include "format/line_reader.h"

namespace kelv {

class FileSource final : public ByteSource {
 public:
  // Opens `path` for reading; check open() before reading.
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool open() const { return file_ != nullptr; }
  std::size_t read(char* buffer, std::size_t size) override;
  std::string error() const override { return error_; }

 private:
  std::FILE* file_ = nullptr;
  bool ended_ = false;
  std::string error_;
};

}  // namespace kelv
