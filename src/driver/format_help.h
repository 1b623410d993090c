// What the program tells of the source formats instead of converting: --explain (a kind's format,
// or the list of kinds) and --names (a names.txt to start from), with the author's names of a
// game folder's names.txt, which the run reads as well.
#pragma once

#include <string_view>

#include "driver/options.h"
#include "inspect/names.h"
#include "platform/platform.h"

namespace kelv {

// The author's names of the names file in `folder` (empty: the current folder); none where
// there is none.
Names names_in(std::string_view folder);

// --explain: each kind named, by its name or a file of it; a folder given before the kinds
// lends them the author's names of its names file, and so does a file's folder.
int explain_kinds(const Options& options, FileSystem& files, Console& console);

// --names: a names file's sections for the kinds named, or for every kind.
int names_templates(const Options& options, Console& console);

}  // namespace kelv
