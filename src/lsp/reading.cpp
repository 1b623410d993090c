#include "lsp/reading.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "inspect/diagnostics.h"

namespace kelv::lsp {
namespace {

// Hears what a reading meets: the lists heard go on to inspect's listener, the uses are kept.
class Heard final : public LinkListener, public WalkListener {
 public:
  Heard(ListsHeard& lists, std::vector<Taken>& uses) : lists_(lists), uses_(uses) {}

  void count_line(std::uint32_t line, std::string_view section) override {
    lists_.count_line(line, section);
  }
  void reference(std::uint32_t line, std::string_view section, const ValueShape& value,
                 std::int32_t number) override {
    lists_.reference(line, section, value, number);
  }
  WalkListener* walk_listener() override { return this; }
  void taken(const Taken& taken) override { uses_.push_back(taken); }

 private:
  ListsHeard& lists_;
  std::vector<Taken>& uses_;
};

}  // namespace

Numbered::Numbered(const Vocabulary& vocabulary) : all{nullptr}, group{0} {
  for (std::size_t g = 0; g < vocabulary.groups.size(); ++g) {
    for (const SectionShape& s : vocabulary.groups[g]) {
      all.push_back(&s);
      group.push_back(g);
    }
  }
}

Reading::Reading(const Document& document, const Subject& subject, const Names* names)
    : lists_(subject.vocabulary(), subject.kind != nullptr ? subject.kind->name() : "", names) {
  uses_.reserve(document.reader_line_count());
  Document::Source source(document);
  Diagnostics told("", subject.vocabulary(), subject.kind != nullptr ? subject.kind->name() : "",
                   names);
  Heard heard(lists_, uses_);
  if (subject.kind != nullptr) {
    const std::unique_ptr<Converter> converter = subject.kind->make();
    if (const std::optional<Refusal> refused = converter->read(source, told, heard)) {
      told.refused(refused->line, refused->why);
    } else {
      provided_ = converter->provided();
    }
    converter->release();
  } else {
    Names::read(source, &told, heard);
  }
  findings_ = told.findings();
}

const Taken* Reading::use_at(const ReaderPlace& place) const {
  // The first use of the last piece that begins at or before the place.
  const auto after = std::upper_bound(
      uses_.begin(), uses_.end(), place,
      [](const ReaderPlace& p, const Taken& t) { return p.line < t.line || (p.line == t.line && p.byte < t.from); });
  if (after == uses_.begin() || std::prev(after)->line != place.line) return nullptr;
  auto first = std::prev(after);
  while (first != uses_.begin() && std::prev(first)->line == first->line &&
         std::prev(first)->from == first->from)
    --first;
  return &*first;
}

int Reading::open_before(std::uint32_t line) const {
  const auto at = std::lower_bound(uses_.begin(), uses_.end(), line,
                                   [](const Taken& t, std::uint32_t l) { return t.line < l; });
  if (at != uses_.end() && at->line == line) return at->was_open;
  if (at == uses_.begin()) return 0;
  // After the last line read: what the last line left open.
  const Taken& last = *std::prev(at);
  switch (last.as) {
    case Taken::As::Open:
    case Taken::As::Data:
      return last.section;
    case Taken::As::Close:
      return 0;
    case Taken::As::Marker:
    case Taken::As::Outside:
      return last.was_open;
  }
  return 0;
}

}  // namespace kelv::lsp
