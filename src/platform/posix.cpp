// The POSIX machine: files through the system calls, the overwrite question on the terminal.
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/terminal.h"

namespace kelv {
namespace {

Problem reason(int error) {
  return errno_reason(error);
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The temporary files not yet renamed or removed. A signal that ends the run (Ctrl-C, a hang-up,
// TERM, a broken pipe) removes them on its way out: a run of many outputs has many waiting, and
// only a kill that cannot be caught (SIGKILL, a power cut) leaves any behind.
class Leftovers {
 public:
  // Runs `change` (which may make or rename a temporary file) with the signals held back until
  // `temporaries` agrees with the disk again.
  template <class F>
  static void change(F&& change) {
    install();
    busy_ = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    change(temporaries_);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    busy_ = 0;
    if (pending_ != 0) leave(pending_);
  }

 private:
  static void install() {
    if (installed_) return;
    installed_ = true;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
      struct sigaction now {};
      // A signal the user has ignored (nohup) stays ignored.
      if (::sigaction(signal, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) continue;
      struct sigaction on {};
      on.sa_handler = caught;
      ::sigemptyset(&on.sa_mask);
      ::sigaction(signal, &on, nullptr);
    }
  }
  static void caught(int signal) {
    if (busy_ != 0) {
      pending_ = signal;
      return;
    }
    leave(signal);
  }
  // Removes the temporary files and ends as the signal would have (only what a signal handler
  // may call).
  static void leave(int signal) {
    for (const std::string& path : temporaries_)
      ::unlink(path.c_str());
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }

  static inline std::unordered_set<std::string> temporaries_;
  static inline volatile std::sig_atomic_t busy_ = 0;
  static inline volatile std::sig_atomic_t pending_ = 0;
  static inline bool installed_ = false;
};

// Runs `use` on the folder opened for reading.
template <class F>
Problem with_folder(const std::string& folder, F&& use) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return reason(errno);
  Problem p = use(fd);
  ::close(fd);
  return p;
}

// Outputs this large give their cached pages back before their replacement is written.
constexpr off_t kDropFrom = off_t{1} << 20;

// Asks the system to forget the cached pages of the file at `path`, which is about to be
// replaced: the new content's pages are then taken from those, as when a file is overwritten in
// place, rather than from memory of its own while both are held.
void drop_cache(const std::string& path) {
#ifdef POSIX_FADV_DONTNEED  // not on every POSIX system
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
#else
  (void)path;
#endif
}

// The process's umask, read once (reading it means setting it): the program never changes it.
mode_t process_umask() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

// Makes up the last six characters ("XXXXXX" at first) of `pattern` anew, as mkstemp does.
void make_up_name(std::string& pattern) {
  static constexpr std::string_view kLetters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::uint64_t state =
      static_cast<std::uint64_t>(::getpid()) * 0x9E3779B97F4A7C15u ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  state = state * 6364136223846793005u + 1442695040888963407u;
  std::uint64_t bits = state >> 16;
  for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i, bits /= kLetters.size())
    pattern[i] = kLetters[bits % kLetters.size()];
}

// Creates a new file at `pattern`, its last six characters made up, with `mode` (less the umask)
// from the start; -1 with errno set when it cannot.
int create_new(std::string& pattern, mode_t mode) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    make_up_name(pattern);
    const int fd = ::open(pattern.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;  // errno: EEXIST
}

class PosixFiles final : public FileSystem {
  static constexpr int kGather = 256;  // pieces per writev

 public:
  bool exists(const std::string& path) override {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
  }

