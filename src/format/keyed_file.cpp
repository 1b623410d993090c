#include "format/keyed_file.h"

#include <algorithm>

namespace kelv {

std::int32_t i32_at(std::span<const unsigned char> bytes, std::size_t pos) {
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i)
    u = (u << 8) | bytes[pos + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(u);
}

namespace {

// Why a file of fewer than 4 bytes holds no field count.
Message too_short(std::size_t size) {
  return size == 0 ? Message(tr("the file is empty: it has no field count"))
                   : Message::n(tr("the file is too short for its field count ({1} byte)",
                                   "the file is too short for its field count ({1} bytes)"),
                                static_cast<std::int64_t>(size));
}

// Whether `bytes` read as text: no control byte but tab, line ends and the end-of-file mark, and
// none of the bytes neither Shift-JIS nor UTF-8 ever holds. A data file's field count has a NUL
// among its bytes unless it counts 16 million fields or more.
bool text_like(std::span<const unsigned char> bytes) {
  return std::ranges::all_of(bytes, [](unsigned char c) {
    return (c >= 0x20 && c < 0xFD) || c == '\t' || c == '\n' || c == '\r' || c == 0x1A;
  });
}

}  // namespace

Message not_a_data_file(std::span<const unsigned char> bytes) {
  if (text_like(bytes.first(std::min<std::size_t>(bytes.size(), 4096))) && !bytes.empty()) {
    return Message(tr("this looks like a source text, not a data file; convert it first"));
  }
  if (bytes.size() < 4) return too_short(bytes.size());
  // Each field takes at least 9 bytes: its name length, a name of one NUL, its data size. Writers
  // count the fields they leave out, but no kind has more than a few dozen.
  const std::int32_t count = i32_at(bytes, 0);
  if (count > 255 && static_cast<std::uint64_t>(count) > (bytes.size() - 4) / 9) {
    return Message(tr("this is no data file: it begins with a count of {1} fields, more than its "
                      "{2} bytes can hold"),
                   count, bytes.size());
  }
  return {};
}

KeyedFile read_fields(std::span<const unsigned char> bytes, std::vector<DataProblem>& problems) {
  KeyedFile file;
  file.size = bytes.size();
  const auto problem = [&](std::uint64_t at, Message message) {
    problems.push_back({at, {}, std::move(message)});
  };
  if (bytes.size() < 4) {
    file.count = -1;
    problem(0, too_short(bytes.size()));
    return file;
  }
  file.count = i32_at(bytes, 0);
  if (file.count < 0) {
    problem(0, Message(tr("a negative field count, {1}"), file.count));
    file.count = -1;
    return file;
  }
  std::size_t pos = 4;
  for (std::int32_t i = 0; i < file.count; ++i) {
    const Message which(tr("field {1} of {2}"), i + 1, file.count);
    // Writers count fields they leave out: a file may end where a field could begin.
    if (pos == bytes.size()) return file;
    if (bytes.size() - pos < 4) {
      problem(pos, Message(tr("the file ends inside the name length of {1}"), which));
      return file;
    }
    const std::int32_t length = i32_at(bytes, pos);
    if (length < 1 || static_cast<std::size_t>(length) > bytes.size() - pos - 4) {
      problem(pos, Message(tr("{1} has a name length of {2} with {3} bytes left in the file"),
                           which, length, bytes.size() - pos - 4));
      return file;
    }
    FieldRecord f;
    f.at = pos;
    const auto* name = reinterpret_cast<const char*>(bytes.data() + pos + 4);
    f.name = std::string_view(name, static_cast<std::size_t>(length));
    f.name = f.name.substr(0, f.name.find('\0'));
    if (name[length - 1] != '\0') {
      problem(pos + 4, Message(tr("{1}: the name does not end in a NUL"), which));
    }
    pos += 4 + static_cast<std::size_t>(length);
    if (bytes.size() - pos < 4) {
      problem(pos, Message(tr("{1} (\"{2}\") ends before its data size"), which, f.name));
      return file;
    }
    f.declared = i32_at(bytes, pos);
    pos += 4;
    f.data_at = pos;
    if (f.declared < 0) {
      problem(f.at, Message(tr("{1} (\"{2}\") declares a negative data size, {3}"), which, f.name,
                            f.declared));
      return file;
    }
    const std::size_t have =
        std::min<std::size_t>(static_cast<std::size_t>(f.declared), bytes.size() - pos);
    f.data = bytes.subspan(pos, have);
    pos += have;
    file.fields.push_back(f);
    // A field that declares more than the file holds ends the file. Whether that is an error is
    // for its layout to say: the shop list's last field declares more than it writes.
    if (have < static_cast<std::size_t>(f.declared)) {
      if (i + 1 < file.count) {
        problem(f.at, Message(tr("{1} (\"{2}\") declares {3} bytes but {4} are left in the file"),
                              which, f.name, f.declared, have));
      }
      return file;
    }
  }
  if (pos < bytes.size()) {
    problem(pos, Message::n(tr("{1} byte after the last field", "{1} bytes after the last field"),
                            static_cast<std::int64_t>(bytes.size() - pos)));
  }
  return file;
}

std::string describe(const DataProblem& p) {
  return p.field.empty() ? tr("offset {1}: {2}")(p.at, p.message.str())
                         : tr("offset {1}: {2}: {3}")(p.at, p.field, p.message.str());
}

}  // namespace kelv
