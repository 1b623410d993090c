#include "convert/rules/levels.h"

namespace kelv {
namespace {

constexpr auto kLevelLine =
    line(value<&LevelEntry::value1>("value1"), value<&LevelEntry::value2>("value2"));
constexpr auto kAddLine = line(values<&LevelList::level_add>("value", 1));
constexpr auto kMaxLine = line(value<&LevelList::level_max>("level_max"));

// One reading: the running index is never set back, so a second data section goes on after
// the last level filled.
struct LevelReading {
  LevelList& list;
  std::int64_t next = 0;
};

using R = LevelReading;

void on_level(R& r, const Line& l) {
  if (LevelEntry* level = r.list.levels.next(l, r.next)) l.scan(kLevelLine, *level);
}

constexpr Section<R> kSections[] = {
    {.name = "level_number",
     .on_data = [](R& r, const Line& l) { r.list.levels.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty levels; levels read before are lost"},
    {.name = "level_data",
     .on_data = on_level,
     .role = Role::Records,
     .unfilled = [](R& r) { return unfilled(r.list.levels.table, r.next); },
     .line = kLevelLine.shape(),
     .note = "the levels go on from the last one filled, also in a second data section"},
    {.name = "level_add",
     .on_data = [](R& r, const Line& l) { l.scan(kAddLine, r.list); },
     .line = kAddLine.shape(),
     .note = "kept for the next level file of the run"},
    {.name = "level_max",
     .on_data = [](R& r, const Line& l) { l.scan(kMaxLine, r.list); },
     .line = kMaxLine.shape(),
     .note = "kept for the next level file of the run"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

template <class L>
void layout(L& l, LevelList& c) {
  l.fields(4);
  counted_fields(l, c.levels, "level_number", "level_data", kLevelLine);
  l.field("level_add", [&](auto& d) { d.line(kAddLine, c); });
  l.field("level_max", [&](auto& d) { d.line(kMaxLine, c); });
}

}  // namespace

const Vocabulary& LevelList::vocabulary() const {
  static constexpr Vocabulary v{"the levels, the level add pair and the level maximum", kShortLines,
                                kGroups,
                                "the level add pair and the level maximum the earlier file gave"};
  return v;
}

bool LevelList::read(ByteSource& source, Report& report) {
  LevelReading reading{*this};
  walk<R>(source, kShortLines, reading, kSections, report);
  return true;
}

void LevelList::write(DataWriter& out) {
  layout(out, *this);
}

void LevelList::load(DataReader& in) {
  layout(in, *this);
}

void LevelList::decompile(SourceWriter& out) {
  decompile_counted(out, levels, "level_number", "level_data", kLevelLine);
  out.section("level_add", kAddLine, *this);
  out.section("level_max", kMaxLine, *this);
}

void LevelList::release() {
  levels.release();
}

}  // namespace kelv
