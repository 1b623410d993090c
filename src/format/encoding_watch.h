// Watches the text of a source for what says it was not saved as the read rules read it: a UTF-8
// byte order mark, text beyond ASCII that is all valid UTF-8 (and so hardly Shift-JIS), carriage
// returns without line feeds.
#pragma once

#include <cstdint>
#include <string_view>

#include "format/report.h"

namespace kelv {

class EncodingWatch {
 public:
  // Each line's text in turn, the first with `number` 1.
  void line(std::string_view text, std::uint32_t number, Report& report);
  // After the last line.
  void end(Report& report) const;

 private:
  // Whether the bytes beyond ASCII of `text` break UTF-8; notes the first line that has some.
  bool breaks_utf8(std::string_view text, std::uint32_t number);

  bool utf8_ = true;         // no byte beyond ASCII has broken UTF-8 yet
  std::uint32_t first_ = 0;  // the first line with text beyond ASCII
  bool cr_told_ = false;
};

}  // namespace kelv
