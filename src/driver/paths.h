// Paths as the driver takes them apart: the base name that selects a kind, and the output that
// goes beside its source.
#pragma once

#include <string>
#include <string_view>

namespace kelv {

// The part of `path` after its last folder separator ('/' here; '\\' and '/' on Windows).
std::string_view base_name(std::string_view path);
// The output beside a source: the path with its extension replaced by "dat".
std::string output_path(std::string_view path);
// The source beside a data file: the path with its extension replaced by "txt".
std::string source_path(std::string_view path);

}  // namespace kelv
