// What the server answers about one document: its findings, hover, completion, outline, folding
// and value names, as the protocol's JSON. Each is made from the reader's view of the document
// (lsp/reading.h) and the kind's own vocabulary: no list of tags or values of its own.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/document.h"
#include "lsp/reading.h"

namespace kelv::lsp {

using Json = nlohmann::json;

// A document as the features see it.
struct Context {
  const Document& document;
  const Subject& subject;
  const Names* names;  // the author's names for the values of its folder, if any
};

Json to_json(const Position& position);
Json to_json(const Range& range);
// A position the editor sent; throws nlohmann::json::exception when it is not one.
Position position_from(const Json& json);
Range range_from(const Json& json);

// The findings of --check and the characters Shift-JIS cannot hold, as diagnostics.
Json diagnostics(const Context& context);
// What the line or value at `at` is; null where there is nothing to say.
Json hover(const Context& context, const Position& at);
// The tags that are tags at `at`: the open section's closing tag first.
Json completion(const Context& context, const Position& at);
// The sections as an outline, with their lines counted.
Json symbols(const Context& context);
Json folding(const Context& context);
// The values' names before the values of the data lines in `range` that hold more than
// kHintedValues values.
Json inlay_hints(const Context& context, const Range& range);

inline constexpr std::size_t kHintedValues = 3;

}  // namespace kelv::lsp
