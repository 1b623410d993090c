#include "convert/images/image_effects.h"

#include "format/counted_table.h"

namespace kelv {
namespace {

using E = ImageEffects;
using M = EffectMainData;

constexpr auto kMainLine =
    line(value<&M::value_1>("value1"), value<&M::value_2>("value2"), value<&M::value_3>("value3"),
         value<&M::value_4>("value4"), value<&M::value_5>("value5"), value<&M::value_6>("value6"),
         value<&M::file_name>("file_name"), values<&M::values_8_to_12>("value", 8),
         values<&M::values_13_to_16>("value", 13));
constexpr auto kPositionLine = line(values<&EffectPosition::values>("value", 1));
constexpr ValueShape kPositionCount{"image_effect_pos_number"};

// A count line replaces the table, also when it holds no number (the count then stays).
void on_effect_count(E& c, const Line& l) {
  l.scan_number(c.effect_count, kCountValue);
  tell_table(l, c.budget.make_entries(c.effects, c.effect_count), c.effect_count, E::kEffectBytes);
}

ImageEffect* current(E& c, const Line& l) {
  return record_for(l, c.effects, c.effect_index);
}

// Every line of the section scans into the same effect, over what earlier lines gave.
void on_main_data(E& c, const Line& l) {
  if (ImageEffect* e = current(c, l)) l.scan(kMainLine, e->main);
}

// Replaces the current effect's list, also when the line holds no number.
void on_position_count(E& c, const Line& l) {
  ImageEffect* e = current(c, l);
  if (e == nullptr) return;
  l.scan_number(e->position_count, kPositionCount);
  tell_table(l, c.budget.make_list(e->positions, e->position_count), e->position_count,
             sizeof(EffectPosition));
}

// Every line takes the next position, also one that scans nothing.
void on_position(E& c, const Line& l) {
  ImageEffect* e = current(c, l);
  if (e == nullptr) return;
  if (EffectPosition* p = next_record(l, e->positions, c.position_index)) l.scan(kPositionLine, *p);
}

// The closing effect tag comes last, so it is seen only while no section is open.
constexpr Section<E> kSections[] = {
    {.name = "image_effect_number",
     .on_data = on_effect_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of effects; a count line makes a new table of empty effects"},
    {.name = "image_effect_main_data",
     .on_data = on_main_data,
     .line = kMainLine.shape(),
     .note = "of the current effect"},
    {.name = "image_effect_pos_number",
     .on_data = on_position_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "the number of positions of the current effect; makes a new list of them"},
    {.name = "image_effect_pos_data",
     .on_data = on_position,
     .on_open = [](E& c) { c.position_index = 0; },
     .role = Role::Records,
     .unfilled = [](E& c) -> std::int64_t {
       const ImageEffect* e = c.effects.at(c.effect_index);
       return e != nullptr ? unfilled(e->positions, c.position_index) : 0;
     },
     .line = kPositionLine.shape(),
     .note = "positions of the current effect; the opening tag starts again at the first"},
    {.name = "image_effect_data",
     .on_close = [](E& c) { ++c.effect_index; },
     .role = Role::Marker,
     .note = "ends an effect, outside every section: the sections after it fill the next effect"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// An effect's main data as held, then its position count and positions. An effect whose list is
// absent is written with the position count 0, so that the data size and the bytes that follow
// always agree.
template <class L>
void layout(L& l, E& c) {
  l.fields(2);
  l.field("image_effect_number", [&](auto& d) { d.i32(c.effect_count, kCountValue); });
  l.field_if(c.effects.present(), "image_effect_data", [&](auto& d) {
    d.each(c.effects, c.effect_count, E::kEffectBytes, [](auto& e, ImageEffect& x) {
      e.held(x.main, kMainLine);
      e.list(x.positions, x.position_count, kPositionLine, kPositionCount);
    });
  });
}

}  // namespace

const Vocabulary& ImageEffects::vocabulary() const {
  static constexpr Vocabulary v{
      "the image effects, each with its positions", kShortLines, kGroups, {}};
  return v;
}

bool ImageEffects::read(ByteSource& source, Report& report) {
  release();
  effect_index = 0;
  position_index = 0;
  walk<E>(source, kShortLines, *this, kSections, report);
  return true;
}

void ImageEffects::write(DataWriter& out) {
  layout(out, *this);
}

void ImageEffects::load(DataReader& in) {
  layout(in, *this);
}

void ImageEffects::decompile(SourceWriter& out) {
  if (!effects.present() && effect_count == 0) return;
  out.count_section("image_effect_number", effect_count);
  for (const ImageEffect& x : effects.all()) {
    out.section("image_effect_main_data", kMainLine, x.main);
    out.count_section("image_effect_pos_number", x.position_count);
    if (x.positions.size() > 0) {
      out.records("image_effect_pos_data", x.positions.all(), kPositionLine);
    }
    out.marker("image_effect_data");
  }
}

void ImageEffects::release() {
  effects.reset();
  effect_count = 0;
}

}  // namespace kelv