  std::string resolve(const std::string& path) override {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
      struct stat st {};
      const bool found = ::lstat(at.c_str(), &st) == 0;
      if (!found || !S_ISLNK(st.st_mode)) {
        // What create_temp() looks at next: it need not ask again.
        seen_ = {at, st, found ? 0 : errno};
        return at;
      }
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
    bool existed = false;
    if (seen_.path == target) {
      // Just looked at by resolve(), and no link (an existing file is then what stat() gives).
      existed = seen_.error == 0;
      st = seen_.st;
      errno = seen_.error;
    } else {
      existed = ::stat(target.c_str(), &st) == 0;
    }
    seen_.path.clear();
    if (!existed && errno != ENOENT) return reason(errno);
    if (existed && S_ISDIR(st.st_mode)) return reason(EISDIR);
    if (existed && !S_ISREG(st.st_mode)) return tr("not a regular file")();
    // Root may write any file, and an owner one with the owner's write bit: no need to ask.
    if (const uid_t user = existed ? ::geteuid() : 0;
        existed && user != 0 && !(st.st_uid == user && (st.st_mode & S_IWUSR) != 0) &&
        ::access(target.c_str(), W_OK) != 0) {
      return reason(errno);
    }
    if (existed && st.st_size >= kDropFrom) drop_cache(target);

    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string pattern = folder + "." + name + ".XXXXXX";
    // The new file gets the mode the old one had, or what creating it anew gives (the umask
    // taken from 0666). The old mode is given at the creation, and again after it where the
    // umask took some of it or it has the sticky bit (which not every system takes from open()).
    // The set-user-ID and set-group-ID bits wait for the close: a write by a user without root's
    // power would clear them.
    const mode_t mode = existed ? st.st_mode & 07777 : 0666;
    const mode_t first = mode & ~mode_t{S_ISUID | S_ISGID};
    if (!existed) {
      // A new output needs no name until it is put in place: one name is then added to its
      // folder, where a temporary one would be added, looked up and taken out again.
      const int fd = create_unnamed(folder.empty() ? "." : folder);
      if (fd >= 0) {
        // Its name here stands for it in the calls that follow; nothing of that name is made.
        temp_path = pattern + std::to_string(fd);
        unnamed_.emplace(temp_path, Unnamed{fd, pattern});
        unnamed_fds_.insert(fd);
        handle = fd;
        return {};
      }
      if (errno != 0) return reason(errno);
    }
    int fd = -1;
    Leftovers::change([&](auto& temporaries) {
      fd = create_new(pattern, first);
      if (fd >= 0) temporaries.insert(pattern);
    });
    if (fd < 0) return reason(errno);
    if (existed && (first & (process_umask() | S_ISVTX)) != 0) ::fchmod(fd, first);
    if ((mode & (S_ISUID | S_ISGID)) != 0) set_id_modes_[fd] = mode;
    temp_path = pattern;
    handle = fd;
    return {};
  }

  std::string name_key(const std::string& path) override {
    // Folded, for the file systems that ignore case (FAT and the like, folders marked so): two
    // names that differ only in case cost at most one more flush.
    std::string name = path.substr(path.rfind('/') + 1);
    for (char& c : name) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
  }

  Problem write(Handle handle, std::uint64_t at, std::span<const Piece> pieces) override {
    const int fd = static_cast<int>(handle);
    std::size_t next = 0;  // the first piece not yet written whole
    std::size_t done = 0;  // bytes of it written
    while (next < pieces.size()) {
      iovec io[kGather];
      int count = 0;
      for (std::size_t i = next; i < pieces.size() && count < kGather; ++i) {
        const std::size_t skip = i == next ? done : 0;
        if (pieces[i].size() == skip) continue;
        io[count++] = {const_cast<unsigned char*>(pieces[i].data()) + skip,
                       pieces[i].size() - skip};
      }
      if (count == 0) break;
      ssize_t n = ::pwritev(fd, io, count, static_cast<off_t>(at));
      if (n < 0) {
        if (errno == EINTR) continue;
        return reason(errno);
      }
      at += static_cast<std::uint64_t>(n);
      // Past the pieces written whole, into the one written in part.
      for (auto left = static_cast<std::size_t>(n); next < pieces.size(); ++next, done = 0) {
        const std::size_t rest = pieces[next].size() - done;
        if (left < rest) {
          done += left;
          break;
        }
        left -= rest;
      }
    }
    return {};
  }

