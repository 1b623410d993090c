#include "convert/rules/levels.h"

#include "format/sections.h"

namespace kelv {
namespace {

// One reading: the running index is never set back, so a second data section goes on after
// the last level filled.
struct LevelReading {
  LevelList& list;
  std::int64_t next = 0;
};

using R = LevelReading;

void on_level(R& r, const Line& l) {
  if (LevelEntry* level = r.list.levels.next(l, r.next)) {
    l.scan("%d %d", level->value1, level->value2);
  }
}

constexpr Section<R> kSections[] = {
    {"level_number", [](R& r, const Line& l) { r.list.levels.count_line(l); }},
    {"level_data", on_level},
    {"level_add",
     [](R& r, const Line& l) { l.scan("%d %d", r.list.level_add[0], r.list.level_add[1]); }},
    {"level_max", [](R& r, const Line& l) { l.scan("%d", r.list.level_max); }},
};

}  // namespace

bool LevelList::read(ByteSource& source, Report& report) {
  LevelReading reading{*this};
  walk<R>(source, kShortLines, reading, kSections, report);
  return true;
}

KeyedData LevelList::write() {
  KeyedData out(4);
  levels.write(out, "level_number", "level_data");
  out.i32_field("level_add", level_add);
  out.i32_field("level_max", level_max);
  return out;
}

void LevelList::release() {
  levels.release();
}

}  // namespace kelv
