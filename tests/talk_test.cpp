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
  return keyed(2, {field("talk_number", i32(count)), field("talk_data", data)});
}

TEST(TalkList, TheClosingDataTagSetsTheCountToTheStoredLines) {
  TalkList c;
  EXPECT_EQ(convert(c,
                    "<talk_number>\n5\n</talk_number>\n"
                    "<talk_data>\nHi there.\n\n  Bye.\n</talk_data>\n"),
            talk_file(3, {"Hi there.", "", "  Bye."}));
  // Wherever it comes: with no data section before it, the count becomes 0.
  EXPECT_EQ(convert(c, "<talk_number>\n4\n</talk_number>\n</talk_data>\n"), talk_file(0, {}));
}

TEST(TalkList, HashIsALineFeed) {
  TalkList c;
  const Bytes out = convert(c,
                            "<talk_number>\n1\n</talk_number>\n"
                            "<talk_data>\nHello#World\n</talk_data>\n");
  EXPECT_EQ(out, talk_file(1, {"Hello\nWorld"}));
  EXPECT_EQ(out, cat({i32(2), field("talk_number", i32(1)),
                      field("talk_data", cat({i32(12), text("Hello\nWorld"), zeros(1)}))}));
}

TEST(TalkList, HashNextToShiftJis) {
  TalkList c;
  // A lead byte takes the next byte with it, '#' included; a lone lead byte at the end stays.
  const Bytes out = convert(c,
                            "<talk_number>\n3\n</talk_number>\n<talk_data>\n"
                            "\x82\xa0#\x82\xa2\x82\xa4#\n"
                            "\x81#a#\n"
                            "#\x82\n"
                            "</talk_data>\n");
  EXPECT_EQ(out, talk_file(3, {"\x82\xa0\n\x82\xa2\x82\xa4\n", "\x81#a\n", "\n\x82"}));
}

TEST(TalkList, TextsMissingBelowTheCountAreEmpty) {
  TalkList c;
  // No closing data tag and no final line feed: the last two texts were never stored.
  EXPECT_EQ(convert(c, "<talk_number>\n3\n</talk_number>\n<talk_data>\nOnly one."),
            talk_file(3, {"Only one.", "", ""}));
  // The count section after the closing data tag.
  EXPECT_EQ(convert(c, "<talk_data>\nLost.\n</talk_data>\n<talk_number>\n2\n</talk_number>\n"),
            talk_file(2, {"", ""}));
}

TEST(TalkList, TheCountNeverOutgrowsItsTable) {
  TalkList c;
  // A count line inside the open data section makes a table of 2 while three lines were stored;
  // the closing tag then leaves the count at 2, and a further section stores only two texts.
  const std::string first =
      "<talk_number>\n5\n</talk_number>\n<talk_data>\nA\nB\nC\n"
      "<talk_number>\n2\n</talk_number>\n</talk_data>\n";
  EXPECT_EQ(convert(c, first), talk_file(2, {"", ""}));
  EXPECT_EQ(convert(c, first + "<talk_data>\nX\nY\nZ\n</talk_data>\n"), talk_file(2, {"X", "Y"}));
}

TEST(TalkList, EmptyAndAbsentTables) {
  TalkList c;
  EXPECT_EQ(convert(c, "<talk_number>\n0\n</talk_number>\n"), talk_file(0, {}));
  EXPECT_EQ(convert(c, "<talk_number>\n-1\n</talk_number>\n<talk_data>\nA\n"),
            keyed(2, {field("talk_number", i32(-1))}));
  EXPECT_EQ(convert(c, "<talk_data>\nA\n"), keyed(2, {field("talk_number", i32(0))}));
}

TEST(TalkList, LinesOfUpTo4095Bytes) {
  const std::string line(5000, 'x');
  TalkList c;
  EXPECT_EQ(
      convert(c, "<talk_number>\n2\n</talk_number>\n<talk_data>\n" + line + "\n</talk_data>\n"),
      talk_file(2, {line.substr(0, 4095), line.substr(4095)}));
}

}  // namespace
}  // namespace kelv::test
