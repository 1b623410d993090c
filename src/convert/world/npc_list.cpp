#include "convert/world/npc_list.h"

#include "format/sections.h"

namespace kelv {
namespace {

using N = NpcList;

// One record per line, also for an empty or unreadable line.
void on_data(N& c, const Line& l) {
  Npc* n = c.npcs.next(l, c.index);
  if (n == nullptr) return;
  auto& v = n->values15_31;
  l.scan(
      "%d %d %d %d %d %d %d %d %d %d %d %d %d %s %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d "
      "%d %s",
      n->value1, n->value2, n->value3, n->value4, n->values5_8[0], n->values5_8[1], n->values5_8[2],
      n->values5_8[3], n->values9_12[0], n->values9_12[1], n->values9_12[2], n->values9_12[3],
      n->value13, n->first_word, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
      v[11], v[12], v[13], v[14], v[15], v[16], n->second_word);
}

constexpr Section<N> kSections[] = {
    // Every count line makes a new zero-filled table; records read before are lost.
    {"npc_number", [](N& c, const Line& l) { c.npcs.count_line(l); }},
    {"npc_data", on_data, [](N& c) { c.index = 0; }},
};

}  // namespace

bool NpcList::read(ByteSource& source, Report& report) {
  npcs.table.reset();
  index = 0;
  walk<N>(source, kShortLines, *this, kSections, report);
  return true;
}

KeyedData NpcList::write() {
  KeyedData out(2);
  out.i32_field("npc_number", npcs.count);
  if (!npcs.table.present()) return out;
  // At most 380 bytes are written of a 484-byte record, so a table that could be made fits.
  std::int64_t size = 0;
  for (const Npc& n : npcs.table.all())
    size += KeyedData::counted_size(n.first_word) + 120;
  out.field("npc_data", size);
  for (const Npc& n : npcs.table.all()) {
    // Values 1 to 13, the first word, values 15 to 31: the order of the line.
    for (const std::int32_t v : {n.value1, n.value2, n.value3, n.value4})
      out.i32(v);
    for (const std::int32_t v : n.values5_8)
      out.i32(v);
    for (const std::int32_t v : n.values9_12)
      out.i32(v);
    out.i32(n.value13);
    out.counted(n.first_word);
    for (const std::int32_t v : n.values15_31)
      out.i32(v);
  }
  return out;
}

void NpcList::release() {
  npcs.release();
}

}  // namespace kelv
