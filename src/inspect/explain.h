// A source format as an author needs it, made from the converter's own section tables: its
// sections in the order the reader tests them, what their lines are, and what carries over.
#pragma once

#include <string>

#include "convert/catalog.h"
#include "inspect/names.h"

namespace kelv {

// The source format of `kind`; with `names`, the author's names for its values beside the
// format's.
std::string explain(const Kind& kind, const Names* names = nullptr);

// Every kind of source, one per line, with what it holds.
std::string kinds();

}  // namespace kelv
