// The POSIX machine: files through the system calls, the overwrite question on the terminal.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "platform/platform.h"
#include "platform/terminal.h"

namespace kelv {
namespace {

Problem reason(int error) {
  return std::strerror(error);
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class PosixFiles final : public FileSystem {
 public:
  bool exists(const std::string& path) override {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
  }

  std::string resolve(const std::string& path) override {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
      struct stat st {};
      if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
      std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
      const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
      if (n < 0 || static_cast<std::size_t>(n) >= link.size()) return at;
      link.resize(static_cast<std::size_t>(n));
      at = (link.front() == '/' || at.find('/') == std::string::npos) ? link
                                                                      : folder_of(at) + "/" + link;
    }
    return at;
  }

  Problem create_temp(const std::string& target, std::string& temp_path, Handle& handle) override {
    // Refuse what writing the file in place would refuse: a folder, a file the user may not
    // write, a path that leads nowhere (a loop of links, a file where a folder should be).
    // A device or a pipe is refused too: renaming over it would put a file in its place.
    struct stat st {};
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (!existed && errno != ENOENT) return reason(errno);
    if (existed && S_ISDIR(st.st_mode)) return reason(EISDIR);
    if (existed && !S_ISREG(st.st_mode)) return "not a regular file";
    if (existed && ::access(target.c_str(), W_OK) != 0) return reason(errno);

    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return reason(errno);
    // The new file gets the mode the old one had, or what creating it anew would give. The
    // set-user-ID and set-group-ID bits wait for the close: a write by a user without root's
    // power would clear them.
    mode_t mode = 0;
    if (existed) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode & ~mode_t{S_ISUID | S_ISGID});
    if ((mode & (S_ISUID | S_ISGID)) != 0) set_id_modes_[fd] = mode;
    temp_path = pattern;
    handle = fd;
    return {};
  }

  Problem write(Handle handle, const unsigned char* data, std::size_t size) override {
    const int fd = static_cast<int>(handle);
    while (size > 0) {
      const std::size_t chunk = size < (1u << 20) ? size : (1u << 20);
      const ssize_t n = ::write(fd, data, chunk);
      if (n < 0) {
        if (errno == EINTR) continue;
        return reason(errno);
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return {};
  }

  Problem close(Handle handle) override {
    const int fd = static_cast<int>(handle);
    Problem p;
    if (const auto mode = set_id_modes_.find(fd); mode != set_id_modes_.end()) {
      if (::fchmod(fd, mode->second) != 0) p = reason(errno);
      set_id_modes_.erase(mode);
    }
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && p.empty()) p = reason(errno);
    if (::close(fd) != 0 && p.empty()) p = reason(errno);
    return p;
  }

  Problem rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return reason(errno);
    return {};
  }

  void remove(const std::string& path) override { ::unlink(path.c_str()); }

  bool is_folder(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  Problem list(const std::string& folder, std::vector<Entry>& entries) override {
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr) return reason(errno);
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      entries.push_back({name, is_folder(folder + "/" + name)});
    }
    ::closedir(d);
    return {};
  }

  bool modified(const std::string& path, std::int64_t& when) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    when = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
  }

 private:
  std::map<int, mode_t> set_id_modes_;  // the modes of open temporary files that wait for close
};

}  // namespace

bool sjis_to_utf8(std::string_view sjis, std::string& utf8) {
  static const iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(sjis.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(sjis.data());
  std::size_t in_left = sjis.size();
  char* to = out.data();
  std::size_t to_left = out.size();
  if (::iconv(cd, &in, &in_left, &to, &to_left) == static_cast<std::size_t>(-1) || in_left != 0) {
    return false;
  }
  utf8.append(out.data(), static_cast<std::size_t>(to - out.data()));
  return true;
}

FileSystem& system_files() {
  static PosixFiles files;
  return files;
}

Console& system_console() {
  static TerminalConsole console(stdout, stderr, [] { return std::fopen("/dev/tty", "r"); });
  return console;
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  return {argv, argv + argc};
}

std::FILE* open_for_reading(const std::string& path, Problem& problem) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) problem = reason(errno != 0 ? errno : ENOENT);
  return file;
}

}  // namespace kelv
