// The Windows machine: every path goes to the system as UTF-16 through the wide calls (so names
// in any script, and of any length, work whatever the code page), and an output is put in place
// by writing a hidden temporary file beside it and moving that over it in one step. The user's
// side is in windows_console.cpp.
#include "platform/win32.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <winioctl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kelv {
namespace {

constexpr Text kIsAFolder = tr("Is a folder");

bool has(DWORD attributes, DWORD flag) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & flag) != 0;
}

// A read or write at byte `at` of a file opened for plain (not overlapped) calls.
OVERLAPPED at_offset(std::uint64_t at) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(at);
  where.OffsetHigh = static_cast<DWORD>(at >> 32);
  return where;
}

// Where the folder part of `path` ends: after its last '\', '/' or drive colon.
std::size_t name_start(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/:");
  return cut == std::string_view::npos ? 0 : cut + 1;
}

// Where the symbolic link at `link` leads, read from the link itself (its target may be gone);
// empty when it is no symbolic link or cannot be read.
std::wstring link_target(const std::wstring& link) {
  HANDLE h = CreateFileW(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  // The head of a symbolic link's reparse data, followed by its names.
  struct SymbolicLink {
    ULONG tag;
    USHORT data_length;
    USHORT reserved;
    USHORT substitute_offset, substitute_length, print_offset, print_length;
    ULONG flags;
  };
  constexpr ULONG kRelative = 1;
  std::vector<unsigned char> data(16 * 1024);
  DWORD size = 0;
  const BOOL read = DeviceIoControl(h, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                    static_cast<DWORD>(data.size()), &size, nullptr);
  CloseHandle(h);
  SymbolicLink head{};
  if (!read || size < sizeof head) return {};
  std::memcpy(&head, data.data(), sizeof head);
  if (head.tag != IO_REPARSE_TAG_SYMLINK ||
      sizeof head + head.print_offset + head.print_length > size) {
    return {};
  }
  std::wstring target(head.print_length / sizeof(wchar_t), L'\0');
  std::memcpy(target.data(), data.data() + sizeof head + head.print_offset, head.print_length);
  if ((head.flags & kRelative) == 0) return target;
  const std::size_t cut = link.find_last_of(L"\\/");
  return cut == std::wstring::npos ? target : link.substr(0, cut + 1) + target;
}

class WindowsFiles final : public FileSystem {
 public:
  bool exists(const std::string& path) override {
    return GetFileAttributesW(long_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string resolve(const std::string& path) override {
    const std::wstring w = long_path(path);
    if (!has(GetFileAttributesW(w.c_str()), FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    // A link, or another kind of reparse point: the file it leads to, as the system finds it.
    HANDLE h = CreateFileW(w.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      // A link that leads nowhere: its target, which the caller finds missing.
      const std::wstring target = link_target(w);
      return target.empty() ? path : narrow(plain(target));
    }
    std::wstring final(32 * 1024, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(h);
    if (n == 0 || n >= final.size()) return path;
    final.resize(n);
    return narrow(plain(final));
  }

  Problem create_temp(const std::string& target, std::string& temp_path, Handle& handle) override {
    // Refuse what writing the file in place would refuse: a folder, a read-only file.
    const DWORD attributes = GetFileAttributesW(long_path(target).c_str());
    if (has(attributes, FILE_ATTRIBUTE_DIRECTORY)) return Problem(kIsAFolder());
    if (has(attributes, FILE_ATTRIBUTE_READONLY)) return reason(ERROR_ACCESS_DENIED);

    const std::size_t cut = name_start(target);
    const std::string prefix = target.substr(0, cut) + "." + target.substr(cut) + ".";
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      const std::string name = prefix + random_letters();
      HANDLE h = CreateFileW(long_path(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        temp_path = name;
        handle = reinterpret_cast<Handle>(h);
        return {};
      }
      const DWORD e = GetLastError();
      if (e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) return reason(e);
    }
    return reason(ERROR_FILE_EXISTS);
  }

  std::string name_key(const std::string& path) override {
    // Names ignore case on Windows: folded as the file systems fold them, to upper case.
    std::wstring name = widen(std::string_view(path).substr(name_start(path)));
    if (!name.empty()) {
      CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    }
    return narrow(name);
  }

  Problem write(Handle handle, std::uint64_t at, std::span<const Piece> pieces) override {
    // No gather write here that takes any memory (WriteFileGather wants whole pages, unbuffered).
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    for (const Piece& piece : pieces) {
      const unsigned char* data = piece.data();
      std::size_t size = piece.size();
      while (size > 0) {
        const DWORD chunk = size < (1u << 20) ? static_cast<DWORD>(size) : (1u << 20);
        OVERLAPPED where = at_offset(at);
        DWORD done = 0;
        if (!WriteFile(h, data, chunk, &done, &where)) return reason(GetLastError());
        data += done;
        size -= done;
        at += done;
      }
    }
    return {};
  }

  Problem read(Handle handle, std::uint64_t at, std::span<unsigned char> bytes) override {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    for (std::size_t got = 0; got < bytes.size();) {
      const std::size_t left = bytes.size() - got;
      const DWORD chunk = left < (1u << 20) ? static_cast<DWORD>(left) : (1u << 20);
      OVERLAPPED where = at_offset(at + got);
      DWORD done = 0;
      if (!ReadFile(h, bytes.data() + got, chunk, &done, &where)) return reason(GetLastError());
      if (done == 0) return reason(ERROR_HANDLE_EOF);  // past the end: nothing was written there
      got += done;
    }
    return {};
  }

  Problem resize(Handle handle, std::uint64_t size) override {
    HANDLE h = reinterpret_cast<HANDLE>(handle);
    // The room on the disk first, where the file system takes it ahead, then the end of the file.
    // The bytes it grows by read as zero until they are written.
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(h, FileAllocationInfo, &room, sizeof room)) {
      const DWORD e = GetLastError();
      if (e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL) return reason(e);
    }
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(h, FileEndOfFileInfo, &end, sizeof end)) {
      return reason(GetLastError());
    }
    return {};
  }

  Problem close(Handle handle) override {
    if (!CloseHandle(reinterpret_cast<HANDLE>(handle))) return reason(GetLastError());
    return {};
  }

  void flush(std::span<const std::string> paths, std::span<Problem> problems) override {
    // Each file on its own: flushing a whole volume takes an administrator.
    for (std::size_t i = 0; i < paths.size(); ++i) {
      HANDLE h = CreateFileW(long_path(paths[i]).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE || !FlushFileBuffers(h)) problems[i] = reason(GetLastError());
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  }

  void flush_folders(std::span<const std::string>, std::span<Problem>) override {
    // Nothing left to do: rename() moves with MOVEFILE_WRITE_THROUGH, which returns only when
    // the move is on the disk.
  }

  Problem rename(const std::string& from, const std::string& to) override {
    const std::wstring source = long_path(from);
    const std::wstring target = long_path(to);
    // The new file takes the attributes the old one had (hidden, system, ...); a new output is
    // a plain file, not hidden as its temporary file was.
    const DWORD old = GetFileAttributesW(target.c_str());
    DWORD keep = old == INVALID_FILE_ATTRIBUTES
                     ? 0
                     : old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (!SetFileAttributesW(source.c_str(), keep != 0 ? keep : FILE_ATTRIBUTE_NORMAL) ||
        !MoveFileExW(source.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return reason(GetLastError());
    }
    return {};
  }

  void remove(const std::string& path) override { DeleteFileW(long_path(path).c_str()); }

  bool is_folder(const std::string& path) override {
    return has(GetFileAttributesW(long_path(path).c_str()), FILE_ATTRIBUTE_DIRECTORY);
  }

  Problem list(const std::string& folder, std::vector<Entry>& entries) override {
    const bool separated =
        !folder.empty() && std::string_view("\\/:").find(folder.back()) != std::string_view::npos;
    return search(folder + (separated ? "*" : "\\*"), entries);
  }

  Problem find(const std::string& pattern, std::vector<Entry>& matches) override {
    return search(pattern, matches);
  }

  bool modified(const std::string& path, std::int64_t& when) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(long_path(path).c_str(), GetFileExInfoStandard, &data)) return false;
    when = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime);
    return true;
  }

  std::string current_folder() override {
    std::wstring path(GetCurrentDirectoryW(0, nullptr), L'\0');
    const DWORD n = path.empty() ? 0 : GetCurrentDirectoryW(static_cast<DWORD>(path.size()),
                                                             path.data());
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return narrow(path);
  }

 private:
  // Six letters or digits, different at each call and in each process.
  std::string random_letters() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (state_ == 0) {
      LARGE_INTEGER now{};
      QueryPerformanceCounter(&now);
      state_ = static_cast<std::uint64_t>(now.QuadPart) ^
               (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^ 0x9E3779B97F4A7C15u;
    }
    std::string s;
    for (int i = 0; i < 6; ++i) {
      state_ ^= state_ << 13;  // xorshift64
      state_ ^= state_ >> 7;
      state_ ^= state_ << 17;
      s += kLetters[state_ % (sizeof kLetters - 1)];
    }
    return s;
  }

  // The entries the system's file search finds for `pattern` (a folder's "\\*", or a wildcard),
  // without "." and ".." (which a drive's root lacks: finding nothing is no problem).
  static Problem search(const std::string& pattern, std::vector<Entry>& entries) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileExW(long_path(pattern).c_str(), FindExInfoBasic, &found,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD e = GetLastError();
      return e == ERROR_FILE_NOT_FOUND ? Problem() : reason(e);
    }
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      entries.push_back({narrow(name), has(found.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY)});
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return {};
  }

  std::uint64_t state_ = 0;
};

}  // namespace

// A path from the system without its \\?\ prefix, when it reads as well without.
std::wstring plain(std::wstring path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
  if (path.starts_with(L"\\\\?\\") && path.size() > 6 && path[5] == L':') return path.substr(4);
  return path;
}

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, w.data(), n);
  return w;
}

