// How findings word their parts: what a value is ("a number"), a list of values ("value3 to
// value16, word, text"), what a scan found, the list a number indexes and how many entries it
// holds, and the tag an author probably meant.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "format/line_format.h"
#include "format/sections.h"

namespace kelv::wording {

// `s` without the blanks around it.
std::string_view trimmed(std::string_view s);

// Whether `text` is exactly a tag of `vocabulary`.
bool is_tag_of(std::string_view text, const Vocabulary& vocabulary);
// The tag of `vocabulary` nearest to `text` (a line that looks like a tag), as "<name>" or
// "</name>"; empty when none is near.
std::string nearest_tag(std::string_view text, const Vocabulary& vocabulary);
// The role of the section `section` of `vocabulary` (Value where it has none of that name).
Role role_of(std::string_view section, const Vocabulary& vocabulary);

// What a value is, as a finding names it: "a number".
std::string kind_of(const ValueShape& v);
// The same without its article: "number".
std::string noun_of(const ValueShape& v);
// The first word of what a scan found, as the author wrote it, quoted.
std::string first_word(std::string_view s);
// The values as a list, each named by `name`: "value3 to value16, word, text".
std::string listed(std::span<const ValueShape> values,
                   const std::function<std::string(const ValueShape&)>& name);

// The list of another kind that numbers index, as a finding names it: "the item list".
std::string list_name(ListId list);
// How many entries such a list holds, as a finding says it: "6 items".
std::string entries(ListId list, std::int64_t n);

}  // namespace kelv::wording
