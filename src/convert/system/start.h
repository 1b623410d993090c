// "start_game.txt": the index of the scene the game starts in. Never cleared: a later
// "start_game.txt" of the same run without the section writes the earlier value again.
#pragma once

#include <cstdint>

#include "convert/converter.h"

namespace kelv {

class StartSettings final : public SectionConverter<StartSettings> {
 public:
  static const Declaration<StartSettings>& declaration();

  std::int32_t start_scene_index = 0;
};

}  // namespace kelv