std::string narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int size = static_cast<int>(utf16.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, s.data(), n, nullptr, nullptr);
  return s;
}

Problem reason(DWORD error) {
  // In the language the program speaks, where the system has it; else in the user's.
  const DWORD wanted = language() == Language::Japanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                                                        : MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
  wchar_t* text = nullptr;
  DWORD n = 0;
  for (const DWORD language_id : {wanted, DWORD{0}}) {
    n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, language_id, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (n > 0) break;
  }
  std::wstring s = n > 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r' || s.back() == L' ' ||
                        s.back() == L'.' || s.back() == L'\x3002')) {
    s.pop_back();
  }
  return s.empty() ? tr("error {1}")(error) : narrow(s);
}

std::wstring long_path(const std::string& path) {
  std::wstring w = widen(path);
  // Below this length every call takes a path as it is (creating a folder has the lowest limit).
  if (w.size() < MAX_PATH - 12 || w.starts_with(L"\\\\?\\") || w.starts_with(L"\\\\.\\")) {
    return w;
  }
  const DWORD size = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (size == 0) return w;
  std::wstring full(size, L'\0');
  const DWORD n = GetFullPathNameW(w.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return w;
  full.resize(n);
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool sjis_to_utf8(std::string_view sjis, std::string& utf8) {
  if (sjis.empty()) return true;
  const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis.data(),
                                    static_cast<int>(sjis.size()), nullptr, 0);
  if (n <= 0) return false;
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis.data(), static_cast<int>(sjis.size()),
                      w.data(), n);
  utf8 += narrow(w);
  return true;
}

