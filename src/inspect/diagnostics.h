// Findings told as an author needs them, in the form editors and build tools read:
// "PATH:LINE: warning: MESSAGE [kind]". A Report that speaks: the reader code that converts is
// the one that finds, so a check can never disagree with a conversion.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "format/report.h"
#include "format/sections.h"
#include "inspect/names.h"

namespace kelv {

class Diagnostics final : public Report {
 public:
  // The findings of the source at `path` of the kind named `kind`, read by the sections of
  // `vocabulary`; `names`, where given, are the author's names for the kind's values.
  Diagnostics(std::string path, const Vocabulary& vocabulary, std::string_view kind = {},
              const Names* names = nullptr)
      : path_(std::move(path)), vocabulary_(vocabulary), kind_(kind), names_(names) {}

  void note(const Finding& f) override;
  // The source was refused and nothing written for it: `why`, beginning at `line`.
  void refused(std::uint32_t line, std::string_view why);

  // Every finding told, sorted by line.
  std::vector<std::string> lines() const;
  std::size_t count() const { return told_; }
  // Whether a finding is worth telling before the output is written: a table so large that
  // writing it takes a while.
  bool urgent() const { return urgent_; }

  // A number of the source that indexes another kind's list.
  struct Reference {
    std::uint32_t line;
    std::int32_t value;
    ListId list;
    std::string value_name;  // as a finding names it
  };
  const std::vector<Reference>& references() const { return references_; }
  // The line of the last count line of the source's first count section (0: none): where a
  // list that other kinds index gives its size.
  std::uint32_t count_line() const;

 private:
  void tell(const Finding& f, std::string message, std::string_view kind);
  Role role_of(std::string_view section) const;
  // A value as a finding names it: "value3", with the author's name where there is one.
  std::string name_of(const ValueShape& value, std::string_view section) const;

  struct Told {
    std::uint32_t line;
    std::uint32_t column;
    std::string text;
  };
  // Kept up to a limit: a file of garbage gives a finding on nearly every line.
  static constexpr std::size_t kMostKept = 1000;

  std::string path_;
  const Vocabulary& vocabulary_;
  std::string kind_;
  const Names* names_;
  std::vector<Told> told_lines_;
  std::size_t told_ = 0;
  std::uint32_t last_piece_ = 0;   // the physical line whose length was told
  std::uint32_t final_empty_ = 0;  // the empty line after a final line feed
  std::uint32_t tag_line_ = 0;     // the last line told of as a tag
  std::uint32_t lone_cr_ = 0;      // the line told to hold a carriage return alone
  bool urgent_ = false;
  std::vector<Reference> references_;
  std::map<std::string_view, std::uint32_t> count_lines_;  // by section
};

// The tag of `vocabulary` nearest to `text` (a line that looks like a tag), as "<name>" or
// "</name>"; empty when none is near.
std::string nearest_tag(std::string_view text, const Vocabulary& vocabulary);

}  // namespace kelv
