#include "convert/system/folders.h"

#include "convert/declare.h"

namespace kelv {
namespace {

// Each line's only value is named as its section and its field; each data line scans its first
// word into the value, so the last line holding a word wins. Each name is a counted text.
constexpr auto kDataLine = line(value<&FolderSettings::folder_name_data>("folder_name_data"));
constexpr auto kImageLine = line(value<&FolderSettings::folder_name_image>("folder_name_image"));
constexpr auto kAudioLine = line(value<&FolderSettings::folder_name_audio>("folder_name_audio"));
constexpr auto kLoadImageLine = line(value<&FolderSettings::load_image>("load_image"));

constexpr auto kSections = sections<FolderSettings>(
    value_section<kDataLine>({.note = tr("the folder of the data files"), .carries_over = true}),
    value_section<kImageLine>({.note = tr("the folder of the images"), .carries_over = true}),
    value_section<kAudioLine>(
        {.note = tr("the folder of the music and sounds"), .carries_over = true}),
    value_section<kLoadImageLine>(
        {.note = tr("the image shown while the game loads"), .carries_over = true}));
constexpr Group<FolderSettings> kGroups[] = {kSections};

}  // namespace

const Declaration<FolderSettings>& FolderSettings::declaration() {
  static constexpr Declaration<FolderSettings> d{
      .about = tr("the names of the data, image and audio folders and of the loading image"),
      .line_buffer = kShortLines,
      .groups = kGroups};
  return d;
}

}  // namespace kelv
