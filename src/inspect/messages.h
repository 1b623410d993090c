// What each finding says: one builder for each kind of note, which gives the finding its kind,
// its message in the user's language (the note's typed fields filled in) and the other lines the
// message names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/converter.h"
#include "format/report.h"
#include "format/sections.h"
#include "inspect/finding.h"

namespace kelv {

class Names;

// The findings of one source.
class Messages {
 public:
  // The source at `path` of the kind named `kind`, read by the sections of `vocabulary`; `names`,
  // where given, are the author's names for the kind's values.
  Messages(std::string path, const Vocabulary& vocabulary, std::string_view kind,
           const Names* names)
      : path_(std::move(path)), vocabulary_(vocabulary), kind_(kind), names_(names) {}

  // The finding a note of the read rules gives.
  Finding operator()(const Note& note) const;
  // The source is refused, and nothing is written for it: `why`, beginning at `line`.
  Finding refused(std::uint32_t line, std::string_view why) const;
  // A line of a names file whose first word, `value` at `columns`, names no value of the kind
  // `section` (`known` false), or that gives the value no name.
  Finding unknown_name(std::uint32_t line, Columns columns, std::string_view value,
                       std::string_view section, bool known) const;
  // `count` findings more than were kept.
  Finding more(std::size_t count) const;

 private:
  Finding build(const seen::LinePiece& piece, const Note& n) const;
  Finding build(const seen::CutAtNul&, const Note& n) const;
  Finding build(const seen::UnknownTag& tag, const Note& n) const;
  Finding build(const seen::TagAsData& tag, const Note& n) const;
  Finding build(const seen::StrayClose& close, const Note& n) const;
  Finding build(const seen::ScanStopped& stop, const Note& n) const;
  Finding build(const seen::ExtraValues& extra, const Note& n) const;
  Finding build(const seen::Cut& cut, const Note& n) const;
  Finding build(const seen::NumberWrapped& wrapped, const Note& n) const;
  Finding build(const seen::LineUnused& unused, const Note& n) const;
  Finding build(const seen::CountClamped& count, const Note& n) const;
  Finding build(const seen::TableRefused& count, const Note& n) const;
  Finding build(const seen::HugeTable& count, const Note& n) const;
  Finding build(const seen::FewerLines& fewer, const Note& n) const;
  Finding build(const seen::OpenAtEnd&, const Note& n) const;
  Finding build(const seen::LoneCr&, const Note& n) const;
  Finding build(const seen::Utf8Mark&, const Note& n) const;
  Finding build(const seen::LooksUtf8&, const Note& n) const;

  // A finding of `kind` about the line and part of it that `n` points at.
  Finding told(const FindingKind& kind, const Note& n, std::string message) const;
  // The same, naming another line of the source.
  Finding told(const FindingKind& kind, const Note& n, std::string message, Related::What what,
               std::uint32_t line) const;
  // What a line that looks like a tag but is none of the file's is told.
  std::string unknown_tag(std::string_view text) const;
  // What a scan that stopped leaves in the values it did not reach.
  std::string unreached(const seen::ScanStopped& stop, std::string_view section) const;
  // A value as a finding names it: "value3", with the author's name where there is one.
  std::string name_of(const ValueShape& value, std::string_view section) const;

  std::string path_;
  const Vocabulary& vocabulary_;
  std::string_view kind_;
  const Names* names_;
};

// A file whose name is none of a source's, but close to `meant`.
Finding misnamed(std::string path, std::string_view meant);

// The number `value`, `value_name` of the line `line` of the source at `path`, which indexes the
// list `list` that `list_path` holds with `size` entries (its count at `count_line`, 0: none):
// told when it lies outside.
Finding out_of_list(std::string path, std::uint32_t line, std::string_view value_name,
                    std::int32_t value, ListId list, const std::string& list_path,
                    std::int64_t size, std::uint32_t count_line);

}  // namespace kelv
