#include "convert/system/start.h"

#include "convert/declare.h"

namespace kelv {
namespace {

// Every data line scans into the value; a line without a leading number leaves it.
constexpr auto kIndexLine = line(value<&StartSettings::start_scene_index>("start_scene_index"));

constexpr auto kSections = sections<StartSettings>(value_section<kIndexLine>(
    {.note = tr("the number of the scene the game starts in"), .carries_over = true}));
constexpr Group<StartSettings> kGroups[] = {kSections};

}  // namespace

const Declaration<StartSettings>& StartSettings::declaration() {
  static constexpr Declaration<StartSettings> d{
      .about = tr("the scene the game starts in"), .line_buffer = kShortLines, .groups = kGroups};
  return d;
}

}  // namespace kelv
