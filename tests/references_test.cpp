// Every number the catalogue declares as an index into another kind's list, checked in one table:
// at both ends of the list, beyond it, below 0, with the list absent from the run, refused, in
// another folder, in a folder of its own under the same one, and with a count larger than the
// list can hold. The sources are made from the kinds' own declarations, so a reference added to
// a kind joins the table by itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "convert/converter.h"
#include "files_support.h"
#include "format/tags.h"
#include "inspect/wording.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

// A source of each list with `n` entries (a count line that asks for `count` of them, when
// another), by the list.
std::string list_source(ListId list, int n, int count) {
  const std::string counted = std::to_string(count);
  std::string lines;
  for (int i = 0; i < n; ++i) {
    switch (list) {
      case kItemList:
        lines += "0 10 5 0 0 0 0 0 0 0 0 0 0 0 0 0 herb x\n";
        break;
      case kNpcList:
        lines += "0 1 0 12 6 0 1 0 0 0 2 1 0 npc.bmp 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 none\n";
        break;
      case kTreasureList:
        lines += "1 2 3 4 5 6 7 8 9\n";
        break;
      default:
        lines += "a.wav\n";
    }
  }
  switch (list) {
    case kItemList:
      return "<item_number>\n" + counted + "\n</item_number>\n<item_data>\n" + lines +
             "</item_data>\n";
    case kNpcList:
      return "<npc_number>\n" + counted + "\n</npc_number>\n<npc_data>\n" + lines + "</npc_data>\n";
    case kTreasureList:
      return "<treasure_number>\n" + counted + "\n</treasure_number>\n<treasure_data>\n" + lines +
             "</treasure_data>\n";
    case kMusicList:
      return "<midi_number>\n" + counted + "\n</midi_number>\n<midi_data>\n" + lines +
             "</midi_data>\n";
    default:
      return "<wave_number>\n" + counted + "\n</wave_number>\n<wave_data>\n" + lines +
             "</wave_data>\n";
  }
}

const std::map<ListId, std::string> kListFiles = {{kItemList, "item_list.txt"},
                                                  {kNpcList, "npc_list.txt"},
                                                  {kTreasureList, "treasure_list.txt"},
                                                  {kMusicList, "midi_list.txt"},
                                                  {kSoundList, "wave_list.txt"}};

// A number that indexes a list: where a kind declares it.
struct Reference {
  const Kind* kind;
  std::string_view section;
  std::size_t value;  // its place on the section's lines
  ListId list;
};

std::vector<Reference> declared_references() {
  std::vector<Reference> out;
  for (const Kind& k : catalog()) {
    for (const auto& group : k.vocabulary().groups) {
      for (const SectionShape& s : group) {
        for (std::size_t i = 0; i < s.line.size(); ++i) {
          if (s.line[i].refers != 0) out.push_back({&k, s.name, i, s.line[i].refers});
        }
      }
    }
  }
  return out;
}

// A source of the reference's kind whose one line of its section holds `number` in its place:
// the section alone, after the count that opens its table (and the count of the table that holds
// that one, as a shop's items are in a shop).
std::string referring_source(const Reference& r, int number) {
  const Vocabulary& vocabulary = r.kind->vocabulary();
  const SectionShape* shape = nullptr;
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group) {
      if (s.name == r.section) shape = &s;
    }
  }
  std::string line;
  for (std::size_t i = 0; i < shape->line.size(); ++i) {
    const ValueShape& v = shape->line[i];
    const bool numeric = v.kind == ValueKind::Int || v.kind == ValueKind::Real;
    line += (i == 0 ? "" : " ") + (i == r.value ? std::to_string(number) : numeric ? "0" : "x");
  }
  std::string source = tag_of(r.section) + "\n" + line + "\n" + tag_of(r.section, true) + "\n";
  for (std::string_view section = r.section;
       !(section = wording::count_of(section, vocabulary)).empty();) {
    source = tag_of(section) + "\n1\n" + tag_of(section, true) + "\n" + source;
  }
  return source;
}

