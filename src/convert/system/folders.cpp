#include "convert/system/folders.h"

#include "format/sections.h"

namespace kelv {
namespace {

using F = FolderSettings;

// Each data line scans its first word into the value: the last line holding a word wins.
constexpr Section<F> kSections[] = {
    {"folder_name_data", [](F& c, const Line& l) { l.scan("%s", c.folder_name_data); }},
    {"folder_name_image", [](F& c, const Line& l) { l.scan("%s", c.folder_name_image); }},
    {"folder_name_audio", [](F& c, const Line& l) { l.scan("%s", c.folder_name_audio); }},
    {"load_image", [](F& c, const Line& l) { l.scan("%s", c.load_image); }},
};

}  // namespace

bool FolderSettings::read(ByteSource& source, Report& report) {
  walk<F>(source, kShortLines, *this, kSections, report);
  return true;
}

KeyedData FolderSettings::write() {
  KeyedData out(4);
  for (const auto& [key, value] :
       {std::pair{"folder_name_data", &folder_name_data},
        std::pair{"folder_name_image", &folder_name_image},
        std::pair{"folder_name_audio", &folder_name_audio}, std::pair{"load_image", &load_image}}) {
    out.field(key, KeyedData::counted_size(*value));
    out.counted(*value);
  }
  return out;
}

}  // namespace kelv
