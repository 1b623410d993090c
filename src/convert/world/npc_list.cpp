#include "convert/world/npc_list.h"

namespace kelv {
namespace {

using N = NpcList;

constexpr auto kNpcLine =
    line(value<&Npc::value1>("value1"), value<&Npc::value2>("value2"),
         value<&Npc::value3>("value3"), value<&Npc::value4>("value4"),
         values<&Npc::values5_8>("value", 5), values<&Npc::values9_12>("value", 9),
         value<&Npc::value13>("value13"), value<&Npc::first_word>("word14"),
         values<&Npc::values15_31>("value", 15), value<&Npc::second_word>("word32"));
// What the file holds of a person: the line without its second word.
constexpr auto kWrittenLine = kNpcLine.first<31>();
// What a person writes at least: 30 numbers and an empty word.
constexpr std::size_t kLeastBytes = 30 * 4 + 5;

// One record per line, also for an empty or unreadable line.
void on_data(N& c, const Line& l) {
  if (Npc* n = c.npcs.next(l, c.index)) l.scan(kNpcLine, *n);
}

constexpr Section<N> kSections[] = {
    {.name = "npc_number",
     .on_data = [](N& c, const Line& l) { c.npcs.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty people; those read before are lost"},
    {.name = "npc_data",
     .on_data = on_data,
     .on_open = [](N& c) { c.index = 0; },
     .role = Role::Records,
     .unfilled = [](N& c) { return unfilled(c.npcs.table, c.index); },
     .line = kNpcLine.shape(),
     .note = "the opening tag starts again at the first person; the second word is read but never "
             "written"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// Values 1 to 13, the first word, values 15 to 31: the order of the line. At most 380 bytes are
// written of a 484-byte record, so a table that could be made fits.
template <class L>
void layout(L& l, N& c) {
  l.fields(2);
  l.field("npc_number", [&](auto& d) { d.i32(c.npcs.count, kCountValue); });
  l.field_if(c.npcs.table.present(), "npc_data", [&](auto& d) {
    d.each(c.npcs.table, c.npcs.count, kLeastBytes,
           [](auto& e, Npc& n) { e.line(kWrittenLine, n); });
  });
}

}  // namespace

const Vocabulary& NpcList::vocabulary() const {
  static constexpr Vocabulary v{"the people of the world", kShortLines, kGroups, {}};
  return v;
}

bool NpcList::read(ByteSource& source, Report& report) {
  npcs.table.reset();
  index = 0;
  walk<N>(source, kShortLines, *this, kSections, report);
  return true;
}

void NpcList::write(DataWriter& out) {
  layout(out, *this);
}

void NpcList::load(DataReader& in) {
  layout(in, *this);
}

void NpcList::decompile(SourceWriter& out) {
  decompile_counted(out, npcs, "npc_number", "npc_data", kNpcLine);
}

void NpcList::release() {
  npcs.release();
}

}  // namespace kelv