  Problem read(Handle handle, std::uint64_t at, std::span<unsigned char> bytes) override {
    const int fd = static_cast<int>(handle);
    for (std::size_t got = 0; got < bytes.size();) {
      const ssize_t n =
          ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(at + got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return reason(errno);
      if (n == 0) return reason(EIO);  // past the end: nothing was written there
      got += static_cast<std::size_t>(n);
    }
    return {};
  }

  Problem resize(Handle handle, std::uint64_t size) override {
    const int fd = static_cast<int>(handle);
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) return reason(errno);
    if (size == 0) return {};
      // Room taken for the bytes not yet written. A file system that cannot take it ahead gives
      // the zero bytes all the same, and tells a full disk when they are written.
#ifdef __linux__
    if (::fallocate(fd, 0, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
      return reason(errno);
    }
#else
    if (const int e = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
        e != 0 && e != EINVAL && e != EOPNOTSUPP) {
      return reason(e);
    }
#endif
    return {};
  }

  Problem close(Handle handle) override {
    const int fd = static_cast<int>(handle);
    // An unnamed file stays open until it is put in place or given up: closing it would lose it.
    if (unnamed_fds_.contains(fd)) return {};
    Problem p;
    if (const auto mode = set_id_modes_.find(fd); mode != set_id_modes_.end()) {
      if (::fchmod(fd, mode->second) != 0) p = reason(errno);
      set_id_modes_.erase(mode);
    }
    if (::close(fd) != 0 && p.empty()) p = reason(errno);
    return p;
  }

  void flush(std::span<const std::string> paths, std::span<Problem> problems) override {
#ifdef __linux__
    if (paths.size() > 1) {
      // One syncfs for each file system the files are on, found through their folders.
      std::unordered_map<std::string, Problem> folders;
      std::vector<std::pair<dev_t, Problem>> synced;
      for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string folder = folder_of(paths[i]);
        auto [at, added] = folders.try_emplace(folder);
        if (added)
          at->second = with_folder(folder, [&](int fd) -> Problem {
            struct stat st {};
            if (::fstat(fd, &st) != 0) return reason(errno);
            for (const auto& [device, problem] : synced) {
              if (device == st.st_dev) return problem;
            }
            Problem p = ::syncfs(fd) == 0 ? Problem() : reason(errno);
            synced.emplace_back(st.st_dev, p);
            return p;
          });
        problems[i] = at->second;
      }
      return;
    }
#endif
    for (std::size_t i = 0; i < paths.size(); ++i) {
      if (const auto u = unnamed_.find(paths[i]); u != unnamed_.end()) {
        if (::fsync(u->second.fd) != 0 && errno != EINVAL) problems[i] = reason(errno);
        continue;
      }
      const int fd = ::open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        problems[i] = reason(errno);
        continue;
      }
      if (::fsync(fd) != 0 && errno != EINVAL) problems[i] = reason(errno);
      ::close(fd);
    }
  }

  Problem rename(const std::string& from, const std::string& to) override {
    seen_.path.clear();
    if (const auto u = unnamed_.find(from); u != unnamed_.end()) return name_unnamed(u, to);
    int error = 0;
    Leftovers::change([&](auto& temporaries) {
      if (::rename(from.c_str(), to.c_str()) == 0) {
        temporaries.erase(from);
      } else {
        error = errno;
      }
    });
    if (error != 0) return reason(error);
    return {};
  }

  void flush_folders(std::span<const std::string> paths, std::span<Problem> problems) override {
    std::unordered_map<std::string, Problem> folders;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const std::string folder = folder_of(paths[i]);
      auto [at, added] = folders.try_emplace(folder);
      if (added)
        at->second = with_folder(folder, [](int fd) -> Problem {
          // Some file systems cannot flush a folder; their names are as safe as they can be.
          if (::fsync(fd) != 0 && errno != EINVAL) return reason(errno);
          return {};
        });
      problems[i] = at->second;
    }
  }

  void remove(const std::string& path) override {
    seen_.path.clear();
    if (const auto u = unnamed_.find(path); u != unnamed_.end()) {
      forget(u);
      return;
    }
    Leftovers::change([&](auto& temporaries) {
      ::unlink(path.c_str());
      temporaries.erase(path);
    });
  }

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
        // The entry's own type where the file system gives it; a link is asked where it leads.
#ifdef _DIRENT_HAVE_D_TYPE
      if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK) {
        entries.push_back({name, e->d_type == DT_DIR});
        continue;
      }
