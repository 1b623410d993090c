// The file URIs an editor names documents by ("file:///home/a/scene1.txt",
// "file:///c%3A/game/scene1.txt") and the paths the program opens.
#pragma once

#include <string>
#include <string_view>

namespace kelv::lsp {

// The path a file URI names (UTF-8, '/' between folders; "c:/game/..." for a Windows drive);
// empty for a URI of another scheme or one that is not well formed.
std::string path_of(std::string_view uri);
// The file URI of an absolute `path` (either separator on Windows).
std::string uri_of(std::string_view path);
// The part of a path or URI after its last '/'.
std::string_view last_part(std::string_view path);

}  // namespace kelv::lsp
