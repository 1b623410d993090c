#include "convert/images/map_anims.h"

#include "format/counted_table.h"

namespace kelv {
namespace {

using M = MapAnimations;

constexpr auto kMainLine = line(value<&M::value_1>("value1"), value<&M::value_2>("value2"),
                                value<&M::value_3>("value3"), value<&M::image_name>("image_name"));
constexpr auto kPositionLine =
    line(value<&MapAnimPosition::first>("value1"), value<&MapAnimPosition::second>("value2"));
constexpr ValueShape kPositionCount{"map_anim_pos_number"};

// A count line replaces the table, also when it holds no number (the count then stays).
void on_animation_count(M& c, const Line& l) {
  l.scan_number(c.animation_count, kCountValue);
  tell_table(l, c.budget.make_entries(c.animations, c.animation_count), c.animation_count,
             M::kAnimationBytes);
}

MapAnimation* current(M& c, const Line& l) {
  return record_for(l, c.animations, c.animation_index);
}

// Replaces the current record's list, also when the line holds no number.
void on_position_count(M& c, const Line& l) {
  MapAnimation* a = current(c, l);
  if (a == nullptr) return;
  l.scan_number(a->position_count, kPositionCount);
  tell_table(l, c.budget.make_list(a->positions, a->position_count), a->position_count,
             sizeof(MapAnimPosition));
}

// Every line takes the next position, also one that scans nothing.
void on_position(M& c, const Line& l) {
  MapAnimation* a = current(c, l);
  if (a == nullptr) return;
  if (MapAnimPosition* p = next_record(l, a->positions, c.position_index)) {
    l.scan(kPositionLine, *p);
  }
}

// Both position sections start the list over. The closing block tag comes last, so it is seen
// only while no section is open.
constexpr Section<M> kSections[] = {
    {.name = "map_anim_main_data",
     .on_data = [](M& c, const Line& l) { l.scan(kMainLine, c); },
     .line = kMainLine.shape(),
     .note = "kept for the next map animation file of the run"},
    {.name = "map_anim_number",
     .on_data = on_animation_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of animations; a count line makes a new table of empty ones"},
    {.name = "map_anim_pos_number",
     .on_data = on_position_count,
     .on_open = [](M& c) { c.position_index = 0; },
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of positions of the current animation; makes a new list of them"},
    {.name = "map_anim_pos_data",
     .on_data = on_position,
     .on_open = [](M& c) { c.position_index = 0; },
     .role = Role::Records,
     .unfilled = [](M& c) -> std::int64_t {
       const MapAnimation* a = c.animations.at(c.animation_index);
       return a != nullptr ? unfilled(a->positions, c.position_index) : 0;
     },
     .line = kPositionLine.shape(),
     .note = "positions of the current animation; the opening tag starts again at the first"},
    {.name = "map_anim_data",
     .on_close = [](M& c) { ++c.animation_index; },
     .role = Role::Marker,
     .note = "ends an animation, outside every section: the sections after it fill the next one"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// The main data is written name first, then values 2, 3 and 1. A record whose list is absent
// is written with the position count 0, so that the data size and the bytes always agree.
template <class L>
void layout(L& l, M& c) {
  l.fields(3);
  l.field("map_anim_main_data", [&](auto& d) {
    d.text(c.image_name, kMainLine.shapes[3]);
    d.i32(c.value_2, kMainLine.shapes[1]);
    d.i32(c.value_3, kMainLine.shapes[2]);
    d.i32(c.value_1, kMainLine.shapes[0]);
  });
  l.field("map_anim_number", [&](auto& d) { d.i32(c.animation_count, kCountValue); });
  l.field_if(c.animations.present(), "map_anim_data", [&](auto& d) {
    d.each(c.animations, c.animation_count, M::kAnimationBytes, [](auto& e, MapAnimation& a) {
      e.list(a.positions, a.position_count, kPositionLine, kPositionCount);
    });
  });
}

}  // namespace

const Vocabulary& MapAnimations::vocabulary() const {
  static constexpr Vocabulary v{
      "a map animation: its image and three numbers, then the animations and their positions",
      kShortLines, kGroups,
      "the main data (the image and its three numbers) the earlier file gave"};
  return v;
}

bool MapAnimations::read(ByteSource& source, Report& report) {
  release();
  animation_index = 0;
  position_index = 0;
  walk<M>(source, kShortLines, *this, kSections, report);
  return true;
}

void MapAnimations::write(DataWriter& out) {
  layout(out, *this);
}

void MapAnimations::load(DataReader& in) {
  layout(in, *this);
}

void MapAnimations::decompile(SourceWriter& out) {
  out.section("map_anim_main_data", kMainLine, *this);
  if (!animations.present() && animation_count == 0) return;
  out.count_section("map_anim_number", animation_count);
  for (const MapAnimation& a : animations.all()) {
    out.count_section("map_anim_pos_number", a.position_count);
    if (a.positions.size() > 0) {
      out.records("map_anim_pos_data", a.positions.all(), kPositionLine);
    }
    out.marker("map_anim_data");
  }
}

// The main data stays for the next file.
void MapAnimations::release() {
  animations.reset();
  animation_count = 0;
}

}  // namespace kelv
