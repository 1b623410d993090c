#include "convert/system/start.h"

namespace kelv {
namespace {

using S = StartSettings;

constexpr std::string_view kIndex = "start_scene_index";
constexpr auto kIndexLine = line(value<&S::start_scene_index>(kIndex));

// Every data line scans into the value; a line without a leading number leaves it.
constexpr Section<S> kSections[] = {
    {.name = kIndex,
     .on_data = [](S& c, const Line& l) { l.scan(kIndexLine, c); },
     .line = kIndexLine.shape(),
     .note = "the number of the scene the game starts in"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

template <class L>
void layout(L& l, S& c) {
  l.fields(1);
  l.field(kIndex, [&](auto& d) { d.line(kIndexLine, c); });
}

}  // namespace

const Vocabulary& StartSettings::vocabulary() const {
  static constexpr Vocabulary v{
      "the scene the game starts in", kShortLines, kGroups,
      "the start scene the earlier file gave, until a line gives another"};
  return v;
}

bool StartSettings::read(ByteSource& source, Report& report) {
  walk<S>(source, kShortLines, *this, kSections, report);
  return true;
}

void StartSettings::write(DataWriter& out) {
  layout(out, *this);
}

void StartSettings::load(DataReader& in) {
  layout(in, *this);
}

void StartSettings::decompile(SourceWriter& out) {
  out.section(kIndex, kIndexLine, *this);
}

}  // namespace kelv
