#include "convert/images/map_anims.h"

#include "format/counted_table.h"
#include "format/sections.h"

namespace kelv {
namespace {

using M = MapAnimations;

constexpr std::int64_t kPositionBytes = sizeof(MapAnimPosition);

void on_main_data(M& c, const Line& l) {
  l.scan("%d %d %d %s", c.value_1, c.value_2, c.value_3, c.image_name);
}

// A count line replaces the table, also when it holds no number (the count then stays).
void on_animation_count(M& c, const Line& l) {
  l.scan("%d", c.animation_count);
  if (!c.budget.make_entries(c.animations, c.animation_count)) {
    l.note(Note::TableRefused, c.animation_count);
  }
}

MapAnimation* current(M& c, const Line& l) {
  return record_for(l, c.animations, c.animation_index);
}

// Replaces the current record's list, also when the line holds no number.
void on_position_count(M& c, const Line& l) {
  MapAnimation* a = current(c, l);
  if (a == nullptr) return;
  l.scan("%d", a->position_count);
  if (!c.budget.make_list(a->positions, a->position_count)) {
    l.note(Note::TableRefused, a->position_count);
  }
}

// Every line takes the next position, also one that scans nothing.
void on_position(M& c, const Line& l) {
  MapAnimation* a = current(c, l);
  if (a == nullptr) return;
  MapAnimPosition* p = next_record(l, a->positions, c.position_index);
  if (p == nullptr) return;
  l.scan("%d %d", p->first, p->second);
}

// Both position sections start the list over. The closing block tag comes last, so it is seen
// only while no section is open.
constexpr Section<M> kSections[] = {
    {"map_anim_main_data", on_main_data},
    {"map_anim_number", on_animation_count},
    {"map_anim_pos_number", on_position_count, [](M& c) { c.position_index = 0; }},
    {"map_anim_pos_data", on_position, [](M& c) { c.position_index = 0; }},
    {"map_anim_data", nullptr, nullptr, [](M& c) { ++c.animation_index; }, true},
};

}  // namespace

bool MapAnimations::read(ByteSource& source, Report& report) {
  release();
  animation_index = 0;
  position_index = 0;
  walk<M>(source, kShortLines, *this, kSections, report);
  return true;
}

// The main data is written name first, then values 2, 3 and 1. A record whose list is absent
// is written with the position count 0, so that the data size and the bytes always agree.
KeyedData MapAnimations::write() {
  KeyedData out(3);
  out.field("map_anim_main_data", KeyedData::counted_size(image_name) + 12);
  out.counted(image_name);
  out.i32(value_2);
  out.i32(value_3);
  out.i32(value_1);
  out.i32_field("map_anim_number", animation_count);
  if (!animations.present()) return out;
  std::int64_t size = 0;
  for (const MapAnimation& a : animations.all()) {
    size += kAnimationBytes + static_cast<std::int64_t>(a.positions.size()) * kPositionBytes;
  }
  out.field("map_anim_data", size);
  for (const MapAnimation& a : animations.all()) {
    out.i32(static_cast<std::int32_t>(a.positions.size()));
    out.records(a.positions.all());
  }
  return out;
}

// The main data stays for the next file.
void MapAnimations::release() {
  animations.reset();
  animation_count = 0;
}

}  // namespace kelv
