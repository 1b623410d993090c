#include "convert/rules/magic.h"

#include <utility>

#include "format/sections.h"

namespace kelv {
namespace {

// One reading: the running index is never set back, not even by a later count section.
struct MagicReading {
  MagicList& list;
  std::int64_t next = 0;
};

using R = MagicReading;

template <std::size_t... I>
void scan_magic(const Line& l, Magic& m, std::index_sequence<I...>) {
  l.scan("%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %s %s", m.values[I]..., m.word,
         m.text);
}

void on_count(R& r, const Line& l) {
  l.scan("%d", r.list.magic_count);
  // Every count line makes a new table, discarding the records read so far.
  if (!r.list.magic.make(r.list.magic_count)) l.note(Note::TableRefused, r.list.magic_count);
}

void on_magic(R& r, const Line& l) {
  Magic* m = r.list.magic.at(r.next);
  if (m == nullptr) {
    l.note(Note::LineUnused);
    return;
  }
  scan_magic(l, *m, std::make_index_sequence<18>());
  for (char& c : m->text) {
    if (c == '\0') break;
    if (c == '#') c = '\n';
  }
  ++r.next;
}

constexpr Section<R> kSections[] = {
    {"magic_number", on_count},
    {"magic_data", on_magic},
};

}  // namespace

bool MagicList::read(ByteSource& source, Report& report) {
  MagicReading reading{*this};
  walk<R>(source, kLongLines, reading, kSections, report);
  return true;
}

KeyedData MagicList::write() {
  KeyedData out(2);
  out.field("magic_number", 4);
  out.i32(magic_count);
  if (magic.present()) {
    out.field("magic_data", static_cast<std::int64_t>(magic.all().size_bytes()));
    out.records(std::as_const(magic).all());
  }
  return out;
}

void MagicList::release() {
  magic.reset();
  magic_count = 0;
}

}  // namespace kelv
