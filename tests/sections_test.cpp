#include "format/sections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support.h"

namespace kelv {
namespace {

// A converter that records what the walker hands it.
struct Recorder {
  std::vector<std::string> events;
};

void data(Recorder& r, const Line& l) {
  r.events.push_back(std::to_string(l.section_number()) + ":" + std::string(l.text()));
}

constexpr Section<Recorder> kSections[] = {
    {"first", data, [](Recorder& r) { r.events.push_back("open first"); },
     [](Recorder& r) { r.events.push_back("close first"); }},
    {"second", data},
    {"entry", nullptr, nullptr, [](Recorder& r) { r.events.push_back("next entry"); },
     Role::Marker},
    {"third", data},
};

using Events = std::vector<std::string>;

Events walked(std::string_view source, test::RecordingReport* report = nullptr) {
  Recorder r;
  MemorySource in(source);
  SilentReport silent;
  const Group<Recorder> groups[] = {kSections};
  walk<Recorder>(in, kShortLines, r, groups,
                 report != nullptr ? *report : static_cast<Report&>(silent));
  return r.events;
}

TEST(SectionWalker, Walks) {
  struct Case {
    const char* name;
    std::string source;
    Events events;
  } cases[] = {
      {"data lines belong to the open section",
       "comment\n<second>\na\nb\n</second>\noutside\n<first>\nc\n</first>",
       {"2:a", "2:b", "open first", "1:c", "close first"}},
      {"tags with blanks are not tags",
       "<second> \nx\n </second>\n<second>\ny\n</second >\n",
       {"2:y", "2:</second >", "2:"}},
      {"crlf reads as lf", "<second>\r\na b\r\n</second>\r\n", {"2:a b"}},
      {"the final line feed gives one more empty data line",
       "<second>\na\nb\n",
       {"2:a", "2:b", "2:"}},
      {"no final line feed", "<second>\na\nb", {"2:a", "2:b"}},
      // "<third>" comes after "second" in the table: it is data of the open section.
      {"later tags are data of an open section",
       "<second>\n<third>\nx\n</third>\n",
       {"2:<third>", "2:x", "2:</third>", "2:"}},
      // "<first>" comes before it: it switches; "</first>" closes whatever is open.
      {"earlier tags are tags",
       "<third>\n<first>\nx\n</first>\ny\n",
       {"open first", "1:x", "close first"}},
      {"an earlier closing tag closes the open section",
       "<second>\n</first>\nx\n",
       {"close first"}},
      {"sections may come again", "<third>\na\n</third>\n<third>\nb\n</third>", {"4:a", "4:b"}},
      // The marker's row comes before "third": inside "third" it is still recognised and the
      // section stays open; inside "second" it is data.
      {"markers keep the state",
       "<third>\na\n</entry>\nb\n</third>\n<second>\n</entry>\n</second>",
       {"4:a", "next entry", "4:b", "2:</entry>"}},
      {"a marker has no opening tag", "</entry>\n<entry>\n", {"next entry"}},
      {"long lines arrive as several data lines",
       "<second>\n" + std::string(300, 'z') + "\n</second>",
       {"2:" + std::string(255, 'z'), "2:" + std::string(45, 'z')}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(walked(c.source), c.events) << c.name;
}

TEST(SectionWalker, ReportsWhatItDropsOrBends) {
  test::RecordingReport report;
  walked("note\n<secnd>\n<second>\n" + std::string(260, 'a') + "\n<third>\n", &report);
  std::vector<std::size_t> kinds;
  std::vector<std::uint32_t> lines;
  for (const Note& n : report.notes) {
    kinds.push_back(n.what.index());
    lines.push_back(n.line);
  }
  const auto index = [](seen::Any what) { return what.index(); };
  EXPECT_EQ(kinds, (std::vector{index(seen::UnknownTag{}), index(seen::LinePiece{}),
                                index(seen::TagAsData{}), index(seen::OpenAtEnd{})}));
  EXPECT_EQ(lines, (std::vector<std::uint32_t>{2, 4, 5, 3}));
}

// Groups: each line passes through every group; in each the first test that holds ends it.
constexpr Section<Recorder> kGroupA[] = {{"a1", data}, {"a2", data}};
constexpr Section<Recorder> kGroupB[] = {{"b1", data}};

TEST(SectionWalker, GroupsSeeEveryLineInTurn) {
  Recorder r;
  MemorySource in("<a1>\n<b1>\nx\n<a1>\n<a2>\n");
  SilentReport report;
  const Group<Recorder> groups[] = {kGroupA, kGroupB};
  walk<Recorder>(in, kShortLines, r, groups, report);
  // "<b1>" is data of a1 in the first group and opens b1 (state 3) in the second; then "x" is
  // data of b1; "<a1>" opens a1 again; "<a2>" is data of the open a1 (a later tag of its group).
  EXPECT_EQ(r.events, (Events{"1:<b1>", "3:x", "1:<a2>", "1:"}));
}

// A marker of one group, while a section of the next is open, is that section's data line too:
// one line, handled once in each group.
constexpr Section<Recorder> kMarkerGroup[] = {
    {"a1", data},
    {"entry", nullptr, nullptr, [](Recorder& r) { r.events.push_back("marker"); }, Role::Marker}};

TEST(SectionWalker, AMarkerReachesTheNextGroupToo) {
  Recorder r;
  MemorySource in("<b1>\n</entry>\n</entry>");
  SilentReport report;
  const Group<Recorder> groups[] = {kMarkerGroup, kGroupB};
  walk<Recorder>(in, kShortLines, r, groups, report);
  EXPECT_EQ(r.events, (Events{"marker", "3:</entry>", "marker", "3:</entry>"}));
}

}  // namespace
}  // namespace kelv
