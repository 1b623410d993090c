// A fresh folder for one test, removed with everything in it afterwards; and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kelv::test {

// A path in UTF-8, the program's own encoding, as the file system library takes it and gives it
// back (on Windows its narrow strings are in the ANSI code page).
inline std::filesystem::path fs_path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return {s.begin(), s.end()};
}

class TempDir {
 public:
  TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path p = base / ("kelvconv-test-" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) path_ = utf8(p);
    }
    if (path_.empty()) ADD_FAILURE() << "cannot make a temporary folder";
  }
  ~TempDir() {
    std::error_code ec;
    // Give back the permissions a test may have taken away (a read-only file or folder).
    for (auto it = std::filesystem::recursive_directory_iterator(fs_path(path_), ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
      }
    }
    std::filesystem::permissions(fs_path(path_), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(fs_path(path_), ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of `name` inside the folder.
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }
  const std::string& path() const { return path_; }

  // The names in the folder (not recursive).
  std::set<std::string> names() const {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(fs_path(path_))) {
      out.insert(utf8(e.path().filename()));
    }
    return out;
  }

 private:
  std::string path_;
};

inline void write_file(const std::string& path, std::string_view content) {
  std::filesystem::create_directories(fs_path(path).parent_path());
  std::ofstream(fs_path(path), std::ios::binary) << content;
}

// The file's bytes (empty when it cannot be read).
inline std::vector<unsigned char> read_file(const std::string& path) {
  std::ifstream in(fs_path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's bytes as text, or "<missing>" when it cannot be read.
inline std::string file_text(const std::string& path) {
  std::ifstream in(fs_path(path), std::ios::binary);
  if (!in) return "<missing>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace kelv::test
