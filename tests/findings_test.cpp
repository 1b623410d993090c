// What a finding points at beyond its printed line: the part of the line it concerns (both ends)
// and the other lines it names, as a language server takes them. The messages and the printed
// form are the cases' (tests/cases).
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "inspect/diagnostics.h"
#include "inspect/names.h"
#include "inspect/references.h"

namespace kelv {
namespace {

using What = Related::What;

// The findings of `source` read as the kind `kind`, from "KIND.txt"; `lists` hears its links.
std::vector<Finding> findings_of(std::string_view kind_name, std::string_view source,
                                 ListsHeard* lists = nullptr) {
  const Kind& kind = *kind_named(kind_name);
  const std::unique_ptr<Converter> converter = kind.make();
  Diagnostics diagnostics(std::string(kind_name) + ".txt", kind.vocabulary(), kind.name());
  MemorySource in(source);
  converter->read(in, diagnostics, lists != nullptr ? *lists : no_links());
  return diagnostics.findings();
}

struct Expected {
  std::string_view id;
  std::uint32_t line;
  Columns columns;
  std::vector<Related> related = {};
};

void expect_first(const std::vector<Finding>& findings, const Expected& e) {
  for (const Finding& f : findings) {
    if (f.kind->id != e.id) continue;
    EXPECT_EQ(f.line, e.line);
    EXPECT_EQ(f.columns, e.columns) << f.columns.begin << "-" << f.columns.end;
    EXPECT_EQ(f.related, e.related);
    return;
  }
  ADD_FAILURE() << "no [" << e.id << "]";
}

const std::string kCount = "<item_number>\n1\n</item_number>\n<item_data>\n";
const std::string kValues = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 herb text";

TEST(Findings, PointAtThePartOfTheLineAndTheLinesTheyName) {
  const struct {
    const char* name;
    std::string source;
    Expected expected;
  } cases[] = {
      {"a word where a number belongs", kCount + "1 2 three 4\n", {"scan", 5, {5, 10}}},
      {"a value missing: nothing at the line's end", kCount + "1 2\n", {"scan", 5, {4, 4}}},
      {"a full-width blank between values",
       kCount + "1\x81\x40"
                "2\n",
       {"scan", 5, {2, 4}}},
      {"values after the last", kCount + kValues + "  a b \n", {"extra-values", 5, {51, 54}}},
      {"a tag read as data names where its section opened",
       "\n<item_number>\n<item_data>\n",
       {"tag-as-data", 3, {}, {{What::SectionOpened, "item_list.txt", 2}}}},
      {"a closing tag of another section names where the open one opened",
       "<item_data>\n</item_number>\n",
       {"stray-close", 2, {}, {{What::SectionOpened, "item_list.txt", 1}}}},
      {"a line past the count names the count line",
       "<item_number>\n0\n</item_number>\n<item_data>\n" + kValues + "\n",
       {"unused-line", 5, {}, {{What::CountGiven, "item_list.txt", 2}}}},
      {"a section short of its count names the count line",
       "<item_number>\n\n3\n</item_number>\n<item_data>\n" + kValues + "\n</item_data>\n",
       {"fewer-lines", 7, {}, {{What::CountGiven, "item_list.txt", 3}}}},
      {"a section open at the end points at its opening tag",
       "\n<item_data>\n",
       {"open-at-end", 2, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expect_first(findings_of("item_list", c.source), c.expected);
  }
}

TEST(Findings, ANamesLinePointsAtItsValue) {
  Diagnostics diagnostics("names.txt", Names::vocabulary());
  MemorySource in("<item_list>\n  value99 price\n</item_list>\n");
  Names::read(in, &diagnostics);
  expect_first(diagnostics.findings(), {"names", 2, {3, 10}});
}

TEST(Findings, AReferenceNamesTheCountLineOfItsListInTheListsFile) {
  const Kind& music = *kind_named("midi_list");
  ListsHeard list(music.vocabulary(), music.name(), nullptr);
  // Open at the end: the empty line after the final line feed is no count line.
  findings_of("midi_list", "\n<midi_number>\n3\n", &list);
  const Kind& scene = *kind_named("scene");
  ListsHeard numbers(scene.vocabulary(), scene.name(), nullptr);
  findings_of("scene", "<midi_index>\n4\n</midi_index>\n", &numbers);
  References references;
  references.add("", "midi_list.txt", {kMusicList, 3}, list);
  references.add("", "scene.txt", {}, numbers);
  expect_first(references.findings(),
               {"reference", 2, {}, {{What::ListCount, "midi_list.txt", 3}}});
}

TEST(Findings, KindsAreNamedOnce) {
  std::set<std::string_view> ids;
  for (const FindingKind* kind : kFindingKinds)
    EXPECT_TRUE(ids.insert(kind->id).second) << kind->id;
}

}  // namespace
}  // namespace kelv
