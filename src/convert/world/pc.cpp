#include "convert/world/pc.h"

#include <algorithm>

#include "format/counted_table.h"
#include "format/sections.h"

namespace kelv {
namespace {

using P = PlayerCharacter;

void on_chip(P& c, const Line& l) {
  auto& v = c.chip.values;
  auto& x = c.chip_extra;
  l.scan("%s %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d", c.chip.file_name, v[0], v[1],
         v[2], v[3], v[4], v[5], v[6], v[7], v[8], x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7]);
}

void on_face(P& c, const Line& l) {
  auto& v = c.face.values;
  l.scan("%s %d %d %d %d %d %d %d %d %d", c.face.file_name, v[0], v[1], v[2], v[3], v[4], v[5],
         v[6], v[7], v[8]);
}

void on_equipment(P& c, const Line& l) {
  if (c.equipment_index >= c.equipment_count) {
    l.note(Note::LineUnused);
    return;
  }
  l.scan("%d", c.equipment[static_cast<std::size_t>(c.equipment_index++)]);
}

// A new capacity discards the items read so far.
void on_capacity(P& c, const Line& l) {
  l.scan("%d", c.item_capacity);
  if (!c.items.make(c.item_capacity)) l.note(Note::TableRefused, c.item_capacity);
}

// The count is cut against the capacity held now; it has no lower limit.
void on_item_count(P& c, const Line& l) {
  l.scan("%d", c.item_count);
  if (c.item_count > c.item_capacity) l.note(Note::CountClamped, c.item_count, c.item_capacity);
  if (c.item_count >= c.item_capacity) c.item_count = c.item_capacity;
}

// Used while the index is below the item count and inside the list (a later, smaller capacity
// may have left the count past it).
void on_item(P& c, const Line& l) {
  PcItem* item = c.item_index < c.item_count ? c.items.at(c.item_index) : nullptr;
  if (item == nullptr) {
    l.note(Note::LineUnused);
    return;
  }
  l.scan("%d %d", item->value1, item->value2);
  ++c.item_index;
}

constexpr Section<P> kSections[] = {
    {"pc_name", [](P& c, const Line& l) { l.copy_into(c.name); }},
    {"pc_main_data",
     [](P& c, const Line& l) {
       auto& v = c.main_values;
       l.scan("%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d", v[0], v[1], v[2],
              v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12], v[13], v[14], v[15],
              v[16], v[17], v[18], v[19], v[20]);
     }},
    {"pc_chip_data", on_chip},
    {"pc_face_data", on_face},
    {"pc_equipment_number",
     [](P& c, const Line& l) { count_line_at_most(l, c.equipment_count, kEquipmentSlots); }},
    {"pc_equipment_data", on_equipment, [](P& c) { c.equipment_index = 0; }},
    {"pc_item_max_number", on_capacity},
    {"pc_item_number", on_item_count},
    {"pc_item_data", on_item, [](P& c) { c.item_index = 0; }},
};

}  // namespace

bool PlayerCharacter::read(ByteSource& source, Report& report) {
  release();
  walk<P>(source, kShortLines, *this, kSections, report);
  return true;
}

std::int32_t PlayerCharacter::written_item_count() const {
  if (!items.present()) return item_count;
  return std::clamp<std::int64_t>(item_count, 0, static_cast<std::int64_t>(items.size()));
}

// The keys are paired with the contents as the engine reads them: the equipment values travel
// under "pc_equipment_number", the capacity under "pc_equipment_data", the item count under
// "pc_item_max_number" and the items under "pc_item_number". "pc_item_data" is never written,
// but the field count still counts it.
KeyedData PlayerCharacter::write() {
  KeyedData out(8);
  out.field("pc_name", KeyedData::counted_size(name));
  out.counted(name);

  out.i32_field("pc_main_data", main_values);

  out.field("pc_image_data", KeyedData::counted_size(chip.file_name) +
                                 KeyedData::counted_size(face.file_name) + 104);
  out.counted(chip.file_name);
  for (const std::int32_t v : chip.values)
    out.i32(v);
  out.counted(face.file_name);
  for (const std::int32_t v : face.values)
    out.i32(v);
  for (const std::int32_t v : chip_extra)
    out.i32(v);

  out.i32_field("pc_equipment_number", equipment);

  out.i32_field("pc_equipment_data", item_capacity);

  const std::int32_t count = written_item_count();
  out.i32_field("pc_item_max_number", count);

  if (items.present()) {
    const auto written = items.all().first(static_cast<std::size_t>(count));
    out.field("pc_item_number", static_cast<std::int64_t>(written.size_bytes()));
    out.records(std::span<const PcItem>(written));
  }
  return out;
}

void PlayerCharacter::release() {
  items.reset();
  name = {};
  main_values = {};
  chip = {};
  face = {};
  chip_extra = {};
  equipment = {};
  item_capacity = 0;
  item_count = 0;
  equipment_count = 0;
  equipment_index = 0;
  item_index = 0;
}

}  // namespace kelv
