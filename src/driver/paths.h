// Paths as the driver takes them apart and puts them together: the base name that selects a
// kind, the output that goes beside its source, a folder's files, and the wildcards that Windows
// shells leave to the programs they start.
#pragma once

#include <string>
#include <string_view>

namespace kelv {

// The part of `path` after its last folder separator ('/' here; '\\', '/' and a drive's colon,
// as in "C:name", on Windows).
std::string_view base_name(std::string_view path);
// The output beside a source: the path with its extension replaced by "dat".
std::string output_path(std::string_view path);
// The source beside a data file: the path with its extension replaced by "txt".
std::string source_path(std::string_view path);

// The file `name` in `folder`, joined with the platform's separator ('\\' on Windows, '/'
// elsewhere), or with none where the folder, as typed, ends with a separator already (or is a
// drive, "C:").
std::string joined(std::string_view folder, std::string_view name);
// Whether `path` is a pattern that the program itself expands: on Windows, whose shells pass
// '*' and '?' on as typed, one that holds them in its last part; never elsewhere, where the
// shells have expanded them before the program starts.
bool is_wildcard(std::string_view path);
// The folder part of `path`, as typed, with its separator: all before its base name.
std::string_view folder_part(std::string_view path);
// One spelling of the folder `folder` (as folder_part gives it) for every way of typing it
// ("game/", "game//", "./game/.", "game/maps/.."): separators single, without "." and without
// a name followed by "..", as the words go, not as symbolic links lead; a relative one taken from
// the folder `current` (where it is known). The files of one game folder typed in two ways are
// checked against each other.
std::string folder_key(std::string_view folder, std::string_view current = {});

// What Windows' Explorer makes of a file's name, and the name it was made from: a ".txt" typed
// while Explorer hides the extension it adds ("talk_list.txt.txt"), or the name of a copy
// ("talk_list (2).txt", "talk_list - コピー.txt", "talk_list - Copy.txt"). A backup's name
// ("talk_list.txt.bak") is none of these.
struct ExplorerName {
  enum class How { None, DoubledExtension, Copy };
  How how = How::None;
  std::string original;  // the name without what Explorer added
};
ExplorerName explorer_name(std::string_view base);

}  // namespace kelv
