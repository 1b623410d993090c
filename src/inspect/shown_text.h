// Shift-JIS texts from data files and sources, shown as UTF-8. The decoding is the system's
// (see platform.h); a byte that does not decode is shown for what it is.
#pragma once

#include <string>
#include <string_view>

namespace kelv {

// The text in double quotes, for a reader: '"', '\\' and control bytes escaped ("\n", "\t",
// "\xNN"), bytes that do not decode as "\xNN". With `breaks`, a line feed is shown as '#', the
// way authors write a line break, and a '#' of the text as "\#".
std::string quoted(std::string_view sjis, bool breaks = false);

// The text as valid UTF-8, for JSON: bytes that do not decode become U+FFFD and clear `exact`.
std::string plain(std::string_view sjis, bool& exact);

// The bytes as hexadecimal pairs.
std::string hex(std::string_view bytes);

}  // namespace kelv
