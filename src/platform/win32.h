// The Windows side of the platform layer, shared by windows.cpp, windows_console.cpp and the
// Windows tests: text between the program's UTF-8 and the UTF-16 of the system calls, and paths
// the system takes at any length.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

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

// A path from the system without its \\?\ prefix, when it reads as well without.
std::wstring plain(std::wstring path);

}  // namespace kelv
