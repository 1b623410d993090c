// Helpers for the tests that run the driver on real files: a fresh folder per test, file
// contents and listings, a console that records what the user would have been told, and a
// way to run code without root's power over permissions.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include "platform/win32.h"
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "driver/run.h"
#include "format/report.h"
#include "platform/platform.h"
#include "temp_dir.h"

namespace kelv::test {

#ifndef _WIN32
inline unsigned mode_of(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<unsigned>(st.st_mode & 07777) : 0u;
}
#endif

// What the driver told the user, one line each; answers the overwrite question with `answer`.
class RecordingConsole final : public Console {
 public:
  explicit RecordingConsole(Answer answer = Answer::CannotAsk) : answer_(answer) {}

  Answer ask_overwrite(const std::string& output) override {
    questions.push_back(output);
    return answer_;
  }
  void cannot_create(const std::string& output, const Problem& reason) override {
    errors.push_back(output + ": " + kCannotCreate() + ": " + reason);
  }
  void error(std::string_view line) override { errors.emplace_back(line); }
  void info(std::string_view line) override { infos.emplace_back(line); }
  void summary(const RunSummary& run) override { summaries.push_back(run.line()); }

  // All error lines, one per line, for failure messages and substring checks.
  std::string all_errors() const {
    std::string s;
    for (const std::string& e : errors)
      s += e + "\n";
    return s;
  }

  std::vector<std::string> questions;
  std::vector<std::string> errors;
  std::vector<std::string> infos;
  std::vector<std::string> summaries;

 private:
  Answer answer_;
};

// Writes through `files` the first half of the bytes of `pieces`, as a write cut short would.
inline Problem write_half(FileSystem& files, FileSystem::Handle handle, std::uint64_t at,
                          std::span<const FileSystem::Piece> pieces) {
  std::size_t left = 0;
  for (const FileSystem::Piece& p : pieces)
    left += p.size();
  left /= 2;
  std::vector<FileSystem::Piece> half;
  for (const FileSystem::Piece& p : pieces) {
    half.push_back(p.first(std::min(left, p.size())));
    left -= half.back().size();
  }
  return files.write(handle, at, half);
}

// Runs the driver on `args` (the program name is added in front).
inline int run_driver(const std::vector<std::string>& args, FileSystem& files, Console& console) {
  std::vector<const char*> argv{"kelvconv"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  return run(argv, files, console);
}

#ifndef _WIN32
// The effective user may do anything to files (root); permission tests need someone else.
inline bool is_root() {
  return ::geteuid() == 0;
}

// Runs `body` in a child process as a user without root's power over permissions (the user
// "nobody" when the tests run as root), and returns what it returned, or -1 when the child
// died some other way. `body` must not use gtest assertions: it reports through its result.
inline int as_ordinary_user(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (is_root() && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
    ::_exit(body());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif  // POSIX users and permission bits

#ifdef _WIN32
// The path of `program`, one of the programs built beside this test program.
inline std::wstring beside_tests(const std::wstring& program) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L"\\/") + 1) + program;
}

// The command line that starts the program at `path` with `args`, each quoted.
inline std::wstring command_line(const std::wstring& path, const std::vector<std::string>& args) {
  std::wstring line = L"\"" + path + L"\"";
  for (const std::string& a : args)
    line += L" \"" + widen(a) + L"\"";
  return line;
}

// A file standing for a redirected standard stream, made inheritable for a program to start: a
// new one to write, or (`read`) one that is there to read.
struct Redirected {
  explicit Redirected(const std::string& path, bool read = false) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    handle = CreateFileW(widen(path).c_str(), read ? GENERIC_READ : GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         read ? OPEN_EXISTING : CREATE_ALWAYS, 0, nullptr);
  }
  ~Redirected() { CloseHandle(handle); }
  Redirected(const Redirected&) = delete;
  Redirected& operator=(const Redirected&) = delete;
  HANDLE handle;
};
#endif

}  // namespace kelv::test
