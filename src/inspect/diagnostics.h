// The findings of one source as an author needs them: a Report that hears the notes of the read
// rules and keeps, of each, the finding it gives (inspect/messages.h), unless the note only
// echoes another. The reader code that converts is the one that finds, so a check can never
// disagree with a conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/line.h"
#include "format/report.h"
#include "format/sections.h"
#include "inspect/finding.h"
#include "inspect/messages.h"

namespace kelv {

class Diagnostics final : public Report {
 public:
  // The findings of the source at `path` of the kind named `kind`, read by the sections of
  // `vocabulary`; `names`, where given, are the author's names for the kind's values.
  Diagnostics(std::string path, const Vocabulary& vocabulary, std::string_view kind = {},
              const Names* names = nullptr)
      : messages_(std::move(path), vocabulary, kind, names) {}

  void note(const Note& note) override;
  // The source was refused and nothing written for it: `why`, beginning at `line`.
  void refused(std::uint32_t line, std::string_view why);
  // A line of a names file whose value, the word `value` of it, names no value of the kind
  // `section` (`known` false), or that gives the value no name.
  void unknown_name(const Line& line, std::string_view value, std::string_view section, bool known);

  // Every finding told, sorted by line and column; past the first kMostKept, one that tells how
  // many more there are.
  std::vector<Finding> findings() const;
  // Whether a finding is worth telling before the output is written: a table so large that
  // writing it takes a while.
  bool urgent() const { return urgent_; }

 private:
  // Whether the note only repeats what another note says, which is told instead.
  bool echo(const Note& note);
  // Counts the finding `make` makes, and keeps it (made only then) while under the limit.
  template <class Make>
  void keep(const Make& make);

  // Kept up to a limit: a file of garbage gives a finding on nearly every line.
  static constexpr std::size_t kMostKept = 1000;

  Messages messages_;
  std::vector<Finding> kept_;
  std::size_t told_ = 0;  // kept or not
  bool urgent_ = false;
  // What the echoes are measured against: the lines told of as a tag, to hold a lone carriage
  // return, to be longer than the line buffer.
  std::uint32_t tag_line_ = 0;
  std::uint32_t lone_cr_ = 0;
  std::uint32_t long_line_ = 0;
};

}  // namespace kelv
