// The inspector and the decompiler: what a data file holds, shown by the layout that wrote it,
// and the source that converts back to it, printed by the line formats that read it.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/catalog.h"
#include "format/data_reader.h"
#include "inspect/names.h"

namespace kelv {

// Shows the data file `bytes`, named `name`, as lines of text handed to `line`: the field count,
// then every field with its offset and size and its content decoded by its `kind`
// (shown as bytes without a kind). Returns what is wrong with the file.
std::vector<DataProblem> dump_text(const Kind* kind, std::string_view name,
                                   std::span<const unsigned char> bytes,
                                   const std::function<void(std::string_view)>& line,
                                   const Names* names = nullptr);

// The same as one JSON document on one line.
std::string dump_json(const Kind* kind, std::string_view name, std::span<const unsigned char> bytes,
                      std::vector<DataProblem>& problems, const Names* names = nullptr);

struct Decompiled {
  std::string source;
  // Where the file holds what no source can give, or cannot be read.
  std::vector<DataProblem> problems;
};

// The source that converts back to the data file `bytes` of `kind`, as close as it can be.
Decompiled decompile(const Kind& kind, std::string_view name, std::span<const unsigned char> bytes);

}  // namespace kelv
