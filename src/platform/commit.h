// Puts a new output in place without ever leaving it half-written: the bytes go to a temporary
// file beside it, which replaces the output only when every write and the close succeeded.
// On any failure the old output stays as it was and the temporary file is removed.
//
// An output that is a symbolic link is written through: its target gets the new content and the
// link stays, as with `cp`. A link that leads nowhere is refused, as `cp` refuses it: where
// its target should be created is not the user's plain intent.
#pragma once

#include <span>
#include <string>

#include "platform/platform.h"

namespace kelv {

// The file whose content `output` stands for: `output` itself, or the target a symbolic link
// there leads to. Empty, with `problem` set, when that target does not exist.
std::string commit_target(FileSystem& files, const std::string& output, Problem& problem);

// Empty when `bytes` are now the content of `output`, else the reason they are not.
Problem commit(FileSystem& files, const std::string& output, std::span<const unsigned char> bytes);

}  // namespace kelv
