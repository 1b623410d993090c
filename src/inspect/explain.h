// A source format as an author needs it, made from the converter's own section tables: its
// sections in the order the reader tests them, what their lines are, and what carries over.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

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

// What --explain says of one section of `kind` under its tags: what its lines are, their values
// (with the author's names, where `names` has them) and what else an author needs to know.
std::string section_text(const SectionShape& section, std::string_view kind,
                         const Names* names = nullptr, std::size_t width = kNarrowest);
// What a value is: "a number", "a word of at most 31 bytes; '#' stands for a line break".
std::string value_text(const ValueShape& value);

// The formats of `kinds` as one JSON document, for programs (an editor's grammar): every kind's
// name and file pattern, its sections in the order the reader tests them with their tags, roles
// and values (names, kinds, sizes, how each is stored, the list a number indexes), every description in
// English and Japanese, and the author's names from `names`; then the names file's own format.
std::string explain_json(std::span<const Kind* const> kinds, const Names* names = nullptr);

}  // namespace kelv
