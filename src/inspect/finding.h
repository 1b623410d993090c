// A finding about a source, as a value: where it points (the file, a line, the part of the line
// it concerns, the other lines it names), its kind and the message an author reads. --check and
// the conversion print findings in the form editors and build tools read,
//
//   PATH:LINE[:COLUMN]: warning: MESSAGE [kind]
//
// the Windows end box lists those lines again, and a language server takes the parts as they are.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/report.h"

namespace kelv {

enum class Severity : std::uint8_t { Warning };

// A kind of finding. Its id is printed in brackets ("[scan]") and read by editors, build tools
// and the language server as the finding's code; it is never translated.
struct FindingKind {
  std::string_view id;
  Severity severity = Severity::Warning;
};

// The kinds, one row each; what each says is made in inspect/messages.cpp.
namespace finding {
inline constexpr FindingKind kUnknownTag{"unknown-tag"};
inline constexpr FindingKind kTagAsData{"tag-as-data"};
inline constexpr FindingKind kStrayClose{"stray-close"};
inline constexpr FindingKind kOpenAtEnd{"open-at-end"};
inline constexpr FindingKind kScan{"scan"};
inline constexpr FindingKind kExtraValues{"extra-values"};
inline constexpr FindingKind kCut{"cut"};
inline constexpr FindingKind kWrapped{"wrapped"};
inline constexpr FindingKind kCount{"count"};
inline constexpr FindingKind kFewerLines{"fewer-lines"};
inline constexpr FindingKind kUnusedLine{"unused-line"};
inline constexpr FindingKind kEmptyLine{"empty-line"};
inline constexpr FindingKind kLineEnds{"line-ends"};
inline constexpr FindingKind kEncoding{"encoding"};
inline constexpr FindingKind kLongLine{"long-line"};
inline constexpr FindingKind kNul{"nul"};
inline constexpr FindingKind kReference{"reference"};  // a number outside the list it indexes
inline constexpr FindingKind kName{"name"};            // a file named nearly as a source
inline constexpr FindingKind kNames{"names"};          // a line of names.txt
inline constexpr FindingKind kRefused{"refused"};      // a source nothing is written for
inline constexpr FindingKind kMore{"more"};            // how many more were found than kept
}  // namespace finding

// Every kind of finding.
inline constexpr std::array kFindingKinds{
    &finding::kUnknownTag, &finding::kTagAsData,   &finding::kStrayClose, &finding::kOpenAtEnd,
    &finding::kScan,       &finding::kExtraValues, &finding::kCut,        &finding::kWrapped,
    &finding::kCount,      &finding::kFewerLines,  &finding::kUnusedLine, &finding::kEmptyLine,
    &finding::kLineEnds,   &finding::kEncoding,    &finding::kLongLine,   &finding::kNul,
    &finding::kReference,  &finding::kName,        &finding::kNames,      &finding::kRefused,
    &finding::kMore};

// Another line a finding names: the line that opened the section concerned, the line that gave
// the count of its table, the count line of the list a number indexes (in the list's file).
struct Related {
  enum class What : std::uint8_t { SectionOpened, CountGiven, ListCount };
  What what;
  std::string path;
  std::uint32_t line;

  bool operator==(const Related&) const = default;
};

struct Finding {
  const FindingKind* kind;
  std::string path;
  std::uint32_t line = 0;  // 1-based; 0: the file as a whole
  Columns columns = {};    // the part of the line concerned, where it is one part
  std::string message;     // in the language in use when the finding was made
  std::vector<Related> related = {};
};

// The finding as editors and build tools read it: "PATH:LINE[:COLUMN]: warning: MESSAGE [kind]",
// the line left out where it is 0.
std::string printed(const Finding& finding);

// Sorts findings by line and column, keeping the order of those of one place.
void sort_by_place(std::vector<Finding>& findings);

}  // namespace kelv
