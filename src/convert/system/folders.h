// "prepare.txt": the names of the data, image and audio folders and of the loading image.
// The values are never cleared: a later "prepare.txt" of the same run starts from what the
// earlier one left, and a section it lacks keeps the earlier value.
#pragma once

#include <array>

#include "convert/converter.h"

namespace kelv {

class FolderSettings final : public SectionConverter<FolderSettings> {
 public:
  static const Declaration<FolderSettings>& declaration();

  std::array<char, 260> folder_name_data{};
  std::array<char, 260> folder_name_image{};
  std::array<char, 260> folder_name_audio{};
  std::array<char, 260> load_image{};
};

}  // namespace kelv
