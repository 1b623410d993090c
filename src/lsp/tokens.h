// Semantic tokens: what each part of a line is to the reader, for the editor's colours. A tag
// is coloured as a tag only where the walk took it as one, so a tag with a blank after it, or
// one read as a data line, is not; the values of a data line are coloured by their kinds where
// the scan read them, and a '#' that stands for a line break in a text by itself.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>
#include <optional>
#include <string_view>

#include "lsp/features.h"

namespace kelv::lsp {

// The token types, in the order the legend gives them to the editor (their numbers).
inline constexpr std::array<std::string_view, 8> kTokenTypes{
    "keyword",    // a tag the walk took as a tag
    "number",     // an integer value
    "real",       // a real value
    "string",     // a word value
    "text",       // a whole-line text value
    "lineBreak",  // a '#' that a text stores as a line break
    "comment",    // a line outside every section
    "notTag",     // a line that looks like a tag but is none where it stands
};

// The legend for the capabilities of `initialize`.
Json token_legend();
// The tokens of the document's lines, or of those `range` touches, as the protocol encodes them:
// five numbers each.
std::vector<std::uint32_t> semantic_tokens(const Context& context, const std::optional<Range>& range);

// The tokens as the JSON of a result, `{"resultId":"ID","data":[...]}` (no resultId where `id` is
// empty), written out directly: a source of some hundred thousand lines has millions of numbers.
std::string tokens_json(std::span<const std::uint32_t> data, std::string_view id = {});
// The edit that makes `after` of `before`, as the JSON of a delta result with the id `id`.
std::string tokens_delta_json(std::span<const std::uint32_t> before,
                              std::span<const std::uint32_t> after, std::string_view id);

}  // namespace kelv::lsp