// The source's name for a kind: its own, or one of its prefix.
std::string source_name(const Kind& kind) {
  return kind.match == Match::Name ? std::string(kind.source) : std::string(kind.source) + "_1.txt";
}

TEST(References, EveryDeclaredReferenceAgainstItsList) {
  const std::vector<Reference> references = declared_references();
  ASSERT_FALSE(references.empty());
  // Each cell: the number, the list's source (its entries and its count; none at all where
  // `list_folder` is null), the folders of both under the folder given, and what the check of
  // that folder (-r) tells: "-" nothing, "N" beyond a list of N entries, "-1" below 0. Where the
  // list holds at most 256 entries, `bounded` is told instead of `want`.
  struct Cell {
    const char* what;
    int number;
    int entries;
    int count;
    const char* list_folder;
    const char* folder;
    const char* want;
    const char* bounded;
  };
  const Cell cells[] = {
      {"first", 0, 3, 3, "g/", "g/", "-", "-"},
      {"last", 3, 3, 3, "g/", "g/", "-", "-"},
      {"beyond", 4, 3, 3, "g/", "g/", "3", "3"},
      {"far beyond", 100000, 3, 3, "g/", "g/", "3", "3"},
      {"negative", -1, 3, 3, "g/", "g/", "-1", "-1"},
      {"no list", 4, 0, 0, nullptr, "g/", "-", "-"},
      {"another folder", 4, 3, 3, "h/", "g/", "-", "-"},
      {"nested, list above", 4, 3, 3, "g/", "g/sub/", "-", "-"},
      {"nested, list beside", 4, 3, 3, "g/sub/", "g/sub/", "3", "3"},
      {"count of 0", 0, 0, 0, "g/", "g/", "-", "-"},
      {"count of 0, beyond", 1, 0, 0, "g/", "g/", "0", "0"},
      {"count above 256", 290, 3, 300, "g/", "g/", "-", "256"},
      {"beyond a count above 256", 301, 3, 300, "g/", "g/", "300", "256"},
      // The treasure list alone refuses a source: one line more than its count.
      {"refused", 4, 4, 3, "g/", "g/", "-", "-"},
  };
  for (const Reference& r : references) {
    const auto file = kListFiles.find(r.list);
    ASSERT_NE(file, kListFiles.end()) << r.kind->name() << " <" << r.section << ">";
    const bool bounded = r.list == kMusicList || r.list == kSoundList;
    std::printf("%s <%s> value %zu indexes %s\n", std::string(r.kind->name()).c_str(),
                std::string(r.section).c_str(), r.value + 1, file->second.c_str());
    for (const Cell& c : cells) {
      if (std::string_view(c.what) == "refused" && r.list != kTreasureList) continue;
      TempDir dir;
      fs::create_directories(fs_path(dir / "g/sub"));
      fs::create_directories(fs_path(dir / "h"));
      write_file(dir / (c.folder + source_name(*r.kind)), referring_source(r, c.number));
      if (c.list_folder != nullptr)
        write_file(dir / (c.list_folder + file->second), list_source(r.list, c.entries, c.count));
      RecordingConsole console;
      run_driver({"--check", "-r", dir / "g", dir / "h"}, system_files(), console);
      std::string got;
      for (const std::string& e : console.errors) {
        if (!e.ends_with("[reference]")) continue;
        const std::size_t holds = e.find(" holds ") + 7;
        got += (got.empty() ? "" : "; ") + (e.find("a negative number") != std::string::npos
                                                ? std::string("-1")
                                                : e.substr(holds, e.find(' ', holds) - holds));
      }
      EXPECT_EQ(got.empty() ? "-" : got, bounded ? c.bounded : c.want)
          << r.kind->name() << " <" << r.section << "> value " << r.value + 1 << ", " << c.what
          << "\n"
          << referring_source(r, c.number) << console.all_errors();
    }
  }
}

}  // namespace
}  // namespace kelv::test
