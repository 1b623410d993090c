// The user's side on Windows: the windowed program asks and tells in boxes, its console twin
// asks on the console; both write their lines to the standard streams.
#include "platform/windows_console.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/terminal.h"

namespace kelv {
namespace {

// What kelvconv.com says when it is started on its own (a double-click), in one piece.
// How the programs are used, for one started with nothing to do.
constexpr Text kHowToUse =
    tr("kelvconv converts Kelvardin game sources (prepare.txt, item_list.txt,\n"
       "scene*.txt, ...) into the data files the engine loads. Give it the files\n"
       "or the data folder to convert:\n"
       "\n"
       "  - drop them on kelvconv.exe, or send them to it with the \"Send to\" menu\n"
       "    of Explorer;\n"
       "  - or, in a command prompt or PowerShell, type for example\n"
       "        kelvconv -y data\n"
       "        kelvconv --help");
// The same for the box of kelvconv.exe, which wraps its lines itself.
constexpr Text kHowToUseInABox =
    tr("kelvconv converts Kelvardin game sources (prepare.txt, item_list.txt, scene*.txt, ...) "
       "into the data files the engine loads. Give it the files or the data folder to convert:\n"
       "\n"
       "- drop them on kelvconv.exe, or send them to it with the \"Send to\" menu of Explorer;\n"
       "- or, in a command prompt or PowerShell, type for example \"kelvconv -y data\" or "
       "\"kelvconv --help\".");
constexpr Text kPressAKey = tr("Press any key to close this window.");
constexpr Text kReadAndPressAKey =
    tr("Read the messages above, then press any key to close this window.");

// A usable standard handle: a console, a file or a pipe.
bool usable(HANDLE h) {
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// Writes `text` to `h`: UTF-16 on a console, UTF-8 elsewhere; line ends are CR LF.
void write_text(HANDLE h, std::string_view text) {
  if (!usable(h)) return;
  std::string bytes;
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    const std::wstring w = widen(bytes);
    for (std::size_t at = 0; at < w.size();) {
      DWORD done = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(w.size() - at, 8192));
      if (!WriteConsoleW(h, w.data() + at, chunk, &done, nullptr) || done == 0) return;
      at += done;
    }
    return;
  }
  for (std::size_t at = 0; at < bytes.size();) {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 20));
    if (!WriteFile(h, bytes.data() + at, chunk, &done, nullptr) || done == 0) return;
    at += done;
  }
}

void write_line(HANDLE h, std::string_view text) {
  write_text(h, std::string(text) + "\n");
}

std::string program_line(std::string_view line) {
  return std::string(kProgram) + ": " + std::string(line);
}

// The title of the windowed program's boxes.
constexpr const wchar_t* kCaption = L"Kelvardin";

// Where the overwrite dialogs of a run open: centred on the screen the first time, then where
// the user left the one before.
struct DialogPlace {
  bool shown = false;  // whether this dialog was shown
  bool moved = false;  // whether `at` holds where the one before was left
  POINT at{};
};

HRESULT CALLBACK on_task_dialog(HWND window, UINT notification, WPARAM, LPARAM, LONG_PTR data) {
  DialogPlace& place = *reinterpret_cast<DialogPlace*>(data);
  RECT now{};
  if (notification == TDN_CREATED) {
    place.shown = true;
    // The dialog has no owner, so the system may put it anywhere (Wine: the screen's corner).
    POINT at = place.at;
    if (!place.moved && GetWindowRect(window, &now)) {
      const RECT area = work_area_under_cursor();
      at = {area.left + (area.right - area.left - (now.right - now.left)) / 2,
            area.top + (area.bottom - area.top - (now.bottom - now.top)) / 2};
    }
    // Above every other window, since a task dialog cannot be system-modal: the program that
    // asks has no window of its own that the user is looking at.
    SetWindowPos(window, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(window);
  } else if ((notification == TDN_TIMER || notification == TDN_BUTTON_CLICKED) &&
             GetWindowRect(window, &now)) {
    // Where it is now, and at any answer before the window goes.
    place.moved = true;
    place.at = {now.left, now.top};
  }
  return S_OK;
}

// The system's task dialog. Only a dialog that was really shown answers: one that could not be
// (no desktop) gives 0, whatever the call returned.
int show_task_dialog(const TaskDialogText& dialog) {
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (const TaskDialogText::Button& b : dialog.buttons)
    buttons.push_back({b.id, b.label.c_str()});
  // One place for the dialogs of the whole run.
  static DialogPlace place;
  place.shown = false;
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  // Esc and the close button allowed (they answer no); the timer tells where the user moves it.
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_CALLBACK_TIMER;
  config.pszWindowTitle = dialog.caption.c_str();
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszMainInstruction = dialog.main.c_str();
  config.pszContent = dialog.content.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = dialog.default_button;
  config.pfCallback = on_task_dialog;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&place);
  int button = 0;
  if (FAILED(TaskDialogIndirect(&config, &button, nullptr, nullptr)) || !place.shown) return 0;
  for (const TaskDialogText::Button& b : dialog.buttons) {
    if (b.id == button) return button;
  }
  return IDCANCEL;
}

