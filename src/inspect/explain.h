// A source format as an author needs it, made from the converter's own section tables: its
// sections in the order the reader tests them, what their lines are, and what carries over.
#pragma once

#include <string>

#include "driver/routes.h"

namespace kelv {

// The source format of the kind `route` converts.
std::string explain(const Route& route);

// Every kind of source, one per line, with what it holds.
std::string kinds();

// The route of a kind as an author names it: a source name ("item_list.txt"), a kind
// ("item_list", "scene", "map_anim"); nullptr for none.
const Route* find_kind(std::string_view name);

}  // namespace kelv
