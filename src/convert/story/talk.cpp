#include "convert/story/talk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "format/sections.h"

namespace kelv {

struct TalkSections {
  using T = TalkList;

  // A count line makes a new table, every text absent, even when it holds no number.
  static void on_count(T& c, const Line& l) {
    l.scan("%d", c.count);
    c.drop_table();
    if (!c.table.make(c.count)) l.note(Note::TableRefused, c.count);
  }

  static void on_data_open(T& c) { c.index_ = 0; }

  // The count becomes the number of lines the section stored, wherever the tag comes. A count
  // line inside the open section may have made a smaller table meanwhile: the count never
  // outgrows the table.
  static void on_data_close(T& c) {
    c.count = c.index_;
    if (c.table.present()) {
      c.count = static_cast<std::int32_t>(
          std::min<std::int64_t>(c.count, static_cast<std::int64_t>(c.table.size())));
    }
  }

  static void on_data(T& c, const Line& l) {
    TalkText* slot = c.index_ < c.count ? c.table.at(c.index_) : nullptr;
    if (slot == nullptr) {
      l.note(Note::LineUnused);
      return;
    }
    const std::string_view text = l.text();
    // A text that cannot be allocated is skipped, and the next line takes its place.
    auto* bytes = static_cast<char*>(std::malloc(text.size() + 1));
    if (bytes == nullptr) {
      l.note(Note::LineUnused);
      return;
    }
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
    std::free(slot->bytes);
    *slot = TalkText{bytes, text.size()};
    ++c.index_;
  }

  static constexpr Section<T> kSections[] = {
      {"talk_number", on_count},
      {"talk_data", on_data, on_data_open, on_data_close},
  };
};

bool TalkList::read(ByteSource& source, Report& report) {
  release();
  index_ = 0;
  walk<TalkList>(source, kLongLines, *this, TalkSections::kSections, report);
  return data_size() <= std::numeric_limits<std::int32_t>::max();
}

std::string TalkList::refusal() const {
  return "the talk texts together exceed the 2 GiB a data field can hold";
}

std::span<TalkText> TalkList::listed() {
  const auto n = static_cast<std::size_t>(std::max(count, 0));
  return table.all().first(std::min(n, table.size()));
}

std::int64_t TalkList::data_size() {
  std::int64_t size = 0;
  for (const TalkText& t : listed())
    size += KeyedData::counted_size(t.text());
  return size;
}

KeyedData TalkList::write() {
  KeyedData out(2);
  out.i32_field("talk_number", count);
  if (!table.present()) return out;
  out.field("talk_data", data_size());
  // A text missing below the count has length 0: it is written as an empty text, so the data
  // size stays exact.
  for (TalkText& t : listed()) {
    if (t.present()) hash_to_line_feed(t.field());
    out.counted(t.text());
  }
  return out;
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
