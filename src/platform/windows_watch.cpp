// The watch on Windows: ReadDirectoryChangesW on each folder, overlapped, waited for beside an
// event that Ctrl-C, Ctrl-Break and the closing of the console set.
#include <array>
#include <memory>
#include <vector>

#include "platform/watcher.h"
#include "platform/win32.h"

namespace kelv {
namespace {

HANDLE stop_event = nullptr;

BOOL WINAPI on_console(DWORD type) {
  SetEvent(stop_event);
  // The program ends once this returns from a console's closing: it waits here for the work
  // under way to finish, until the program ends or the system stops waiting.
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
    Sleep(INFINITE);
  return TRUE;
}

std::string joined(const std::string& folder, const std::string& name) {
  const bool ends =
      !folder.empty() && (folder.back() == '\\' || folder.back() == '/' || folder.back() == ':');
  return folder.empty() || ends ? folder + name : folder + "\\" + name;
}

class WindowsWatcher final : public Watcher {
 public:
  WindowsWatcher() {
    stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(on_console, TRUE);
  }
  ~WindowsWatcher() override {
    SetConsoleCtrlHandler(on_console, FALSE);
    for (const std::unique_ptr<Folder>& f : folders_) {
      CancelIo(f->handle);
      CloseHandle(f->handle);
      CloseHandle(f->overlapped.hEvent);
    }
    CloseHandle(stop_event);
    stop_event = nullptr;
  }

  Problem watch(const std::string& folder, bool tree) override {
    if (folders_.size() + 1 >= MAXIMUM_WAIT_OBJECTS) return reason(ERROR_TOO_MANY_OPEN_FILES);
    auto f = std::make_unique<Folder>();
    f->path = folder;
    f->tree = tree;
    f->handle =
        CreateFileW(long_path(folder).c_str(), FILE_LIST_DIRECTORY,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (f->handle == INVALID_HANDLE_VALUE) return reason(GetLastError());
    f->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!arm(*f)) {
      const DWORD error = GetLastError();
      CloseHandle(f->handle);
      CloseHandle(f->overlapped.hEvent);
      return reason(error);
    }
    folders_.push_back(std::move(f));
    return {};
  }

  Woke wait(int milliseconds, std::vector<std::string>& paths) override {
    std::vector<HANDLE> events{stop_event};
    for (const std::unique_ptr<Folder>& f : folders_)
      events.push_back(f->overlapped.hEvent);
    const DWORD woke =
        WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE,
                               milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds));
    if (WaitForSingleObject(stop_event, 0) == WAIT_OBJECT_0) return Woke::Stopped;
    if (woke <= WAIT_OBJECT_0 || woke >= WAIT_OBJECT_0 + events.size()) return Woke::Quiet;
    Folder& f = *folders_[woke - WAIT_OBJECT_0 - 1];
    DWORD size = 0;
    if (!GetOverlappedResult(f.handle, &f.overlapped, &size, FALSE) || size == 0) {
      // Too much at once for the buffer: anything in the folder may have changed.
      paths.push_back(f.path);
    } else {
      for (const char* at = f.buffer.data();;) {
        const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
        paths.push_back(joined(f.path, narrow(std::wstring_view(
                                           info->FileName, info->FileNameLength / sizeof(WCHAR)))));
        if (info->NextEntryOffset == 0) break;
        at += info->NextEntryOffset;
      }
    }
    ResetEvent(f.overlapped.hEvent);
    if (!arm(f)) paths.push_back(f.path);
    return Woke::Changed;
  }

 private:
  struct Folder {
    std::string path;
    bool tree = false;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    alignas(DWORD) std::array<char, 32 * 1024> buffer{};
  };

  // Asks for the next changes of the folder.
  static bool arm(Folder& f) {
    return ReadDirectoryChangesW(f.handle, f.buffer.data(), static_cast<DWORD>(f.buffer.size()),
                                 f.tree ? TRUE : FALSE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                     FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE,
                                 nullptr, &f.overlapped, nullptr) != 0;
  }

  std::vector<std::unique_ptr<Folder>> folders_;
};

}  // namespace

std::unique_ptr<Watcher> system_watcher() {
  return std::make_unique<WindowsWatcher>();
}

}  // namespace kelv
