#include "convert/world/pc.h"

#include <algorithm>

#include "convert/declare.h"

namespace kelv {
namespace {

using Character = PlayerCharacter;

constexpr auto kNameLine = line(text<&Character::name>("pc_name"));
constexpr auto kMainLine = line(values<&Character::main_values>("value", 1));
constexpr auto kChipLine =
    line(value<&PcChip::file_name>("file_name"), values<&PcChip::values>("value", 1),
         values<&PcChip::extra>("value", 10));
constexpr auto kFaceLine =
    line(value<&PcImage::file_name>("file_name"), values<&PcImage::values>("value", 1));
constexpr auto kEquipmentLine = line(value<&PcEquipment::value>("value"));
constexpr auto kItemLine = line(value<&PcItem::value1>("value1"), value<&PcItem::value2>("value2"));
constexpr ValueShape kCapacity{"pc_item_max_number"};
constexpr ValueShape kItemCount{"pc_item_number"};

// A new capacity discards the items read so far.
void on_capacity(Character& c, const Line& l) {
  l.scan_number(c.item_capacity, kCapacity);
  tell_table(l, c.items.make(c.item_capacity), c.item_capacity, sizeof(PcItem));
}

// The count is cut against the capacity held now; it has no lower limit.
void on_item_count(Character& c, const Line& l) {
  l.scan_number(c.item_count, kItemCount);
  if (c.item_count > c.item_capacity) l.note(seen::CountClamped{c.item_count, c.item_capacity});
  if (c.item_count >= c.item_capacity) c.item_count = c.item_capacity;
}

// Used while the index is below the item count and inside the list (a later, smaller capacity
// may have left the count past it).
void on_item(Character& c, const Line& l) {
  PcItem* item = c.item_index < c.item_count ? c.items.at(c.item_index) : nullptr;
  if (item == nullptr) {
    l.note(seen::LineUnused::counted(c.items.present(),
                                     std::min<std::int64_t>(c.item_count, c.items.size())));
    return;
  }
  l.scan(kItemLine, *item);
  ++c.item_index;
}

// The keys are paired with the contents as the engine reads them: the chip and the face travel
// together under "pc_image_data", the equipment values under "pc_equipment_number", the capacity
// under "pc_equipment_data", the item count under "pc_item_max_number" and the items under
// "pc_item_number". "pc_item_data" is never written, but the field count still counts it.

// The chip's name and nine values, the face, then the chip's eight further values.
template <class L>
void image_field(L& l, Character& c, const Section<Character>&) {
  l.field("pc_image_data", [&](auto& d) {
    d.text(c.chip.file_name, kChipLine.shapes[0]);
    for (std::size_t i = 0; i < c.chip.values.size(); ++i)
      d.i32(c.chip.values[i], kChipLine.shapes[1 + i]);
    d.line(kFaceLine, c.face);
    for (std::size_t i = 0; i < c.chip.extra.size(); ++i)
      d.i32(c.chip.extra[i], kChipLine.shapes[10 + i]);
  });
}

template <class L>
void equipment_field(L& l, Character& c, const Section<Character>& s) {
  l.field(s.name, [&](auto& d) { d.held_array(std::span(c.equipment), kEquipmentLine); });
}

template <class L>
void capacity_field(L& l, Character& c, const Section<Character>& s) {
  l.field(s.name, [&](auto& d) { d.i32(c.item_capacity, kCapacity); });
}

// The item count as written: with an item list, never negative and never past the list.
template <class L>
void item_count_field(L& l, Character& c, const Section<Character>& s) {
  if constexpr (L::kReading) {
    l.field(s.name, [&](auto& d) { d.i32(c.item_count, kItemCount); });
  } else {
    std::int32_t count = c.written_item_count();
    l.field(s.name, [&](auto& d) { d.i32(count, kItemCount); });
  }
}

template <class L>
void items_field(L& l, Character& c, const Section<Character>& s) {
  if constexpr (L::kReading) {
    l.field_if(true, s.name, [&](auto& d) { d.held_table(c.items, c.item_count, kItemLine); });
  } else {
    const auto count = static_cast<std::size_t>(c.written_item_count());
    l.field_if(c.items.present(), s.name,
               [&](auto& d) { d.held_array(c.items.all().first(count), kItemLine); });
  }
}

// A capacity line makes the item list (none was read where the file has no items field). The
// count is cut to the capacity held when its line comes: a count above the final capacity comes
// before it, after a capacity that holds it where the count is above 0.
bool has_capacity(const Character& c) {
  return c.items.present() || c.item_capacity != 0;
}

void capacity_lines(SourceWriter& out, const Character& c, const Section<Character>& s) {
  if (c.item_count > c.item_capacity && c.item_count > 0) out.count_section(s.name, c.item_count);
  if (has_capacity(c) && c.item_count <= c.item_capacity) {
    out.count_section(s.name, c.item_capacity);
  }
}

void item_count_lines(SourceWriter& out, const Character& c, const Section<Character>& s) {
  out.count_section(s.name, c.item_count);
  if (has_capacity(c) && c.item_count > c.item_capacity) {
    out.count_section(kCapacity.stem, c.item_capacity);  // the capacity again
  }
}

void item_lines(SourceWriter& out, const Character& c, const Section<Character>& s) {
  if (c.items.size() > 0) out.records(s.name, c.items.all(), kItemLine);
}

// Equipment: how many lines count is at most 5, but all five values are written, and given
// back, whatever the count.
constexpr auto equipment_sections() {
  auto list = fixed_list<&Character::equipment_count, &Character::equipment,
                         &Character::equipment_index, kEquipmentSlots, kEquipmentLine, true>(
      "pc_equipment_number", "pc_equipment_data",
      {.note = tr("how many equipment lines count, at most 5")},
      {.note = tr("the opening tag starts again at the first value")});
  list[0].write = equipment_field<DataWriter>;
  list[0].load = equipment_field<DataReader>;
  list[0].decompile = [](SourceWriter& out, const Character&, const Section<Character>& s) {
    out.count_section(s.name, kEquipmentSlots);
  };
  list[1].write = capacity_field<DataWriter>;
  list[1].load = capacity_field<DataReader>;
  list[1].decompile = [](SourceWriter& out, const Character& c, const Section<Character>& s) {
    out.records(s.name, std::span<const PcEquipment>(c.equipment), kEquipmentLine);
  };
  return list;
}

constexpr auto face_section() {
  Section<Character> face = line_section<kFaceLine, &Character::face>(
      "pc_face_data", {.note = tr("the face image and its values")});
  face.write = image_field<DataWriter>;
  face.load = image_field<DataReader>;
  return face;
}

constexpr auto chip_section() {
  Section<Character> chip = line_section<kChipLine, &Character::chip>(
      "pc_chip_data", {.note = tr("the chip image and its values")});
  chip.write = nullptr;  // written with the face
  chip.load = nullptr;
  return chip;
}

constexpr auto kSections = sections<Character>(
    value_section<kNameLine>({.note = tr("the whole line, of which the first 64 bytes are kept")}),
    line_section<kMainLine>("pc_main_data"), chip_section(), face_section(), equipment_sections(),
    Section<Character>{
        .name = kCapacity.stem,
        .on_data = on_capacity,
        .role = Role::Count,
        .line = kCountLine,
        .note = tr("how many items the character can carry; makes a new, empty item list"),
        .write = item_count_field<DataWriter>,
        .load = item_count_field<DataReader>,
        .decompile = capacity_lines},
    Section<Character>{
        .name = kItemCount.stem,
        .on_data = on_item_count,
        .line = kCountLine,
        .note = tr("how many items the character starts with, cut to the capacity given before"),
        .write = items_field<DataWriter>,
        .load = items_field<DataReader>,
        .decompile = item_count_lines},
    Section<Character>{.name = "pc_item_data",
                       .on_data = on_item,
                       .on_open = [](Character& c) { c.item_index = 0; },
                       .role = Role::Records,
                       .restarts = true,
                       .unfilled = [](Character& c) -> std::int64_t {
                         return std::min<std::int64_t>(c.item_count,
                                                       static_cast<std::int64_t>(c.items.size())) -
                                c.item_index;
                       },
                       .line = kItemLine.shape(),
                       .note = tr("the opening tag starts again at the first item"),
                       .decompile = item_lines});
constexpr Group<Character> kGroups[] = {kSections};

}  // namespace

const Declaration<PlayerCharacter>& PlayerCharacter::declaration() {
  static constexpr Declaration<PlayerCharacter> d{
      .about =
          tr("the player character: name, main values, chip and face images, equipment and items"),
      .line_buffer = kShortLines,
      .groups = kGroups,
      .fields = 8};
  return d;
}

std::int32_t PlayerCharacter::written_item_count() const {
  if (!items.present()) return item_count;
  return std::clamp<std::int64_t>(item_count, 0, static_cast<std::int64_t>(items.size()));
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