// The console program's question: shown on the console and answered there, when the standard
// input is the console; a script's input (a file, a pipe) is never read for an answer, and a
// hidden console that no one looks at is never waited on.
bool ask_on_console(const std::string& prompt, std::string& answer) {
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) return false;
  const auto open = [](const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
  };
  const HANDLE in = open(L"CONIN$");
  const HANDLE out = open(L"CONOUT$");
  const bool asked =
      in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode);
  if (asked) {
    write_text(out, prompt);
    // A line as typed, echoed, ended by Enter; Ctrl+C ends the program as ever.
    SetConsoleMode(in, mode | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
    std::wstring typed;
    wchar_t block[256];
    DWORD read = 0;
    while (typed.find(L'\n') == std::wstring::npos &&
           ReadConsoleW(in, block, static_cast<DWORD>(std::size(block)), &read, nullptr) &&
           read > 0) {
      typed.append(block, read);
    }
    SetConsoleMode(in, mode);
    answer = narrow(typed.substr(0, typed.find_first_of(L"\r\n")));
  }
  if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  return asked;
}

// Waits until a key is pressed on the console `in` (nothing when it is none).
void wait_for_key(HANDLE in) {
  DWORD mode = 0;
  if (!GetConsoleMode(in, &mode)) return;
  INPUT_RECORD record;
  DWORD read = 0;
  while (ReadConsoleInputW(in, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) break;
  }
}

}  // namespace

WindowsConsole::WindowsConsole(HANDLE out, HANDLE err, UserSide user)
    : out_(out), err_(err), user_(std::move(user)) {}

Answer WindowsConsole::ask_overwrite(const std::string& output) {
  if (!user_.windowed) {
    std::string typed;
    if (!user_.ask_line(overwrite_prompt(output), typed)) return Answer::CannotAsk;
    told_ = true;
    return typed_answer(typed);
  }
  TaskDialogText dialog;
  dialog.caption = kCaption;
  dialog.main = widen(kOverwriteQuestion());
  dialog.content = widen(file_and_folder(output));
  dialog.buttons = {{IDYES, widen(tr("&Yes")())},
                    {kYesToAll, widen(tr("Yes to &all")())},
                    {IDNO, widen(tr("&No")())},
                    {kNoToAll, widen(tr("N&o to all")())}};
  dialog.default_button = IDYES;
  switch (user_.task_dialog(dialog)) {
    case IDYES:
      return Answer::Yes;
    case kYesToAll:
      return Answer::YesToAll;
    case IDNO:
    case IDCANCEL:  // closed, or left with Esc: no for this file
      return Answer::No;
    case kNoToAll:
      return Answer::NoToAll;
    default:  // the dialog was not shown: no one answered
      return Answer::CannotAsk;
  }
}

void WindowsConsole::cannot_create(const std::string& output, const Problem& why) {
  // Told once, with the other failures, at the end of the run.
  error(output + ": " + kCannotCreate() + ": " + why);
}

void WindowsConsole::error(std::string_view line) {
  told_ = true;
  write_line(err_, program_line(line));
}

