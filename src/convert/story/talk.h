// "talk_list.txt": the game's dialogue texts by number, one whole source line each, in which '#'
// stands for a line break. The table and its texts are released when a reading starts and after
// every conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "format/table.h"

namespace kelv {

// A copy of one source line and its NUL, kept among the list's texts, or absent. Kept trivial so
// that a table of them is made zero-filled without touching its pages.
struct TalkText {
  char* bytes;
  std::size_t length;

  bool present() const { return bytes != nullptr; }
  std::string_view text() const { return {bytes, length}; }
  // The text with its NUL.
  std::span<char> field() { return {bytes, length + 1}; }
};

class TalkList final : public SectionConverter<TalkList> {
 public:
  TalkList() = default;
  TalkList(const TalkList&) = delete;
  TalkList& operator=(const TalkList&) = delete;
  ~TalkList() override { release(); }

  static const Declaration<TalkList>& declaration();

  void start_reading();
  // Refused when the texts together would not fit a field's 32-bit data size.
  std::optional<Refusal> end_reading();
  // Turns every '#' of the texts into a line feed, in place.
  void before_writing();
  void release() override;

  // Never above the table's size while the table is present.
  std::int32_t count = 0;
  Table<TalkText> table;  // absent before a count line and for counts it cannot hold

  // The texts 0 to count - 1.
  std::span<TalkText> listed();
  // Frees every text of the table, then the table.
  void drop_table();
  // Puts a copy of `text` in `slot`, in place of the text there; false when memory runs out.
  bool store(TalkText& slot, std::string_view text);
  // The bytes of the texts held, each with its NUL.
  std::size_t held() const { return held_; }

  // Of a reading: the next text a data line fills, and the first line whose text took the texts
  // past what a field can hold (0: none).
  std::int32_t index = 0;
  std::uint32_t too_much_at = 0;

 private:
  char* room(std::size_t size);
  void compact();

  // The texts' bytes, one after the other in large blocks: one allocation for many lines.
  std::vector<char*> blocks_;
  char* free_at_ = nullptr;  // in the last block
  std::size_t free_ = 0;
  std::size_t held_ = 0;   // bytes of the texts in the table, with their NULs
  std::size_t spare_ = 0;  // bytes of texts replaced, still in the blocks
};

}  // namespace kelv
