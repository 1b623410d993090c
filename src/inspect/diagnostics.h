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
      : messages_(std::move(path), vocabulary, kind, names), vocabulary_(vocabulary) {}

  void note(const Note& note) override;
  // The source was refused and nothing written for it: `why`, beginning at `line`.
  void refused(std::uint32_t line, std::string_view why);
  // A line of a names file whose value, the word `value` of it, names no value of the kind
  // `section` (`known` false; `meant` the one it was probably meant as, if any), or that gives the
  // value no name.
  void unknown_name(const Line& line, std::string_view value, std::string_view section, bool known,
                    std::string_view meant = {});

  // Every finding told, sorted by line and column; past the first kMostKept, one that tells how
  // many more there are.
  std::vector<Finding> findings() const;
  // Whether a finding is worth telling before the output is written: a table so large that
  // writing it takes a while.
  bool urgent() const { return urgent_; }

 private:
  // Whether the note only repeats what another note says, which is told instead.
  bool echo(const Note& note);
  // Whether the note is what a tag with text after it, told before, did to the sections.
  bool echo_of_tag_with_text(const Note& note);
  // A count line threw away a table whose count line is `counted_at`: what was told of its
  // records given no line is an echo of that.
  void forget_fewer_lines(std::uint32_t counted_at);
  // Counts the finding `make` makes, and keeps it (made only then) while under the limit.
  template <class Make>
  void keep(const Make& make);

  // Kept up to a limit: a file of garbage gives a finding on nearly every line.
  static constexpr std::size_t kMostKept = 1000;

  Messages messages_;
  const Vocabulary& vocabulary_;
  std::vector<Finding> kept_;
  // What is told of a file in UTF-16, alone: every other note of it is an echo of the encoding.
  std::vector<Finding> utf16_;
  std::size_t told_ = 0;  // kept or not
  bool urgent_ = false;
  // What the echoes are measured against: the lines told of as a tag or a real number, to hold a
  // lone carriage return, to be longer than the line buffer.
  std::uint32_t tag_line_ = 0;
  std::uint32_t real_line_ = 0;
  std::uint32_t lone_cr_ = 0;
  std::uint32_t long_line_ = 0;
  // A section whose opening tag had text after it, and so never opened; one whose closing tag
  // had, and so stayed open, and the line that opened it.
  std::string_view unopened_;
  bool unopened_close_ = false;  // its closing tag has not come yet
  std::string_view unclosed_;
  std::uint32_t unclosed_at_ = 0;
  // The section whose count a stray closing tag set, and to what.
  std::string count_set_in_;  // copied: the tag lies in the line read
  std::int64_t count_set_to_ = -1;
  // How many tags that end an entry were read as lines of an open section.
  std::int64_t swallowed_ends_ = 0;
};

}  // namespace kelv
