// "image_back.txt", "image_select.txt" and "image_face.txt": the background, selection and face
// image lists. One design with three vocabularies: each list is a count and a table of
// fixed-size image records, each record one image file name and a few integers the engine
// reads as they are. The selection list is found by the name "image_select.txt", but its tags
// and field names say "image_sel".
//
// The records are written as held, so their layouts below are the file format. Wherever the
// file name stands on the source line, the record holds it after its first five integers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "convert/converter.h"
#include "format/counted_table.h"

namespace kelv {

// A background or selection image (280 bytes): line "name v2 v3 v4 v5 v6".
struct ImageRecord {
  std::int32_t values_2_to_6[5];
  char file_name[260];
};
static_assert(sizeof(ImageRecord) == 280);
static_assert(offsetof(ImageRecord, values_2_to_6) == 0);
static_assert(offsetof(ImageRecord, file_name) == 20);

// A face image (304 bytes): line "v1 v2 name v4 ... v12".
struct FaceImageRecord {
  std::int32_t values_4_to_8[5];
  char file_name[260];
  std::int32_t value_1;
  std::int32_t value_2;
  std::int32_t values_9_to_12[4];
};
static_assert(sizeof(FaceImageRecord) == 304);
static_assert(offsetof(FaceImageRecord, values_4_to_8) == 0);
static_assert(offsetof(FaceImageRecord, file_name) == 20);
static_assert(offsetof(FaceImageRecord, value_1) == 280);
static_assert(offsetof(FaceImageRecord, value_2) == 284);
static_assert(offsetof(FaceImageRecord, values_9_to_12) == 288);

inline constexpr auto kImageLine = line(value<&ImageRecord::file_name>("file_name"),
                                        values<&ImageRecord::values_2_to_6>("value", 2));

inline constexpr auto kFaceImageLine =
    line(value<&FaceImageRecord::value_1>("value1"), value<&FaceImageRecord::value_2>("value2"),
         value<&FaceImageRecord::file_name>("file_name"),
         values<&FaceImageRecord::values_4_to_8>("value", 4),
         values<&FaceImageRecord::values_9_to_12>("value", 9));

// The vocabularies: record kind and line, then the count and data names (tags and keys alike).
struct BackImages {
  using Record = ImageRecord;
  static constexpr const auto& kLine = kImageLine;
  static constexpr std::string_view kNumber = "image_back_number";
  static constexpr std::string_view kData = "image_back_data";
  static constexpr Text kAbout = tr("the background images");
};
struct SelectImages {
  using Record = ImageRecord;
  static constexpr const auto& kLine = kImageLine;
  static constexpr std::string_view kNumber = "image_sel_number";
  static constexpr std::string_view kData = "image_sel_data";
  static constexpr Text kAbout = tr("the selection images");
};
struct FaceImages {
  using Record = FaceImageRecord;
  static constexpr const auto& kLine = kFaceImageLine;
  static constexpr std::string_view kNumber = "image_face_number";
  static constexpr std::string_view kData = "image_face_data";
  static constexpr Text kAbout = tr("the face images");
};

// Every reading starts from no list and a count of 0; the count line makes the list, and each
// opening of the data section starts filling it again from its first record.
template <class Words>
class ImageList final : public SectionConverter<ImageList<Words>> {
 public:
  using Record = typename Words::Record;
  static const Declaration<ImageList>& declaration();

  void start_reading() {
    release();
    index = 0;
  }
  void release() override { images.release(); }

  CountedTable<Record> images;

  // The running index of one reading: the record the next data line fills.
  std::int64_t index = 0;
};

extern template class ImageList<BackImages>;
extern template class ImageList<SelectImages>;
extern template class ImageList<FaceImages>;

using BackImageList = ImageList<BackImages>;
using SelectImageList = ImageList<SelectImages>;
using FaceImageList = ImageList<FaceImages>;

}  // namespace kelv