bool utf8_to_sjis(std::string_view utf8, std::string& sjis) {
  if (utf8.empty()) return true;
  const std::wstring w = widen(utf8);
  BOOL lost = FALSE;
  const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()),
                                    nullptr, 0, nullptr, &lost);
  if (n <= 0 || lost) return false;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w.data(), static_cast<int>(w.size()), out.data(),
                      n, nullptr, nullptr);
  sjis += out;
  return true;
}

FileSystem& system_files() {
  static WindowsFiles files;
  return files;
}

std::string user_language() {
  if (std::string language = language_from_environment(); !language.empty()) return language;
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? "ja" : "en";
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> args;
  for (int i = 0; i < n; ++i)
    args.push_back(narrow(wide[i]));
  LocalFree(wide);
  return args;
}

std::FILE* open_for_reading(const std::string& path, Problem& problem) {
  const std::wstring w = long_path(path);
  HANDLE h =
      CreateFileW(w.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    problem = has(GetFileAttributesW(w.c_str()), FILE_ATTRIBUTE_DIRECTORY) ? Problem(kIsAFolder())
                                                                           : reason(e);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd == -1) {
    CloseHandle(h);
    problem = reason(ERROR_TOO_MANY_OPEN_FILES);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) {
    _close(fd);
    problem = reason(ERROR_TOO_MANY_OPEN_FILES);
  }
  return file;
}

}  // namespace kelv
