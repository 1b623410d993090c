// The results window of the windowed program: what a run of files dropped on it had to tell,
// its heading over a list of the entries (a read-only text the user can select from, scrolled
// and resized as any window), with buttons to copy the entries and to close it. Its own window
// with the program's icon, so that the taskbar shows it as kelvconv's. What it shows is made by
// RunResults; this is only the window around it.
#include <algorithm>
#include <string>

#include "platform/windows_console.h"

namespace kelv {
namespace {

constexpr int kCopy = 100;
constexpr wchar_t kClass[] = L"kelvconv results";

// The window's parts, kept with it (GWLP_USERDATA).
struct Parts {
  const RunResults* results = nullptr;
  HWND heading = nullptr, list = nullptr, copy = nullptr, close = nullptr;
  HFONT font = nullptr, bold = nullptr;
  int unit = 8;  // a margin, in pixels at the screen's scale
};

// `text` with Windows' line ends, as the edit control and the clipboard take them.
std::wstring crlf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return widen(out);
}

// Puts `text` on the clipboard; false when it is taken by another program.
bool copy_text(HWND window, const std::wstring& text) {
  if (!OpenClipboard(window)) return false;
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool done = false;
  if (memory != nullptr) {
    if (void* at = GlobalLock(memory)) {
      std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(at));
      GlobalUnlock(memory);
      done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!done) GlobalFree(memory);  // the clipboard owns it only once it took it
  }
  CloseClipboard();
  return done;
}

// The height of `text` in `font`, wrapped to `width` pixels.
int text_height(HWND window, HFONT font, const std::wstring& text, int width) {
  HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return r.bottom;
}

void lay_out(HWND window, const Parts& p) {
  RECT client;
  GetClientRect(window, &client);
  const int u = p.unit;
  const int width = std::max<int>(client.right - 2 * u, u);
  const int heading = text_height(window, p.bold, crlf(p.results->heading), width);
  const int button_w = 12 * u, button_h = 3 * u + u / 2;
  const int buttons_top = client.bottom - u - button_h;
  MoveWindow(p.heading, u, u, width, heading, TRUE);
  MoveWindow(p.list, u, 2 * u + heading, width, std::max(buttons_top - u - (2 * u + heading), u),
             TRUE);
  MoveWindow(p.close, client.right - u - button_w, buttons_top, button_w, button_h, TRUE);
  MoveWindow(p.copy, client.right - 2 * (u + button_w), buttons_top, button_w, button_h, TRUE);
}

LRESULT CALLBACK on_message(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* p = reinterpret_cast<Parts*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_SIZE:
      if (p != nullptr) lay_out(window, *p);
      return 0;
    case WM_GETMINMAXINFO:
      if (p != nullptr) {
        auto* size = reinterpret_cast<MINMAXINFO*>(l);
        size->ptMinTrackSize = {40 * p->unit, 25 * p->unit};
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      // The list reads as a document, not as a disabled field.
      if (p != nullptr && reinterpret_cast<HWND>(l) == p->list) {
        SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_WINDOW));
        SetTextColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_COMMAND:
      if (p == nullptr) break;
      if (LOWORD(w) == kCopy) {
        copy_text(window, crlf(p->results->copied()));
        return 0;
      }
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
        DestroyWindow(window);
        return 0;
      }
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, w, l);
}

HWND child(HWND parent, const wchar_t* type, const std::wstring& text, DWORD style, int id,
           HFONT font) {
  HWND h = CreateWindowExW(0, type, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return h;
}

}  // namespace

RECT work_area_under_cursor() {
  POINT cursor{};
  GetCursorPos(&cursor);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return monitor.rcWork;
}

bool show_results_window(const RunResults& results) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  static const bool registered = [instance] {
    WNDCLASSEXW c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = on_message;
    c.hInstance = instance;
    c.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    c.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), 0));
    c.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // the arrow
    c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    c.lpszClassName = kClass;
    return RegisterClassExW(&c) != 0;
  }();
  if (!registered) return false;

  Parts parts;
  parts.results = &results;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  parts.font = CreateFontIndirectW(&metrics.lfMessageFont);
  LOGFONTW bold = metrics.lfMessageFont;
  bold.lfWeight = FW_BOLD;
  bold.lfHeight = bold.lfHeight * 6 / 5;
  parts.bold = CreateFontIndirectW(&bold);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  parts.unit = std::max(8 * dpi / 96, 4);

  // As large as the entries want, within the screen; the list scrolls past that.
  const RECT area = work_area_under_cursor();
  const int area_w = area.right - area.left, area_h = area.bottom - area.top;
  const std::wstring listing = crlf(results.listing());
  const int lines = static_cast<int>(std::count(listing.begin(), listing.end(), L'\n')) + 2;
  const int width = std::min(90 * parts.unit, area_w * 9 / 10);
  const int height =
      std::clamp(lines * 2 * parts.unit + 16 * parts.unit, 30 * parts.unit, area_h * 9 / 10);

  HWND window = CreateWindowExW(WS_EX_APPWINDOW, kClass, L"kelvconv", WS_OVERLAPPEDWINDOW,
                                area.left + (area_w - width) / 2, area.top + (area_h - height) / 2,
                                width, height, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    DeleteObject(parts.font);
    DeleteObject(parts.bold);
    return false;
  }
  parts.heading =
      child(window, L"STATIC", crlf(results.heading), SS_LEFT | SS_NOPREFIX, -1, parts.bold);
  parts.list = child(window, L"EDIT", L"",
                     WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                         ES_AUTOVSCROLL | ES_NOHIDESEL,
                     0, parts.font);
  SendMessageW(parts.list, EM_SETLIMITTEXT, 0, 0);
  SetWindowTextW(parts.list, listing.c_str());
  parts.copy = child(window, L"BUTTON", widen(tr("&Copy")()), WS_TABSTOP | BS_PUSHBUTTON, kCopy,
                     parts.font);
  parts.close = child(window, L"BUTTON", widen(tr("Close")()), WS_TABSTOP | BS_DEFPUSHBUTTON,
                      IDOK, parts.font);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&parts));
  lay_out(window, parts);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  SetFocus(parts.list);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN && IsWindow(window)) {
      // Enter and Esc close the window wherever the focus is (Enter on Copy copies); Ctrl+A
      // selects the whole list.
      const WPARAM key = message.wParam;
      if (key == VK_ESCAPE || (key == VK_RETURN && message.hwnd != parts.copy)) {
        DestroyWindow(window);
        continue;
      }
      if (key == 'A' && GetKeyState(VK_CONTROL) < 0 && message.hwnd == parts.list) {
        SendMessageW(parts.list, EM_SETSEL, 0, -1);
        continue;
      }
    }
    if (!IsWindow(window) || !IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DeleteObject(parts.font);
  DeleteObject(parts.bold);
  return true;
}

}  // namespace kelv
