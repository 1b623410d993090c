// The user's side on Windows: boxes and dialogs in the windowed program, the console or the
// redirected streams in both programs.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/win32.h"

namespace kelv {

// Shows a message box: returns the button chosen (IDYES, IDNO, IDOK), or 0 or -1 when the box
// could not be shown (no desktop, a service account).
using ShowMessageBox =
    std::function<int(const std::wstring& text, const std::wstring& caption, UINT type)>;

// A task dialog (comctl32's, from Windows Vista on): a main line, the text under it, and buttons
// of the program's own.
struct TaskDialogText {
  struct Button {
    int id;
    std::wstring label;  // '&' before the letter that chooses it
  };
  std::wstring caption;
  std::wstring main;
  std::wstring content;
  std::vector<Button> buttons;  // left to right
  int default_button = 0;
};
// Shows a task dialog: returns the id of the button chosen, IDCANCEL when it was closed or left
// with Esc, or 0 when it could not be shown.
using ShowTaskDialog = std::function<int(const TaskDialogText& dialog)>;
// The ids of the overwrite question's answers "to all" (IDYES and IDNO answer for one file).
inline constexpr int kYesToAll = 101;
inline constexpr int kNoToAll = 102;

// Shows what a run had to tell in a window of its own (its heading, its entries in a list the
// user can select and copy from) until the user closes it; false when it could not be shown.
using ShowResults = std::function<bool(const RunResults& results)>;
bool show_results_window(const RunResults& results);

// Shows `prompt` on the console and reads the line the user types in answer; false, showing
// nothing, when there is no console to ask on (the standard input is a file or a pipe, as in a
// script), which is then no answer.
using AskLine = std::function<bool(const std::string& prompt, std::string& answer)>;

// How the user is asked and told. The windowed program (kelvconv.exe, files dropped on it) asks
// and tells in boxes; its console twin (kelvconv.com) shows none: it asks on the console, as on
// POSIX, and tells on the error stream.
struct UserSide {
  bool windowed = false;
  ShowMessageBox message_box;
  ShowTaskDialog task_dialog;
  AskLine ask_line;
  ShowResults results_window;
};

// The user's side on Windows. Lines go to the standard output and error when there are such
// (UTF-16 on a console, UTF-8 when redirected). In the windowed program the overwrite question
// is a task dialog, and a user who has no error stream (files dropped on the program's icon) is
// shown what failed, and what looked wrong, once, in the results window at the end of the run
// (a message box where the run failed in nothing and only its heading has something to say).
class WindowsConsole final : public Console {
 public:
  // `out` and `err` are the standard handles: null or invalid when the program has none.
  WindowsConsole(HANDLE out, HANDLE err, UserSide user);

  Answer ask_overwrite(const std::string& output) override;
  void cannot_create(const std::string& output, const Problem& reason) override;
  void error(std::string_view line) override;
  void info(std::string_view line) override;
  void diagnostic(std::string_view line) override;
  void finished(const RunResults& results) override;
  void usage_hint(std::string_view text) override;
  void summary(const RunSummary& run) override;

  // Whether the user has something to read on the console: a failure, a warning or a question.
  bool told() const { return told_; }

 private:
  HANDLE out_;
  HANDLE err_;
  UserSide user_;
  bool told_ = false;
};

// Whether kelvconv.com waits for a key before it ends: only where its console was made for it
// alone (`console_processes` is how many programs share the console: 1), so that the window
// closes with it, where a key can be read from that console (`input_is_console`: not "< NUL"),
// and where the user has something to read there.
bool waits_before_closing(bool windowed, DWORD console_processes, bool input_is_console,
                          bool told);
// kelvconv.com at its end: waits for a key where waits_before_closing() says so, saying why.
void keep_console_to_be_read();

// The system's console (system_console()) as the Windows user's side.
WindowsConsole& system_windows_console();

// The work area (the screen without the taskbar) of the monitor the mouse is on.
RECT work_area_under_cursor();

// Whether the running program is a console program (kelvconv.com, and the tests), as the
// subsystem in its own image's header says; false for the windowed kelvconv.exe.
bool console_program();

// A file's name on a line of its own and its folder, in full, on the next, as the boxes name it.
std::string file_and_folder(const std::string& path);

// kelvconv.com started on its own, as by a double-click in Explorer: with no arguments, and
// alone on a console of its own (which closes with it), it says how it is used and waits for a
// key, so that the window does not vanish unread. Returns whether it did so; started from a
// shell, with arguments, or by kelvconv.exe (no console), it does nothing and returns false.
bool greet_when_started_alone(std::size_t argument_count);

}  // namespace kelv
