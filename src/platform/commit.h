// Puts a new output in place without ever leaving it half-written: the bytes go to a temporary
// file beside it, which replaces the output only when every write and the close succeeded.
// On any failure the old output stays as it was and the temporary file is removed.
#pragma once

#include <span>
#include <string>

#include "platform/platform.h"

namespace kelv {

// Empty when `bytes` are now the content of `output`, else the reason they are not.
Problem commit(FileSystem& files, const std::string& output, std::span<const unsigned char> bytes);

}  // namespace kelv
