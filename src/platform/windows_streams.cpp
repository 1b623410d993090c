// The standard streams as raw bytes on Windows: the handles themselves, so that no C runtime
// turns line feeds into CR LF or stops at a Ctrl-Z.
#include <cstdint>

#include "platform/streams.h"
#include "platform/win32.h"

namespace kelv {

StandardStreams::StandardStreams() = default;

std::size_t StandardStreams::read(char* buffer, std::size_t size) {
  DWORD got = 0;
  const DWORD want = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, want, &got, nullptr)) return 0;
  return got;
}

bool StandardStreams::ready(int milliseconds) {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (GetFileType(in) != FILE_TYPE_PIPE) return true;  // a file: always something to read
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  for (;;) {
    DWORD waiting = 0;
    // A pipe whose writer has gone fails here: the read that follows tells the end.
    if (!PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr) || waiting > 0) return true;
    if (GetTickCount64() >= until) return false;
    Sleep(10);
  }
}

bool StandardStreams::write(std::string_view bytes) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  while (!bytes.empty()) {
    DWORD put = 0;
    const DWORD want = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    if (!WriteFile(out, bytes.data(), want, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

}  // namespace kelv