void WindowsConsole::diagnostic(std::string_view line) {
  write_line(err_, line);
}

void WindowsConsole::info(std::string_view line) {
  write_line(out_, line);
}

void WindowsConsole::usage_hint(std::string_view text) {
  // Started with nothing to do and no error stream to tell it on (a double-click on the
  // windowed program): a box says how it is used.
  if (user_.windowed && !usable(err_)) {
    user_.message_box(widen(kHowToUseInABox()), kCaption,
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return;
  }
  diagnostic(text);
}

void WindowsConsole::summary(const RunSummary& run) {
  // Files dropped on the program: the results window has the summary.
  if (user_.windowed && !usable(err_)) return;
  DWORD mode = 0;
  if (run.silent() || GetConsoleMode(err_, &mode)) diagnostic(run.line());
}

void WindowsConsole::finished(const RunResults& results) {
  if (!results.failures.empty() || !results.warnings.empty()) told_ = true;
  // Whoever has an error stream has read every line there already.
  if (!user_.windowed || usable(err_) || !results.worth_telling()) return;
  if (results.failures.empty() && results.warnings.empty()) {
    // Only the heading to tell: no file given was a source.
    user_.message_box(widen(results.heading), kCaption,
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return;
  }
  user_.results_window(results);
}

bool console_program() {
  // The headers of the program's own image, which the system keeps mapped at its base.
  const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, base, sizeof dos);
  IMAGE_NT_HEADERS headers;
  std::memcpy(&headers, base + dos.e_lfanew, sizeof headers);
  return headers.OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

std::string file_and_folder(const std::string& path) {
  std::wstring full = long_path(path);
  if (const DWORD size = GetFullPathNameW(full.c_str(), 0, nullptr, nullptr); size > 0) {
    std::wstring buffer(size, L'\0');
    const DWORD n = GetFullPathNameW(full.c_str(), size, buffer.data(), nullptr);
    if (n > 0 && n < size) full = plain(buffer.substr(0, n));
  }
  const std::size_t cut = full.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return narrow(full);
  std::wstring folder = full.substr(0, cut);
  if (folder.ends_with(L':')) folder += L'\\';  // the root of a drive
  // TRANSLATORS: {1} is the folder of the file named on the line before.
  return narrow(full.substr(cut + 1)) + "\n" + tr("in {1}")(narrow(folder));
}

Console& system_console() {
  return system_windows_console();
}

WindowsConsole& system_windows_console() {
  static WindowsConsole console(
      GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE),
      UserSide{.windowed = !console_program(),
               .message_box =
                   [](const std::wstring& text, const std::wstring& caption, UINT type) {
                     // The program has no window: the box belongs to the window with the
                     // keyboard focus.
                     return MessageBoxW(GetFocus(), text.c_str(), caption.c_str(), type);
                   },
               .task_dialog = show_task_dialog,
               .ask_line = ask_on_console,
               .results_window = show_results_window});
  return console;
}

bool greet_when_started_alone(std::size_t argument_count) {
  if (argument_count > 1) return false;
  DWORD processes[2];
  if (GetConsoleProcessList(processes, 2) != 1) return false;
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(out, &mode)) return false;  // output redirected: not a window to read
  write_line(out, kHowToUse() + "\n\n" + kPressAKey());
  wait_for_key(GetStdHandle(STD_INPUT_HANDLE));
  return true;
}

bool waits_before_closing(bool windowed, DWORD console_processes, bool input_is_console,
                          bool told) {
  return !windowed && console_processes == 1 && input_is_console && told;
}

void keep_console_to_be_read() {
  DWORD processes[2];
  DWORD mode = 0;
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (!waits_before_closing(!console_program(), GetConsoleProcessList(processes, 2),
                            GetConsoleMode(in, &mode) != 0, system_windows_console().told())) {
    return;
  }
  // On the console itself, even where the output streams go elsewhere.
  const HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
  write_line(out, "\n" + kReadAndPressAKey());
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  // Keys typed before (the answer to a question) do not count.
  FlushConsoleInputBuffer(in);
  wait_for_key(in);
}

}  // namespace kelv
