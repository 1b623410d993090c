#include "convert/rules/levels.h"

#include <utility>

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

void on_count(R& r, const Line& l) {
  l.scan("%d", r.list.level_count);
  if (!r.list.levels.make(r.list.level_count)) l.note(Note::TableRefused, r.list.level_count);
}

void on_level(R& r, const Line& l) {
  LevelEntry* level = r.list.levels.at(r.next);
  if (level == nullptr) {
    l.note(Note::LineUnused);
    return;
  }
  l.scan("%d %d", level->value1, level->value2);
  ++r.next;
}

constexpr Section<R> kSections[] = {
    {"level_number", on_count},
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
  out.field("level_number", 4);
  out.i32(level_count);
  if (levels.present()) {
    out.field("level_data", static_cast<std::int64_t>(levels.all().size_bytes()));
    out.records(std::as_const(levels).all());
  }
  out.field("level_add", 8);
  out.i32(level_add[0]);
  out.i32(level_add[1]);
  out.field("level_max", 4);
  out.i32(level_max);
  return out;
}

void LevelList::release() {
  levels.reset();
  level_count = 0;
}

}  // namespace kelv
