#include "convert/images/image_lists.h"

#include "convert/declare.h"

namespace kelv {
namespace {

// A count line replaces the list; every data line takes the next record, also one that scans
// nothing.
template <class Words>
constexpr auto kSections =
    sections<ImageList<Words>>(counted<&ImageList<Words>::images, &ImageList<Words>::index,
                                       Words::kLine, CountedRules{.restarts = true}>(
        Words::kNumber, Words::kData,
        {.note =
             tr("every count line makes a new table of empty images; those read before are lost")},
        {.note = tr("the opening tag starts again at the first image")}));
template <class Words>
constexpr Group<ImageList<Words>> kGroups[] = {kSections<Words>};

}  // namespace

template <class Words>
const Declaration<ImageList<Words>>& ImageList<Words>::declaration() {
  static constexpr Declaration<ImageList> d{
      .about = Words::kAbout, .line_buffer = kShortLines, .groups = kGroups<Words>};
  return d;
}

template class ImageList<BackImages>;
template class ImageList<SelectImages>;
template class ImageList<FaceImages>;

}  // namespace kelv
