// The Windows side of the platform layer, shared by windows.cpp and the Windows tests: text
// between the program's UTF-8 and the UTF-16 of the system calls, paths the system takes at any
// length, and the user's side (message boxes, and the console or redirected streams).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kelv {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// The system's words for `error` (in the user's language), without the final full stop.
Problem reason(DWORD error);

// `path` as the wide file calls take it at any length: a long path becomes an absolute one in
// the \\?\ form (where '/' no longer separates folders, so it is made absolute first); a short
// one stays as it is, so that it means what it always meant.
std::wstring long_path(const std::string& path);

// Shows a message box: returns the button chosen (IDYES, IDNO, IDOK), or 0 or -1 when the box
// could not be shown (no desktop, a service account).
using ShowMessageBox =
    std::function<int(const std::wstring& text, const std::wstring& caption, UINT type)>;

// The user's side on Windows. The overwrite question and the create-failure message are message
// boxes. Lines go to the standard output and error when there are such (UTF-16 on a console,
// UTF-8 when redirected); a user who has none (files dropped on the program's icon) is shown
// what failed in one message box at the end of the run.
class WindowsConsole final : public Console {
 public:
  // `out` and `err` are the standard handles: null or invalid when the program has none.
  WindowsConsole(HANDLE out, HANDLE err, ShowMessageBox show);

  Answer ask_overwrite(const std::string& output) override;
  void cannot_create(const std::string& output, const Problem& reason) override;
  void error(std::string_view line) override;
  void info(std::string_view line) override;
  void diagnostic(std::string_view line) override;
  void finished(std::span<const std::string> failures,
                std::span<const std::string> warnings) override;

  // Lines of the failure box; the rest are counted.
  static constexpr std::size_t kBoxLines = 20;

 private:
  HANDLE out_;
  HANDLE err_;
  ShowMessageBox show_;
};

// kelvconv.com started on its own, as by a double-click in Explorer: with no arguments, and
// alone on a console of its own (which closes with it), it says how it is used and waits for a
// key, so that the window does not vanish unread. Returns whether it did so; started from a
// shell, with arguments, or by kelvconv.exe (no console), it does nothing and returns false.
bool greet_when_started_alone(std::size_t argument_count);

}  // namespace kelv