#endif
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

  std::string current_folder() override {
    for (std::string path(256, '\0');; path.resize(path.size() * 2)) {
      if (::getcwd(path.data(), path.size()) != nullptr) return path.c_str();
      if (errno != ERANGE) return {};
    }
  }

 private:
  struct Unnamed {
    int fd;
    std::string pattern;  // for a name of its own beside its output, where it needs one
  };
  using UnnamedFiles = std::unordered_map<std::string, Unnamed>;

  // A new file without a name in `folder`, open for writing, with the mode a new file takes (the
  // umask taken from 0666); -1 with errno 0 where the system cannot make one (a file system or
  // kernel without them, no /proc to name it through, or as many waiting as the process may hold
  // open): a named temporary file is made then, as everywhere else.
  int create_unnamed(const std::string& folder) {
#if defined(__linux__) && defined(O_TMPFILE)
    if (unnamed_.size() < unnamed_limit()) {
      const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
      if (fd >= 0) return fd;
      // Told where the file system cannot make one; anything else is the folder's own problem.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
    }
#else
    (void)folder;
#endif
    errno = 0;
    return -1;
  }

  // How many unnamed files may wait at once: they stay open until they are put in place, so half
  // of the files the process may hold open, after taking that as high as the system lets it go
  // (this program never waits on a file's number with select()). None without /proc.
  std::size_t unnamed_limit() {
    if (!unnamed_limit_) {
      unnamed_limit_ = 0;
      rlimit files{};
      if (::access("/proc/self/fd", X_OK) == 0 && ::getrlimit(RLIMIT_NOFILE, &files) == 0) {
        if (files.rlim_cur != RLIM_INFINITY && files.rlim_cur < kWantedOpen &&
            files.rlim_cur < files.rlim_max) {
          const rlimit more{std::min<rlim_t>(files.rlim_max, kWantedOpen), files.rlim_max};
          if (::setrlimit(RLIMIT_NOFILE, &more) == 0) files.rlim_cur = more.rlim_cur;
        }
        const rlim_t open = std::min<rlim_t>(files.rlim_cur, kWantedOpen);
        unnamed_limit_ = static_cast<std::size_t>(open / 2);
      }
    }
    return *unnamed_limit_;
  }

  // Gives the unnamed file its name `to`. Where something came to `to` since the output was
  // looked at, the file is named beside it first and renamed over it, as a named one is.
  Problem name_unnamed(UnnamedFiles::iterator u, const std::string& to) {
    seen_.path.clear();
    const std::string self = "/proc/self/fd/" + std::to_string(u->second.fd);
    int error = 0;
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      error = errno;
      if (error == EEXIST) error = link_beside(self, u->second.pattern, to);
    }
    if (error != 0) return reason(error);  // remove() closes it
    forget(u);
    return {};
  }

  // Links `self` at a free name made from `pattern`, then renames it over `to`.
  static int link_beside(const std::string& self, std::string pattern, const std::string& to) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
      make_up_name(pattern);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, pattern.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        if (::rename(pattern.c_str(), to.c_str()) == 0) return 0;
        const int error = errno;
        ::unlink(pattern.c_str());
        return error;
      }
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }

  void forget(UnnamedFiles::iterator u) {
    ::close(u->second.fd);
    unnamed_fds_.erase(u->second.fd);
    unnamed_.erase(u);
  }

  static constexpr rlim_t kWantedOpen = 65536;

  std::map<int, mode_t> set_id_modes_;  // the modes of open temporary files that wait for close
  UnnamedFiles unnamed_;                // the unnamed files, by the names create_temp() gave them
  std::unordered_set<int> unnamed_fds_;
  std::optional<std::size_t> unnamed_limit_;
  // What resolve() found last at the end of its links: the path, what lstat() told of it, and
  // errno where it found nothing.
  struct Seen {
    std::string path;
    struct stat st;
    int error;
  } seen_{};
};

}  // namespace

namespace {

// Converts `text` with `cd` and appends the result to `out`; false, appending nothing, when some
// byte of it does not convert.
bool convert(iconv_t cd, std::string_view text, std::string& out) {
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string buffer(text.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  char* to = buffer.data();
  std::size_t to_left = buffer.size();
  if (::iconv(cd, &in, &in_left, &to, &to_left) == static_cast<std::size_t>(-1) || in_left != 0) {
    return false;
  }
  out.append(buffer.data(), static_cast<std::size_t>(to - buffer.data()));
  return true;
}

}  // namespace

bool sjis_to_utf8(std::string_view sjis, std::string& utf8) {
  static const iconv_t cd = ::iconv_open("UTF-8", "CP932");
  return convert(cd, sjis, utf8);
}

bool utf8_to_sjis(std::string_view utf8, std::string& sjis) {
  static const iconv_t cd = ::iconv_open("CP932", "UTF-8");
  return convert(cd, utf8, sjis);
}

FileSystem& system_files() {
  static PosixFiles files;
  return files;
}

Console& system_console() {
  static TerminalConsole console(
      stdout, stderr, [] { return std::fopen("/dev/tty", "r"); }, isatty(STDERR_FILENO) == 1,
      []() -> std::size_t {
        winsize size{};
        return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
      });
  return console;
}

std::string user_language() {
  // The system's messages follow the user's locale, where the system has it.
  std::setlocale(LC_MESSAGES, "");
  const std::string language = language_from_environment();
  return language.empty() ? "C" : language;
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
