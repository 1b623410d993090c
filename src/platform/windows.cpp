// The Windows machine: files through the Win32 calls, the overwrite question and the
// create-failure message as message boxes. The texts are shown through the wide-character
// message box so that the Japanese reads right whatever the system's code page.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace kelv {
namespace {

Problem reason(DWORD error) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s =
      n > 0 && text != nullptr ? std::string(text, n) : "error " + std::to_string(error);
  if (text != nullptr) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == '.'))
    s.pop_back();
  return s;
}

std::wstring widen(std::string_view s, UINT code_page) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

class WindowsFiles final : public FileSystem {
 public:
  bool exists(const std::string& path) override {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string resolve(const std::string& path) override { return path; }

  Problem create_temp(const std::string& target, std::string& temp_path, Handle& handle) override {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      std::string name = target + "." + std::to_string(GetCurrentProcessId()) + "." +
                         std::to_string(GetTickCount() + attempt) + ".tmp";
      HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        temp_path = name;
        handle = reinterpret_cast<Handle>(h);
        return {};
      }
      if (GetLastError() != ERROR_FILE_EXISTS) return reason(GetLastError());
    }
    return reason(ERROR_FILE_EXISTS);
  }

  Problem write(Handle handle, const unsigned char* data, std::size_t size) override {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    while (size > 0) {
      const DWORD chunk = size < (1u << 20) ? static_cast<DWORD>(size) : (1u << 20);
      DWORD done = 0;
      if (!WriteFile(h, data, chunk, &done, nullptr)) return reason(GetLastError());
      data += done;
      size -= done;
    }
    return {};
  }

  Problem close(Handle handle) override {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    Problem p;
    if (!FlushFileBuffers(h)) p = reason(GetLastError());
    if (!CloseHandle(h) && p.empty()) p = reason(GetLastError());
    return p;
  }

  Problem rename(const std::string& from, const std::string& to) override {
    if (!MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return reason(GetLastError());
    }
    return {};
  }

  void remove(const std::string& path) override { DeleteFileA(path.c_str()); }
};

class MessageBoxConsole final : public Console {
 public:
  Answer ask_overwrite(const std::string& output) override {
    const std::wstring text = widen(kOverwriteQuestion, CP_UTF8);
    const std::wstring caption = widen(output, CP_ACP);
    const int answer =
        MessageBoxW(GetFocus(), text.c_str(), caption.c_str(), MB_YESNO | MB_SYSTEMMODAL);
    return answer == IDYES ? Answer::Yes : Answer::No;
  }

  void cannot_create(const std::string& output, const Problem& why) override {
    const std::wstring text =
        widen(kCannotCreate, CP_UTF8) + L"\n" + widen(output, CP_ACP) + L"\n" + widen(why, CP_ACP);
    MessageBoxW(GetFocus(), text.c_str(), L"Kelvardin", MB_OK | MB_ICONSTOP);
  }

  void error(std::string_view line) override {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                 static_cast<int>(line.size()), line.data());
  }

  void info(std::string_view line) override {
    std::fprintf(stdout, "%.*s\n", static_cast<int>(line.size()), line.data());
  }
};

}  // namespace

bool sjis_to_utf8(std::string_view sjis, std::string& utf8) {
  if (sjis.empty()) return true;
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis.data(),
                                    static_cast<int>(sjis.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis.data(), static_cast<int>(sjis.size()),
                      w.data(), n);
  const int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(m), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), n, out.data(), m, nullptr, nullptr);
  utf8 += out;
  return true;
}

FileSystem& system_files() {
  static WindowsFiles files;
  return files;
}

Console& system_console() {
  static MessageBoxConsole console;
  return console;
}

}  // namespace kelv
