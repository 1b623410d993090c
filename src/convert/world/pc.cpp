#include "convert/world/pc.h"

#include <algorithm>

#include "format/counted_table.h"

namespace kelv {
namespace {

using P = PlayerCharacter;

constexpr auto kNameLine = line(text<&P::name>("pc_name"));
constexpr auto kMainLine = line(values<&P::main_values>("value", 1));
constexpr auto kChipLine =
    line(value<&PcChip::file_name>("file_name"), values<&PcChip::values>("value", 1),
         values<&PcChip::extra>("value", 10));
constexpr auto kFaceLine =
    line(value<&PcImage::file_name>("file_name"), values<&PcImage::values>("value", 1));
constexpr auto kEquipmentLine = line(value<&PcEquipment::value>("value"));
constexpr auto kItemLine = line(value<&PcItem::value1>("value1"), value<&PcItem::value2>("value2"));
constexpr ValueShape kCapacity{"pc_item_max_number"};
constexpr ValueShape kItemCount{"pc_item_number"};

void on_equipment(P& c, const Line& l) {
  if (c.equipment_index >= c.equipment_count) {
    l.note(Note::LineUnused, c.equipment_count);
    return;
  }
  l.scan(kEquipmentLine, c.equipment[static_cast<std::size_t>(c.equipment_index++)]);
}

// A new capacity discards the items read so far.
void on_capacity(P& c, const Line& l) {
  l.scan_number(c.item_capacity, kCapacity);
  tell_table(l, c.items.make(c.item_capacity), c.item_capacity, sizeof(PcItem));
}

// The count is cut against the capacity held now; it has no lower limit.
void on_item_count(P& c, const Line& l) {
  l.scan_number(c.item_count, kItemCount);
  if (c.item_count > c.item_capacity) l.note(Note::CountClamped, c.item_count, c.item_capacity);
  if (c.item_count >= c.item_capacity) c.item_count = c.item_capacity;
}

// Used while the index is below the item count and inside the list (a later, smaller capacity
// may have left the count past it).
void on_item(P& c, const Line& l) {
  PcItem* item = c.item_index < c.item_count ? c.items.at(c.item_index) : nullptr;
  if (item == nullptr) {
    l.note(Note::LineUnused,
           c.items.present() ? std::min<std::int64_t>(c.item_count, c.items.size()) : -1);
    return;
  }
  l.scan(kItemLine, *item);
  ++c.item_index;
}

constexpr Section<P> kSections[] = {
    {.name = "pc_name",
     .on_data = [](P& c, const Line& l) { l.scan(kNameLine, c); },
     .line = kNameLine.shape(),
     .note = "the whole line, of which the first 64 bytes are kept"},
    {.name = "pc_main_data",
     .on_data = [](P& c, const Line& l) { l.scan(kMainLine, c); },
     .line = kMainLine.shape()},
    {.name = "pc_chip_data",
     .on_data = [](P& c, const Line& l) { l.scan(kChipLine, c.chip); },
     .line = kChipLine.shape(),
     .note = "the chip image and its values"},
    {.name = "pc_face_data",
     .on_data = [](P& c, const Line& l) { l.scan(kFaceLine, c.face); },
     .line = kFaceLine.shape(),
     .note = "the face image and its values"},
    {.name = "pc_equipment_number",
     .on_data = [](P& c,
                   const Line& l) { count_line_at_most(l, c.equipment_count, kEquipmentSlots); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "how many equipment lines count, at most 5"},
    {.name = "pc_equipment_data",
     .on_data = on_equipment,
     .on_open = [](P& c) { c.equipment_index = 0; },
     .role = Role::Records,
     .unfilled = [](P& c) -> std::int64_t { return c.equipment_count - c.equipment_index; },
     .line = kEquipmentLine.shape(),
     .note = "the opening tag starts again at the first value"},
    {.name = "pc_item_max_number",
     .on_data = on_capacity,
     .role = Role::Count,
     .line = kCountLine,
     .note = "how many items the character can carry; makes a new, empty item list"},
    {.name = "pc_item_number",
     .on_data = on_item_count,
     .line = kCountLine,
     .note = "how many items the character starts with, cut to the capacity given before"},
    {.name = "pc_item_data",
     .on_data = on_item,
     .on_open = [](P& c) { c.item_index = 0; },
     .role = Role::Records,
     .unfilled = [](P& c) -> std::int64_t {
       return std::min<std::int64_t>(c.item_count, static_cast<std::int64_t>(c.items.size())) -
              c.item_index;
     },
     .line = kItemLine.shape(),
     .note = "the opening tag starts again at the first item"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// The keys are paired with the contents as the engine reads them: the equipment values travel
// under "pc_equipment_number", the capacity under "pc_equipment_data", the item count under
// "pc_item_max_number" and the items under "pc_item_number". "pc_item_data" is never written,
// but the field count still counts it.
template <class L>
void layout(L& l, P& c) {
  l.fields(8);
  l.field("pc_name", [&](auto& d) { d.line(kNameLine, c); });
  l.field("pc_main_data", [&](auto& d) { d.line(kMainLine, c); });
  // The chip's name and nine values, the face, then the chip's eight further values.
  l.field("pc_image_data", [&](auto& d) {
    d.text(c.chip.file_name, kChipLine.shapes[0]);
    for (std::size_t i = 0; i < c.chip.values.size(); ++i)
      d.i32(c.chip.values[i], kChipLine.shapes[1 + i]);
    d.line(kFaceLine, c.face);
    for (std::size_t i = 0; i < c.chip.extra.size(); ++i)
      d.i32(c.chip.extra[i], kChipLine.shapes[10 + i]);
  });
  l.field("pc_equipment_number",
          [&](auto& d) { d.held_array(std::span(c.equipment), kEquipmentLine); });
  l.field("pc_equipment_data", [&](auto& d) { d.i32(c.item_capacity, kCapacity); });
  if constexpr (L::kReading) {
    l.field("pc_item_max_number", [&](auto& d) { d.i32(c.item_count, kItemCount); });
    l.field_if(true, "pc_item_number",
               [&](auto& d) { d.held_table(c.items, c.item_count, kItemLine); });
  } else {
    std::int32_t count = c.written_item_count();
    l.field("pc_item_max_number", [&](auto& d) { d.i32(count, kItemCount); });
    l.field_if(c.items.present(), "pc_item_number", [&](auto& d) {
      d.held_array(c.items.all().first(static_cast<std::size_t>(count)), kItemLine);
    });
  }
}

}  // namespace

const Vocabulary& PlayerCharacter::vocabulary() const {
  static constexpr Vocabulary v{
      "the player character: name, main values, chip and face images, equipment and items",
      kShortLines,
      kGroups,
      {}};
  return v;
}

bool PlayerCharacter::read(ByteSource& source, Report& report) {
  release();
  walk<P>(source, kShortLines, *this, kSections, report);
  return true;
}

std::int32_t PlayerCharacter::written_item_count() const {
  if (!items.present()) return item_count;
  return std::clamp<std::int64_t>(item_count, 0, static_cast<std::int64_t>(items.size()));
}

void PlayerCharacter::write(DataWriter& out) {
  layout(out, *this);
}

void PlayerCharacter::load(DataReader& in) {
  layout(in, *this);
}

void PlayerCharacter::decompile(SourceWriter& out) {
  out.section("pc_name", kNameLine, *this);
  out.section("pc_main_data", kMainLine, *this);
  out.section("pc_chip_data", kChipLine, chip);
  out.section("pc_face_data", kFaceLine, face);
  out.count_section("pc_equipment_number", kEquipmentSlots);
  out.records("pc_equipment_data", std::span<const PcEquipment>(equipment), kEquipmentLine);
  // A capacity line makes the item list (none was read where the file has no items field). The
  // count is cut to the capacity held when its line comes: a count above the final capacity
  // comes before it, after a capacity that holds it where the count is above 0.
  const bool capacity = items.present() || item_capacity != 0;
  if (item_count > item_capacity && item_count > 0) {
    out.count_section("pc_item_max_number", item_count);
  }
  if (capacity && item_count <= item_capacity) {
    out.count_section("pc_item_max_number", item_capacity);
  }
  out.count_section("pc_item_number", item_count);
  if (capacity && item_count > item_capacity) {
    out.count_section("pc_item_max_number", item_capacity);
  }
  if (items.size() > 0) {
    out.records("pc_item_data", std::as_const(items).all(), kItemLine);
  }
}

void PlayerCharacter::release() {
  items.reset();
  name = {};
  main_values = {};
  chip = {};
  face = {};
  equipment = {};
  item_capacity = 0;
  item_count = 0;
  equipment_count = 0;
  equipment_index = 0;
  item_index = 0;
}

}  // namespace kelv
