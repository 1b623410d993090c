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
  r.events.push_back(std::to_string(l.state()) + ":" + std::string(l.text()));
}

constexpr Section<Recorder> kSections[] = {
    {"first", data, [](Recorder& r) { r.events.push_back("open first"); },
     [](Recorder& r) { r.events.push_back("close first"); }},
    {"second", data},
    {"entry", nullptr, nullptr, [](Recorder& r) { r.events.push_back("next entry"); }, true},
    {"third", data},
};

using Events = std::vector<std::string>;

Events walked(std::string_view source, test::RecordingReport* report = nullptr) {
  Recorder r;
  MemorySource in(source);
  SilentReport silent;
  walk<Recorder>(in, kShortLines, r, kSections,
                 report != nullptr ? *report : static_cast<Report&>(silent));
  return r.events;
}

TEST(SectionWalker, DataLinesBelongToTheOpenSection) {
  EXPECT_EQ(walked("comment\n<second>\na\nb\n</second>\noutside\n<first>\nc\n</first>"),
            (Events{"2:a", "2:b", "open first", "1:c", "close first"}));
}

TEST(SectionWalker, TagsWithSpacesAreNotTags) {
  EXPECT_EQ(walked("<second> \nx\n </second>\n<second>\ny\n</second >\n"),
            (Events{"2:y", "2:</second >", "2:"}));
}

TEST(SectionWalker, CrLfSourcesReadAsLf) {
  EXPECT_EQ(walked("<second>\r\na b\r\n</second>\r\n"), walked("<second>\na b\n</second>\n"));
}

TEST(SectionWalker, FinalLineFeedGivesOneMoreEmptyDataLine) {
  EXPECT_EQ(walked("<second>\na\nb\nc\n"), (Events{"2:a", "2:b", "2:c", "2:"}));
  EXPECT_EQ(walked("<second>\na\nb\nc"), (Events{"2:a", "2:b", "2:c"}));
}

TEST(SectionWalker, LaterTagsAreDataOfAnOpenSectionEarlierTagsAreTags) {
  // "<third>" comes after "second" in the table: it is data of the open section.
  EXPECT_EQ(walked("<second>\n<third>\nx\n</third>\n"),
            (Events{"2:<third>", "2:x", "2:</third>", "2:"}));
  // "<first>" comes before it: it switches; "</first>" closes whatever is open.
  EXPECT_EQ(walked("<third>\n<first>\nx\n</first>\ny\n"),
            (Events{"open first", "1:x", "close first"}));
  EXPECT_EQ(walked("<second>\n</first>\nx\n"), (Events{"close first"}));
}

TEST(SectionWalker, SectionsMayComeAgain) {
  EXPECT_EQ(walked("<third>\na\n</third>\n<third>\nb\n</third>"), (Events{"4:a", "4:b"}));
}

TEST(SectionWalker, MarkersKeepTheState) {
  // The marker's row comes before "third": inside "third" it is still recognised and the
  // section stays open; inside "second" it is data.
  EXPECT_EQ(walked("<third>\na\n</entry>\nb\n</third>\n<second>\n</entry>\n</second>"),
            (Events{"4:a", "next entry", "4:b", "2:</entry>"}));
  EXPECT_EQ(walked("</entry>\n<entry>\n"), (Events{"next entry"}));
}

TEST(SectionWalker, LongLinesArriveAsSeveralDataLines) {
  const std::string line(300, 'z');
  EXPECT_EQ(walked("<second>\n" + line + "\n</second>"),
            (Events{"2:" + std::string(255, 'z'), "2:" + std::string(45, 'z')}));
}

TEST(SectionWalker, ReportsWhatItDropsOrBends) {
  test::RecordingReport report;
  walked("note\n<secnd>\n<second>\n" + std::string(260, 'a') + "\n<third>\n", &report);
  std::vector<Note> notes;
  for (const Finding& f : report.findings)
    notes.push_back(f.note);
  EXPECT_EQ(notes, (std::vector<Note>{Note::OutsideSections, Note::UnknownTag, Note::LinePiece,
                                      Note::TagAsData, Note::FinalEmptyLine}));
  EXPECT_EQ(report.findings[0].line, 1u);
  EXPECT_EQ(report.findings[2].line, 4u);
  EXPECT_EQ(report.findings[3].line, 5u);
}

// Groups: each line passes through every group; in each the first test that holds ends it.
struct Grouped {
  std::vector<std::string> events;
};
void gdata(Grouped& g, const Line& l) {
  g.events.push_back(std::to_string(l.state()) + ":" + std::string(l.text()));
}
constexpr Section<Grouped> kGroupA[] = {{"a1", gdata}, {"a2", gdata}};
constexpr Section<Grouped> kGroupB[] = {{"b1", gdata}};

TEST(SectionWalker, GroupsSeeEveryLineInTurn) {
  Grouped g;
  MemorySource in("<a1>\n<b1>\nx\n<a1>\n<a2>\n");
  SilentReport report;
  walk<Grouped>(in, kShortLines, g, {kGroupA, kGroupB}, report);
  // "<b1>" is data of a1 in the first group and opens b1 (state 3) in the second; then "x" is
  // data of b1; "<a1>" opens a1 again; "<a2>" is data of the open a1 (a later tag of its group).
  EXPECT_EQ(g.events, (std::vector<std::string>{"1:<b1>", "3:x", "1:<a2>", "1:"}));
}

// A marker of one group, while a section of the next is open, is that section's data line too:
// one line, handled once in each group.
constexpr Section<Grouped> kMarkerGroup[] = {
    {"a1", gdata},
    {"entry", nullptr, nullptr, [](Grouped& g) { g.events.push_back("marker"); }, true}};

TEST(SectionWalker, AMarkerReachesTheNextGroupToo) {
  Grouped g;
  MemorySource in("<b1>\n</entry>\n</entry>");
  SilentReport report;
  walk<Grouped>(in, kShortLines, g, {kMarkerGroup, kGroupB}, report);
  EXPECT_EQ(g.events, (std::vector<std::string>{"marker", "3:</entry>", "marker", "3:</entry>"}));
}

}  // namespace
}  // namespace kelv
