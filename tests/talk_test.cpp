#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "convert/story/talk.h"
#include "support.h"

namespace kelv::test {
namespace {

Bytes talk_file(std::int32_t count, std::initializer_list<std::string_view> texts) {
  Bytes data;
  for (const std::string_view t : texts)
    data = cat({data, counted(t)});
  return table_file("talk", count, data);
}

TEST(TalkList, Sources) {
  // A count line inside the open data section makes a table of 2 while three lines were stored;
  // the closing tag then leaves the count at 2, and a further section stores only two texts.
  const std::string shrunk =
      "<talk_number>\n5\n</talk_number>\n<talk_data>\nA\nB\nC\n"
      "<talk_number>\n2\n</talk_number>\n</talk_data>\n";
  const std::string line(5000, 'x');
  expect_outputs<TalkList>({
      {"the closing data tag sets the count to the stored lines",
       "<talk_number>\n5\n</talk_number>\n<talk_data>\nHi there.\n\n  Bye.\n</talk_data>\n",
       talk_file(3, {"Hi there.", "", "  Bye."})},
      // Wherever it comes: with no data section before it, the count becomes 0.
      {"closing data tag alone", "<talk_number>\n4\n</talk_number>\n</talk_data>\n",
       talk_file(0, {})},
      // A lead byte takes the next byte with it, '#' included; a lone lead byte at the end stays.
      {"hash next to Shift-JIS",
       "<talk_number>\n4\n</talk_number>\n<talk_data>\nHello#World\n\x82\xa0#\x82\xa2\x82\xa4#\n"
       "\x81#a#\n#\x82\n</talk_data>\n",
       talk_file(4, {"Hello\nWorld", "\x82\xa0\n\x82\xa2\x82\xa4\n", "\x81#a\n", "\n\x82"})},
      // No closing data tag and no final line feed: the last two texts were never stored.
      {"texts missing below the count", "<talk_number>\n3\n</talk_number>\n<talk_data>\nOnly one.",
       talk_file(3, {"Only one.", "", ""})},
      {"count section after the closing data tag",
       "<talk_data>\nLost.\n</talk_data>\n<talk_number>\n2\n</talk_number>\n",
       talk_file(2, {"", ""})},
      {"count shrunk inside the data section", shrunk, talk_file(2, {"", ""})},
      {"a further section after the shrunk count", shrunk + "<talk_data>\nX\nY\nZ\n</talk_data>\n",
       talk_file(2, {"X", "Y"})},
      {"count 0", "<talk_number>\n0\n</talk_number>\n", talk_file(0, {})},
      {"negative count", "<talk_number>\n-1\n</talk_number>\n<talk_data>\nA\n",
       count_file("talk", -1)},
      {"no count", "<talk_data>\nA\n", count_file("talk", 0)},
      {"lines of up to 4095 bytes",
       "<talk_number>\n2\n</talk_number>\n<talk_data>\n" + line + "\n</talk_data>\n",
       talk_file(2, {line.substr(0, 4095), line.substr(4095)})},
  });
}

}  // namespace
}  // namespace kelv::test
