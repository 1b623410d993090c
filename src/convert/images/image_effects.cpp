#include "convert/images/image_effects.h"

#include "convert/declare.h"

namespace kelv {
namespace {

using Main = EffectMainData;

constexpr auto kMainLine =
    line(value<&Main::value_1>("value1"), value<&Main::value_2>("value2"),
         value<&Main::value_3>("value3"), value<&Main::value_4>("value4"),
         value<&Main::value_5>("value5"), value<&Main::value_6>("value6"),
         value<&Main::file_name>("file_name"), values<&Main::values_8_to_12>("value", 8),
         values<&Main::values_13_to_16>("value", 13));
constexpr auto kPositionLine = line(values<&EffectPosition::values>("value", 1));
constexpr ValueShape kPositionCount{"image_effect_pos_number"};

constexpr Entries<ImageEffects, ImageEffect> kEffects{
    &ImageEffects::effect_count, &ImageEffects::effects, &ImageEffects::effect_index,
    &ImageEffects::budget, ImageEffects::kEffectBytes};
constexpr EntryList<ImageEffects, ImageEffect, EffectPosition> kPositions{
    &ImageEffect::positions, &ImageEffect::position_count, &ImageEffects::position_index};

// An effect's main data as held, then its position count and positions. An effect whose list is
// absent is written with the position count 0, so that the data size and the bytes that follow
// always agree.
struct EffectEntry {
  template <class D>
  void operator()(D& e, ImageEffect& x) const {
    e.held(x.main, kMainLine);
    e.list(x.positions, x.position_count, kPositionLine, kPositionCount);
  }
};

// Every line of the main data scans into the same effect, over what earlier lines gave. The
// closing effect tag comes last, so it is seen only while no section is open.
constexpr auto kSections = sections<ImageEffects>(
    entry_count<kEffects>(
        "image_effect_number",
        {.note = tr("the number of effects; a count line makes a new table of empty effects")}),
    entry_line_section<kEffects, kMainLine, &ImageEffect::main>(
        "image_effect_main_data", {.note = tr("of the current effect")}),
    entry_list_count<kEffects, kPositions, kPositionCount>(
        {.note = tr("the number of positions of the current effect; makes a new list of them")}),
    entry_records<kEffects, kPositions, kPositionLine>(
        "image_effect_pos_data",
        {.note = tr("positions of the current effect; the opening tag starts again at the first")}),
    entry_marker<kEffects, EffectEntry>(
        "image_effect_data",
        {.note = tr("ends an effect, outside every section: the sections after it fill the next "
                    "effect")}));
constexpr Group<ImageEffects> kGroups[] = {kSections};

}  // namespace

const Declaration<ImageEffects>& ImageEffects::declaration() {
  static constexpr Declaration<ImageEffects> d{
      .about = tr("the image effects, each with its positions"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

void ImageEffects::start_reading() {
  release();
  effect_index = 0;
  position_index = 0;
}

void ImageEffects::release() {
  effects.reset();
  effect_count = 0;
}

}  // namespace kelv
