#include "convert/system/folders.h"

namespace kelv {
namespace {

using F = FolderSettings;

// Each line's only value is named as its section and its field.
constexpr auto kDataLine = line(value<&F::folder_name_data>("folder_name_data"));
constexpr auto kImageLine = line(value<&F::folder_name_image>("folder_name_image"));
constexpr auto kAudioLine = line(value<&F::folder_name_audio>("folder_name_audio"));
constexpr auto kLoadImageLine = line(value<&F::load_image>("load_image"));
constexpr const decltype(kDataLine)* kLines[] = {&kDataLine, &kImageLine, &kAudioLine,
                                                 &kLoadImageLine};

template <const auto& Format>
void on_word(F& c, const Line& l) {
  l.scan(Format, c);
}

// Each data line scans its first word into the value: the last line holding a word wins.
constexpr Section<F> kSections[] = {
    {.name = "folder_name_data",
     .on_data = on_word<kDataLine>,
     .line = kDataLine.shape(),
     .note = "the folder of the data files"},
    {.name = "folder_name_image",
     .on_data = on_word<kImageLine>,
     .line = kImageLine.shape(),
     .note = "the folder of the images"},
    {.name = "folder_name_audio",
     .on_data = on_word<kAudioLine>,
     .line = kAudioLine.shape(),
     .note = "the folder of the music and sounds"},
    {.name = "load_image",
     .on_data = on_word<kLoadImageLine>,
     .line = kLoadImageLine.shape(),
     .note = "the image shown while the game loads"},
};
const auto kShapes = shapes_of(kSections);
constexpr std::span<const SectionShape> kGroups[] = {kShapes};

// Each name as counted text, in section order.
template <class L>
void layout(L& l, F& c) {
  l.fields(4);
  for (const auto* format : kLines)
    l.field(format->shapes[0].stem, [&](auto& d) { d.line(*format, c); });
}

}  // namespace

const Vocabulary& FolderSettings::vocabulary() const {
  static constexpr Vocabulary v{
      "the names of the data, image and audio folders and of the loading image", kShortLines,
      kGroups, "every name the earlier file gave, until a line of its section gives another"};
  return v;
}

bool FolderSettings::read(ByteSource& source, Report& report) {
  walk<F>(source, kShortLines, *this, kSections, report);
  return true;
}

void FolderSettings::write(DataWriter& out) {
  layout(out, *this);
}

void FolderSettings::load(DataReader& in) {
  layout(in, *this);
}

void FolderSettings::decompile(SourceWriter& out) {
  for (const auto* format : kLines)
    out.section(format->shapes[0].stem, *format, *this);
}

}  // namespace kelv
