#include "convert/images/image_lists.h"

#include "format/sections.h"

namespace kelv {
namespace {

void scan_record(const Line& l, ImageRecord& r) {
  auto& v = r.values_2_to_6;
  l.scan("%s %d %d %d %d %d", r.file_name, v[0], v[1], v[2], v[3], v[4]);
}

void scan_record(const Line& l, FaceImageRecord& r) {
  auto& a = r.values_4_to_8;
  auto& b = r.values_9_to_12;
  l.scan("%d %d %s %d %d %d %d %d %d %d %d %d", r.value_1, r.value_2, r.file_name, a[0], a[1], a[2],
         a[3], a[4], b[0], b[1], b[2], b[3]);
}

// A count line replaces the list; every data line takes the next record, also one that scans
// nothing.
template <class V>
constexpr Section<ImageList<V>> kSections[] = {
    {V::kNumber, [](ImageList<V>& c, const Line& l) { c.images.count_line(l); }},
    {V::kData,
     [](ImageList<V>& c, const Line& l) {
       if (auto* record = c.images.next(l, c.index)) scan_record(l, *record);
     },
     [](ImageList<V>& c) { c.index = 0; }},
};

}  // namespace

template <class V>
bool ImageList<V>::read(ByteSource& source, Report& report) {
  release();
  index = 0;
  walk<ImageList<V>>(source, kShortLines, *this, kSections<V>, report);
  return true;
}

template <class V>
KeyedData ImageList<V>::write() {
  KeyedData out(2);
  images.write(out, V::kNumber, V::kData);
  return out;
}

template <class V>
void ImageList<V>::release() {
  images.release();
}

template class ImageList<BackImages>;
template class ImageList<SelectImages>;
template class ImageList<FaceImages>;

}  // namespace kelv
