// A source format as an author needs it, made from the converter's own section tables: its
// sections in the order the reader tests them, what their lines are, and what carries over.
#pragma once

#include <cstddef>
#include <string>

#include "convert/catalog.h"
#include "inspect/names.h"

namespace kelv {

// The widest line that fits a terminal of 80 columns, and the widest --explain uses on a wider
// one.
inline constexpr std::size_t kNarrowest = 79;
inline constexpr std::size_t kWidest = 100;

// The source format of `kind` in lines of at most `width` columns; with `names`, the author's
// names for its values beside the format's.
std::string explain(const Kind& kind, const Names* names = nullptr, std::size_t width = kNarrowest);

// Every kind of source, one to a line (or more where it does not fit `width`), with what it
// holds.
std::string kinds(std::size_t width = kNarrowest);

}  // namespace kelv
