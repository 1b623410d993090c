// What the server answers about one document: its findings, hover, completion, outline, folding
// and value names, as the protocol's JSON. Each is made from one reading of the document by the
// real reader (lsp/reading.h) and the kind's own vocabulary: no list of tags or values of its
// own.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/document.h"
#include "lsp/reading.h"

namespace kelv::lsp {

using Json = nlohmann::json;

// A document as the features see it.
struct Context {
  const Document& document;
  const Subject& subject;
  const Names* names;  // the author's names for the values of its folder, if any
  const Reading& reading;
};

Json to_json(const Position& position);
Json to_json(const Range& range);
// A position the editor sent; throws nlohmann::json::exception when it is not one.
Position position_from(const Json& json);
Range range_from(const Json& json);

// The whole of the reader's lines `first` to `last`, in the editor's positions.
Range lines(const Document& document, std::uint32_t first, std::uint32_t last);
// The piece of a reader line that `use` took, in Shift-JIS (its text as the walk read it).
std::string_view piece_of(const Context& context, const Taken& use);

// The findings of --check, those of the checks across files (`across`, about this document),
// and the characters Shift-JIS cannot hold, as diagnostics. `uri` is the document's; a finding
// that names a line of another file names it by its path.
Json diagnostics(const Context& context, const std::vector<Finding>& across, const std::string& uri);
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
