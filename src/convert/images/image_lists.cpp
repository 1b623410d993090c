#include "convert/images/image_lists.h"

namespace kelv {
namespace {

// A count line replaces the list; every data line takes the next record, also one that scans
// nothing.
template <class V>
constexpr Section<ImageList<V>> kSections[] = {
    {.name = V::kNumber,
     .on_data = [](ImageList<V>& c, const Line& l) { c.images.count_line(l); },
     .role = Role::Count,
     .line = kCountLine,
     .note = "every count line makes a new table of empty images; those read before are lost"},
    {.name = V::kData,
     .on_data =
         [](ImageList<V>& c, const Line& l) {
           if (auto* record = c.images.next(l, c.index)) l.scan(V::kLine, *record);
         },
     .on_open = [](ImageList<V>& c) { c.index = 0; },
     .role = Role::Records,
     .unfilled = [](ImageList<V>& c) { return unfilled(c.images.table, c.index); },
     .line = V::kLine.shape(),
     .note = "the opening tag starts again at the first image"},
};
template <class V>
const auto kShapes = shapes_of(kSections<V>);
template <class V>
constexpr std::span<const SectionShape> kGroups[] = {kShapes<V>};

template <class V, class L>
void layout(L& l, ImageList<V>& c) {
  l.fields(2);
  counted_fields(l, c.images, V::kNumber, V::kData, V::kLine);
}

}  // namespace

template <class V>
const Vocabulary& ImageList<V>::vocabulary() const {
  static constexpr Vocabulary v{V::kAbout, kShortLines, kGroups<V>, {}};
  return v;
}

template <class V>
bool ImageList<V>::read(ByteSource& source, Report& report) {
  release();
  index = 0;
  walk<ImageList<V>>(source, kShortLines, *this, kSections<V>, report);
  return true;
}

template <class V>
void ImageList<V>::write(DataWriter& out) {
  layout(out, *this);
}

template <class V>
void ImageList<V>::load(DataReader& in) {
  layout(in, *this);
}

template <class V>
void ImageList<V>::decompile(SourceWriter& out) {
  decompile_counted(out, images, V::kNumber, V::kData, V::kLine);
}

template <class V>
void ImageList<V>::release() {
  images.release();
}

template class ImageList<BackImages>;
template class ImageList<SelectImages>;
template class ImageList<FaceImages>;

}  // namespace kelv
