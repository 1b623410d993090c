// Findings told as an author needs them, in the form editors and build tools read:
// "PATH:LINE: warning: MESSAGE [kind]". A Report that speaks: the reader code that converts is
// the one that finds, so a check can never disagree with a conversion.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/report.h"
#include "format/sections.h"

namespace kelv {

class Diagnostics final : public Report {
 public:
  // The findings of the source at `path`, read by the sections of `vocabulary`.
  Diagnostics(std::string path, const Vocabulary& vocabulary)
      : path_(std::move(path)), vocabulary_(vocabulary) {}

  void note(const Finding& f) override;
  // The source was refused and nothing written for it: `why`, beginning at `line`.
  void refused(std::uint32_t line, std::string_view why);

  // Every finding told, sorted by line.
  std::vector<std::string> lines() const;
  std::size_t count() const { return told_; }

 private:
  void tell(std::uint32_t line, std::string message, std::string_view kind);
  Role role_of(std::string_view section) const;

  struct Told {
    std::uint32_t line;
    std::string text;
  };
  // Kept up to a limit: a file of garbage gives a finding on nearly every line.
  static constexpr std::size_t kMostKept = 1000;

  std::string path_;
  const Vocabulary& vocabulary_;
  std::vector<Told> told_lines_;
  std::size_t told_ = 0;
  std::uint32_t last_piece_ = 0;   // the physical line whose length was told
  std::uint32_t final_empty_ = 0;  // the empty line after a final line feed
  std::uint32_t tag_line_ = 0;     // the last line told of as a tag
};

// The tag of `vocabulary` nearest to `text` (a line that looks like a tag), as "<name>" or
// "</name>"; empty when none is near.
std::string nearest_tag(std::string_view text, const Vocabulary& vocabulary);

}  // namespace kelv
