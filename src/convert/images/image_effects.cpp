#include "convert/images/image_effects.h"

#include "format/counted_table.h"
#include "format/sections.h"

namespace kelv {
namespace {

using E = ImageEffects;

constexpr std::int64_t kPositionBytes = sizeof(EffectPosition);

// A count line replaces the table, also when it holds no number (the count then stays).
void on_effect_count(E& c, const Line& l) {
  l.scan("%d", c.effect_count);
  if (!c.budget.make_entries(c.effects, c.effect_count)) l.note(Note::TableRefused, c.effect_count);
}

ImageEffect* current(E& c, const Line& l) {
  return record_for(l, c.effects, c.effect_index);
}

// Every line of the section scans into the same effect, over what earlier lines gave.
void on_main_data(E& c, const Line& l) {
  ImageEffect* e = current(c, l);
  if (e == nullptr) return;
  EffectMainData& m = e->main;
  auto& a = m.values_8_to_12;
  auto& b = m.values_13_to_16;
  l.scan("%d %d %d %d %d %d %s %d %d %d %d %d %d %d %d %d", m.value_1, m.value_2, m.value_3,
         m.value_4, m.value_5, m.value_6, m.file_name, a[0], a[1], a[2], a[3], a[4], b[0], b[1],
         b[2], b[3]);
}

// Replaces the current effect's list, also when the line holds no number.
void on_position_count(E& c, const Line& l) {
  ImageEffect* e = current(c, l);
  if (e == nullptr) return;
  l.scan("%d", e->position_count);
  if (!c.budget.make_list(e->positions, e->position_count)) {
    l.note(Note::TableRefused, e->position_count);
  }
}

// Every line takes the next position, also one that scans nothing.
void on_position(E& c, const Line& l) {
  ImageEffect* e = current(c, l);
  if (e == nullptr) return;
  EffectPosition* p = next_record(l, e->positions, c.position_index);
  if (p == nullptr) return;
  l.scan("%d %d %d %d", p->values[0], p->values[1], p->values[2], p->values[3]);
}

// The closing effect tag comes last, so it is seen only while no section is open.
constexpr Section<E> kSections[] = {
    {"image_effect_number", on_effect_count},
    {"image_effect_main_data", on_main_data},
    {"image_effect_pos_number", on_position_count},
    {"image_effect_pos_data", on_position, [](E& c) { c.position_index = 0; }},
    {"image_effect_data", nullptr, nullptr, [](E& c) { ++c.effect_index; }, true},
};

}  // namespace

bool ImageEffects::read(ByteSource& source, Report& report) {
  release();
  effect_index = 0;
  position_index = 0;
  walk<E>(source, kShortLines, *this, kSections, report);
  return true;
}

// An effect whose list is absent is written with the position count 0, so that the data size
// and the bytes that follow always agree.
KeyedData ImageEffects::write() {
  KeyedData out(2);
  out.i32_field("image_effect_number", effect_count);
  if (!effects.present()) return out;
  std::int64_t size = 0;
  for (const ImageEffect& e : effects.all()) {
    size += kEffectBytes + static_cast<std::int64_t>(e.positions.size()) * kPositionBytes;
  }
  out.field("image_effect_data", size);
  for (const ImageEffect& e : effects.all()) {
    out.record(e.main);
    out.i32(static_cast<std::int32_t>(e.positions.size()));
    out.records(e.positions.all());
  }
  return out;
}

void ImageEffects::release() {
  effects.reset();
  effect_count = 0;
}

}  // namespace kelv
