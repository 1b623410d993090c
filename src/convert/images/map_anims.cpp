#include "convert/images/map_anims.h"

#include "convert/declare.h"

namespace kelv {
namespace {

constexpr auto kMainLine =
    line(value<&MapAnimations::value_1>("value1"), value<&MapAnimations::value_2>("value2"),
         value<&MapAnimations::value_3>("value3"), value<&MapAnimations::image_name>("image_name"));
constexpr auto kPositionLine =
    line(value<&MapAnimPosition::first>("value1"), value<&MapAnimPosition::second>("value2"));
constexpr ValueShape kPositionCount{"map_anim_pos_number"};

constexpr Entries<MapAnimations, MapAnimation> kAnimations{
    &MapAnimations::animation_count, &MapAnimations::animations, &MapAnimations::animation_index,
    &MapAnimations::budget, MapAnimations::kAnimationBytes};
constexpr EntryList<MapAnimations, MapAnimation, MapAnimPosition> kPositions{
    &MapAnimation::positions, &MapAnimation::position_count, &MapAnimations::position_index};

// The main data is written name first, then values 2, 3 and 1.
template <class L>
void main_field(L& l, MapAnimations& c, const Section<MapAnimations>& s) {
  l.field(s.name, [&](auto& d) {
    d.text(c.image_name, kMainLine.shapes[3]);
    d.i32(c.value_2, kMainLine.shapes[1]);
    d.i32(c.value_3, kMainLine.shapes[2]);
    d.i32(c.value_1, kMainLine.shapes[0]);
  });
}

constexpr Section<MapAnimations> main_section() {
  Section<MapAnimations> s = line_section<kMainLine>("map_anim_main_data", {.carries_over = true});
  s.write = main_field<DataWriter>;
  s.load = main_field<DataReader>;
  return s;
}

// An animation: its position count and positions. A record whose list is absent is written with
// the position count 0, so that the data size and the bytes always agree.
struct AnimationEntry {
  template <class D>
  void operator()(D& e, MapAnimation& a) const {
    e.list(a.positions, a.position_count, kPositionLine, kPositionCount);
  }
};

// Both position sections start the list over. The closing block tag comes last, so it is seen
// only while no section is open.
constexpr auto kSections = sections<MapAnimations>(
    main_section(),
    entry_count<kAnimations>(
        "map_anim_number",
        {.note = tr("the number of animations; a count line makes a new table of empty ones")}),
    entry_list_count<kAnimations, kPositions, kPositionCount, true>(
        {.note = tr("the number of positions of the current animation; makes a new list of them")}),
    entry_records<kAnimations, kPositions, kPositionLine>(
        "map_anim_pos_data",
        {.note = tr("positions of the current animation; the opening tag starts again at the "
                    "first")}),
    entry_marker<kAnimations, AnimationEntry>(
        "map_anim_data",
        {.note = tr("ends an animation, outside every section: the sections after it fill the next "
                    "one")}));
constexpr Group<MapAnimations> kGroups[] = {kSections};

}  // namespace

const Declaration<MapAnimations>& MapAnimations::declaration() {
  static constexpr Declaration<MapAnimations> d{
      .about = tr(
          "a map animation: its image and three numbers, then the animations and their positions"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

void MapAnimations::start_reading() {
  release();
  animation_index = 0;
  position_index = 0;
}

void MapAnimations::release() {
  animations.reset();
  animation_count = 0;
}

}  // namespace kelv
