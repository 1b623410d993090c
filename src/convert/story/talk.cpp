#include "convert/story/talk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "convert/declare.h"

namespace kelv {
namespace {

// The texts' blocks. Fuzzing builds make them small, so that short inputs reach every path.
#ifdef KELV_FUZZING
constexpr std::size_t kTextBlock = 64;
#else
constexpr std::size_t kTextBlock = std::size_t{2} << 20;
#endif

// A text is the whole line; the writer turns every '#' into a line feed.
constexpr ValueShape kText{"text", 0, ValueKind::Text, Stored::Breaks, kLongLines};
constexpr std::array<ValueShape, 1> kTextLine{kText};

// A count line makes a new table, every text absent, even when it holds no number.
void on_count(TalkList& c, const Line& l) {
  l.scan_number(c.count, kCountValue);
  c.drop_table();
  tell_table(l, c.table.make(c.count), c.count, sizeof(TalkText));
}

// The count becomes the number of lines the section stored, wherever the tag comes. A count
// line inside the open section may have made a smaller table meanwhile: the count never
// outgrows the table.
void on_data_close(TalkList& c) {
  c.count = c.index;
  if (c.table.present()) {
    c.count = static_cast<std::int32_t>(
        std::min<std::int64_t>(c.count, static_cast<std::int64_t>(c.table.size())));
  }
}

void on_data(TalkList& c, const Line& l) {
  TalkText* slot = c.index < c.count ? c.table.at(c.index) : nullptr;
  // A text that cannot be allocated is skipped, and the next line takes its place.
  if (slot == nullptr || !c.store(*slot, l.text())) {
    l.note(seen::LineUnused::counted(c.table.present(), c.count));
    return;
  }
  ++c.index;
  // Each text is written with its length before it.
  const std::uint64_t written = c.held() + 4 * static_cast<std::uint64_t>(c.table.size());
  if (c.too_much_at == 0 && written > std::numeric_limits<std::int32_t>::max()) {
    c.too_much_at = l.number();
  }
}

// The texts below the count, as counted texts. A text missing below the count has length 0: it
// is written as an empty text, so the data size stays exact.
template <class L>
void texts_field(L& l, TalkList& c, const Section<TalkList>& s) {
  l.field_if(c.table.present(), s.name, [&](auto& d) {
    if constexpr (L::kReading) {
      d.each(c.table, c.count, 5, [&c](auto& e, TalkText& t) {
        const std::uint64_t at = e.at() + 4;
        std::string_view text;
        if (e.read_text(text, kText) && c.store(t, text)) e.remember(t.bytes, t.length + 1, at);
      });
    } else {
      for (const TalkText& t : c.listed())
        d.counted(t.text(), kText);
    }
  });
}

template <class L>
void count_field(L& l, TalkList& c, const Section<TalkList>& s) {
  l.field(s.name, [&](auto& d) { d.i32(c.count, kCountValue); });
}

void count_lines(SourceWriter& out, const TalkList& c, const Section<TalkList>& s) {
  if (c.table.present() || c.count != 0) out.count_section(s.name, c.count);
}

void text_lines(SourceWriter& out, const TalkList& c, const Section<TalkList>& s) {
  if (!c.table.present()) return;
  out.open(s.name);
  for (const TalkText& t : const_cast<TalkList&>(c).listed())
    out.text(t.text(), kText, t.bytes);
  out.close();
}

// Written out in full: the texts are of any length, kept in blocks of their own rather than in
// a table of fixed records, so a count line frees them as it makes the table, and the data
// section's closing tag makes the count what the section gave; counted<> has neither.
constexpr Section<TalkList> kSections[] = {
    {.name = "talk_number",
     .on_data = on_count,
     .role = Role::Count,
     .line = kCountLine,
     .note = tr("every count line makes a new table of empty texts; texts read before are lost"),
     .write = count_field<DataWriter>,
     .load = count_field<DataReader>,
     .decompile = count_lines},
    {.name = "talk_data",
     .on_data = on_data,
     .on_open = [](TalkList& c) { c.index = 0; },
     .on_close = on_data_close,
     .role = Role::Records,
     .restarts = true,
     .unfilled =
         [](TalkList& c) {
           return std::min<std::int64_t>(c.count, static_cast<std::int64_t>(c.table.size())) -
                  c.index;
         },
     .closing_sets_count = true,
     .line = kTextLine,
     .note =
         tr("the opening tag starts again at the first text, and the closing tag makes the count "
            "the number of texts the section gave"),
     .write = texts_field<DataWriter>,
     .load = texts_field<DataReader>,
     .decompile = text_lines},
};
constexpr Group<TalkList> kGroups[] = {kSections};

}  // namespace

const Declaration<TalkList>& TalkList::declaration() {
  static constexpr Declaration<TalkList> d{.about = tr("the game's dialogue texts by number"),
                                           .line_buffer = kLongLines,
                                           .groups = kGroups};
  return d;
}

void TalkList::start_reading() {
  release();
  index = 0;
  too_much_at = 0;
}

std::optional<Refusal> TalkList::end_reading() {
  std::int64_t size = 0;
  for (const TalkText& t : listed())
    size += counted_size(t.text());
  if (size <= std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return Refusal{too_much_at != 0 ? too_much_at : 1,
                 tr("the talk texts together exceed the 2 GiB a data field can hold")()};
}

std::span<TalkText> TalkList::listed() {
  const auto n = static_cast<std::size_t>(std::max(count, 0));
  return table.all().first(std::min(n, table.size()));
}

void TalkList::before_writing() {
  for (TalkText& t : listed()) {
    if (t.present()) hash_to_line_feed(t.field());
  }
}

void TalkList::drop_table() {
  table.reset();
  for (char* block : blocks_)
    std::free(block);
  blocks_.clear();
  free_at_ = nullptr;
  free_ = held_ = spare_ = 0;
}

bool TalkList::store(TalkText& slot, std::string_view text) {
  const std::size_t size = text.size() + 1;
  // A text no longer than the one it replaces takes its place.
  char* to = slot.present() && text.size() <= slot.length ? slot.bytes : room(size);
  if (to == nullptr) return false;
  if (slot.present()) {
    held_ -= slot.length + 1;
    spare_ += to == slot.bytes ? slot.length - text.size() : slot.length + 1;
  }
  std::memcpy(to, text.data(), text.size());
  to[text.size()] = '\0';
  slot = TalkText{to, text.size()};
  held_ += size;
  // Texts replaced again and again (a data section opened many times) would otherwise let the
  // blocks grow without end.
  if (spare_ > held_ && spare_ > kTextBlock) compact();
  return true;
}

char* TalkList::room(std::size_t size) {
  if (size > free_) {
    const std::size_t block_size = std::max(size, kTextBlock);
    auto* block = static_cast<char*>(std::malloc(block_size));
    if (block == nullptr) return nullptr;
    blocks_.push_back(block);
    free_at_ = block;
    free_ = block_size;
  }
  char* at = free_at_;
  free_at_ += size;
  free_ -= size;
  return at;
}

// Moves the texts of the table into one block of their own, leaving the bytes of replaced texts
// behind; when that block cannot be had, they stay where they are.
void TalkList::compact() {
  auto* block = static_cast<char*>(std::malloc(held_));
  if (block == nullptr) return;
  char* to = block;
  for (TalkText& t : table.all()) {
    if (!t.present()) continue;
    std::memcpy(to, t.bytes, t.length + 1);
    t.bytes = to;
    to += t.length + 1;
  }
  for (char* old : blocks_)
    std::free(old);
  blocks_.assign(1, block);
  free_at_ = nullptr;
  free_ = spare_ = 0;
}

void TalkList::release() {
  drop_table();
  count = 0;
}

}  // namespace kelv
