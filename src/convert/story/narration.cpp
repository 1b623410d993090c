#include "convert/story/narration.h"

namespace kelv {
namespace {

using N = NarrationList;
using R = NarrationRecord;

constexpr auto kLine =
    line(value<&R::value1>("value1"), value<&R::value2>("value2"), value<&R::value3>("value3"),
         value<&R::value4>("value4"), value<&R::value5>("value5"), value<&R::value6>("value6"),
         value<&R::value7>("value7"), value<&R::value8>("value8"), value<&R::value9>("value9"),
         value<&R::value10>("value10"), value<&R::value11>("value11"),
         value<&R::value12>("value12"), value<&R::text>("text"), value<&R::value13>("value13"));

// What a record writes at least: its thirteen numbers and an empty text.
constexpr std::size_t kLeastBytes = 13 * 4 + 5;

// A line that does not scan still uses up its record.
void on_data(N& c, const Line& l) {
  if (R* r = c.records.next(l, c.index)) l.scan(kLine, *r);
}

constexpr Section<N> kSections[] = {
    {.name = "narration_number",
     .on_data = [](N& c, const Line& l) { c.records.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty records; records read before are lost"},
    {.name = "narration_data",
     .on_data = on_data,
     .role = Role::Records,
     .unfilled = [](N& c) { return unfilled(c.records.table, c.index); },
     .line = kLine.shape(),
     .note = "the records go on from the last one filled, also in a second data section"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// The records are written in line order: the numbers 1 to 12, the text, the number 13.
template <class L>
void layout(L& l, N& c) {
  l.fields(2);
  l.field("narration_number", [&](auto& d) { d.i32(c.records.count, kCountValue); });
  l.field_if(c.records.table.present(), "narration_data", [&](auto& d) {
    d.each(c.records.table, c.records.count, kLeastBytes, [](auto& e, R& r) { e.line(kLine, r); });
  });
}

}  // namespace

const Vocabulary& NarrationList::vocabulary() const {
  static constexpr Vocabulary v{"the narration records", kShortLines, kGroups, {}};
  return v;
}

bool NarrationList::read(ByteSource& source, Report& report) {
  records.table.reset();  // the count stays until the conversion is released
  index = 0;
  walk<N>(source, kShortLines, *this, kSections, report);
  return true;
}

void NarrationList::write(DataWriter& out) {
  layout(out, *this);
}

void NarrationList::load(DataReader& in) {
  layout(in, *this);
}

void NarrationList::decompile(SourceWriter& out) {
  decompile_counted(out, records, "narration_number", "narration_data", kLine);
}

void NarrationList::release() {
  records.release();
}

}  // namespace kelv
