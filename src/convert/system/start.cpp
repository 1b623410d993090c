#include "convert/system/start.h"

#include "format/sections.h"

namespace kelv {
namespace {

using S = StartSettings;

// Every data line scans into the value; a line without a leading number leaves it.
constexpr Section<S> kSections[] = {
    {"start_scene_index", [](S& c, const Line& l) { l.scan("%d", c.start_scene_index); }},
};

}  // namespace

bool StartSettings::read(ByteSource& source, Report& report) {
  walk<S>(source, kShortLines, *this, kSections, report);
  return true;
}

KeyedData StartSettings::write() {
  KeyedData out(1);
  out.i32_field("start_scene_index", start_scene_index);
  return out;
}

}  // namespace kelv
