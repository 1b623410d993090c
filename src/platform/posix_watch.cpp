// The watch on POSIX systems: inotify on Linux; elsewhere the system tells nothing and the watch
// looks for itself. Ctrl-C, SIGTERM and a hang-up write a byte down a pipe that wakes the wait.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#ifdef __linux__
#include <dirent.h>
#include <sys/inotify.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <iterator>
#include <map>

#include "platform/watcher.h"

namespace kelv {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
int stop_pipe[2] = {-1, -1};
volatile std::sig_atomic_t stop_asked = 0;

void stop(int) {
  const int saved = errno;
  stop_asked = 1;
  const char byte = 0;
  [[maybe_unused]] const ssize_t n = ::write(stop_pipe[1], &byte, 1);
  errno = saved;
}

std::string joined(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

class PosixWatcher final : public Watcher {
 public:
  PosixWatcher() {
    if (::pipe(stop_pipe) == 0) {
      for (const int fd : stop_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
      }
    }
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
      // A signal the user has ignored (nohup) stays ignored.
      if (::sigaction(kStopSignals[i], nullptr, &before_[i]) != 0 ||
          before_[i].sa_handler == SIG_IGN)
        continue;
      struct sigaction on {};
      on.sa_handler = stop;
      on.sa_flags = SA_RESTART;
      ::sigemptyset(&on.sa_mask);
      ::sigaction(kStopSignals[i], &on, nullptr);
    }
#ifdef __linux__
    notify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notify_ < 0) notify_error_ = errno;
#endif
  }

  ~PosixWatcher() override {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
      ::sigaction(kStopSignals[i], &before_[i], nullptr);
    stop_asked = 0;
    for (int& fd : stop_pipe) {
      if (fd >= 0) ::close(fd);
      fd = -1;
    }
    if (notify_ >= 0) ::close(notify_);
  }

  Problem watch(const std::string& folder, bool tree) override {
#ifdef __linux__
    if (notify_ < 0) return errno_reason(notify_error_);
    const int wd = ::inotify_add_watch(notify_, folder.c_str(), kMask);
    if (wd < 0) return errno_reason(errno);
    folders_[wd] = {folder, tree};
    if (!tree) return {};
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr) return {};
    Problem problem;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == ".." || e->d_type != DT_DIR) continue;
      if (Problem p = watch(joined(folder, name), true); problem.empty()) problem = std::move(p);
    }
    ::closedir(d);
    return problem;
#else
    (void)folder;
    (void)tree;
    return errno_reason(ENOSYS);
#endif
  }

  Woke wait(int milliseconds, std::vector<std::string>& paths) override {
    pollfd fds[2] = {{stop_pipe[0], POLLIN, 0}, {notify_, POLLIN, 0}};
    if (stop_asked == 0) ::poll(fds, notify_ >= 0 ? 2 : 1, milliseconds);
    if (stop_asked != 0) return Woke::Stopped;
    return (fds[1].revents & POLLIN) != 0 && heard(paths) ? Woke::Changed : Woke::Quiet;
  }

 private:
#ifdef __linux__
  static constexpr std::uint32_t kMask =
      IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB | IN_ONLYDIR;

  // The events waiting, as paths; new subfolders of a tree are watched from here on.
  bool heard(std::vector<std::string>& paths) {
    bool any = false;
    alignas(inotify_event) char buffer[16 * 1024];
    for (ssize_t n; (n = ::read(notify_, buffer, sizeof buffer)) > 0;) {
      for (const char* at = buffer; at < buffer + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(at);
        at += sizeof(inotify_event) + e->len;
        any = true;
        const auto folder = folders_.find(e->wd);
        if ((e->mask & IN_IGNORED) != 0) {
          if (folder != folders_.end()) folders_.erase(folder);
          continue;
        }
        if ((e->mask & IN_Q_OVERFLOW) != 0 || folder == folders_.end()) {
          // Events were lost: every folder may have changed.
          for (const auto& [wd, f] : folders_)
            paths.push_back(f.path);
          continue;
        }
        const std::string path =
            e->len > 0 ? joined(folder->second.path, e->name) : folder->second.path;
        paths.push_back(path);
        if (folder->second.tree && (e->mask & IN_ISDIR) != 0 &&
            (e->mask & (IN_CREATE | IN_MOVED_TO)) != 0)
          watch(path, true);
      }
    }
    return any;
  }
#else
  bool heard(std::vector<std::string>&) {
    return false;
  }
#endif

  struct Folder {
    std::string path;
    bool tree = false;
  };
  struct sigaction before_[std::size(kStopSignals)] = {};  // as the signals were taken before
  int notify_ = -1;
  int notify_error_ = 0;
  std::map<int, Folder> folders_;  // by watch descriptor
};

}  // namespace

std::unique_ptr<Watcher> system_watcher() {
  return std::make_unique<PosixWatcher>();
}

}  // namespace kelv
