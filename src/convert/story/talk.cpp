#include "convert/story/talk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "format/counted_table.h"

namespace kelv {
namespace {

using T = TalkList;

// A text is the whole line; the writer turns every '#' into a line feed.
constexpr ValueShape kText{"text", 0, ValueKind::Text, Twist::Breaks, kLongLines};
constexpr std::array<ValueShape, 1> kTextLine{kText};

// A count line makes a new table, every text absent, even when it holds no number.
void on_count(T& c, const Line& l) {
  l.scan_number(c.count, kCountValue);
  c.drop_table();
  tell_table(l, c.table.make(c.count), c.count, sizeof(TalkText));
}

// The count becomes the number of lines the section stored, wherever the tag comes. A count
// line inside the open section may have made a smaller table meanwhile: the count never
// outgrows the table.
void on_data_close(T& c) {
  c.count = c.index;
  if (c.table.present()) {
    c.count = static_cast<std::int32_t>(
        std::min<std::int64_t>(c.count, static_cast<std::int64_t>(c.table.size())));
  }
}

// An owned copy of `text` in `slot`; false when it cannot be allocated.
bool keep(TalkText& slot, std::string_view text) {
  auto* bytes = static_cast<char*>(std::malloc(text.size() + 1));
  if (bytes == nullptr) return false;
  std::memcpy(bytes, text.data(), text.size());
  bytes[text.size()] = '\0';
  std::free(slot.bytes);
  slot = TalkText{bytes, text.size()};
  return true;
}

void on_data(T& c, const Line& l) {
  TalkText* slot = c.index < c.count ? c.table.at(c.index) : nullptr;
  // A text that cannot be allocated is skipped, and the next line takes its place.
  if (slot == nullptr || !keep(*slot, l.text())) {
    l.note(Note::LineUnused, c.table.present() ? c.count : -1);
    return;
  }
  ++c.index;
}

constexpr Section<T> kSections[] = {
    {.name = "talk_number",
     .on_data = on_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty texts; texts read before are lost"},
    {.name = "talk_data",
     .on_data = on_data,
     .on_open = [](T& c) { c.index = 0; },
     .on_close = on_data_close,
     .role = Role::Records,
     .unfilled =
         [](T& c) {
           return std::min<std::int64_t>(c.count, static_cast<std::int64_t>(c.table.size())) -
                  c.index;
         },
     .line = kTextLine,
     .note = "the opening tag starts again at the first text, and the closing tag makes the count "
             "the number of texts the section gave"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// The texts below the count, as counted texts. A text missing below the count has length 0: it
// is written as an empty text, so the data size stays exact.
template <class L>
void layout(L& l, T& c) {
  l.fields(2);
  l.field("talk_number", [&](auto& d) { d.i32(c.count, kCountValue); });
  l.field_if(c.table.present(), "talk_data", [&](auto& d) {
    if constexpr (L::kReading) {
      d.each(c.table, c.count, 5, [](auto& e, TalkText& t) {
        const std::uint64_t at = e.at() + 4;
        std::string_view text;
        if (e.read_text(text, kText) && keep(t, text)) e.remember(t.bytes, t.length + 1, at);
      });
    } else {
      for (TalkText& t : c.listed()) {
        if (t.present()) hash_to_line_feed(t.field());
        d.counted(t.text(), kText);
      }
    }
  });
}

}  // namespace

const Vocabulary& TalkList::vocabulary() const {
  static constexpr Vocabulary v{"the game's dialogue texts by number", kLongLines, kGroups, {}};
  return v;
}

bool TalkList::read(ByteSource& source, Report& report) {
  release();
  index = 0;
  walk<T>(source, kLongLines, *this, kSections, report);
  std::int64_t size = 0;
  for (const TalkText& t : listed())
    size += counted_size(t.text());
  return size <= std::numeric_limits<std::int32_t>::max();
}

std::string TalkList::refusal() const {
  return "the talk texts together exceed the 2 GiB a data field can hold";
}

std::span<TalkText> TalkList::listed() {
  const auto n = static_cast<std::size_t>(std::max(count, 0));
  return table.all().first(std::min(n, table.size()));
}

void TalkList::write(DataWriter& out) {
  layout(out, *this);
}

void TalkList::load(DataReader& in) {
  layout(in, *this);
}

void TalkList::decompile(SourceWriter& out) {
  if (!table.present() && count == 0) return;
  out.count_section("talk_number", count);
  if (!table.present()) return;
  out.open("talk_data");
  for (const TalkText& t : listed())
    out.text(t.text(), kText, t.bytes);
  out.close();
}

void TalkList::drop_table() {
  for (TalkText& t : table.all())
    std::free(t.bytes);
  table.reset();
}

void TalkList::release() {
  drop_table();
  count = 0;
}

}  // namespace kelv
