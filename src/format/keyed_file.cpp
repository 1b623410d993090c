#include "format/keyed_file.h"

#include <algorithm>

namespace kelv {

std::int32_t i32_at(std::span<const unsigned char> bytes, std::size_t pos) {
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i)
    u = (u << 8) | bytes[pos + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(u);
}

KeyedFile read_fields(std::span<const unsigned char> bytes, std::vector<DataProblem>& problems) {
  KeyedFile file;
  file.size = bytes.size();
  const auto problem = [&](std::uint64_t at, std::string message) {
    problems.push_back({at, {}, std::move(message)});
  };
  if (bytes.size() < 4) {
    file.count = -1;
    problem(0, bytes.empty() ? "the file is empty: it has no field count"
                             : "the file is too short for its field count (" +
                                   std::to_string(bytes.size()) + " bytes)");
    return file;
  }
  file.count = i32_at(bytes, 0);
  if (file.count < 0) {
    problem(0, "a negative field count, " + std::to_string(file.count));
    file.count = -1;
    return file;
  }
  std::size_t pos = 4;
  for (std::int32_t i = 0; i < file.count; ++i) {
    const std::string which =
        "field " + std::to_string(i + 1) + " of " + std::to_string(file.count);
    // Writers count fields they leave out: a file may end where a field could begin.
    if (pos == bytes.size()) return file;
    if (bytes.size() - pos < 4) {
      problem(pos, "the file ends inside the name length of " + which);
      return file;
    }
    const std::int32_t length = i32_at(bytes, pos);
    if (length < 1 || static_cast<std::size_t>(length) > bytes.size() - pos - 4) {
      problem(pos, which + " has a name length of " + std::to_string(length) + " with " +
                       std::to_string(bytes.size() - pos - 4) + " bytes left in the file");
      return file;
    }
    FieldRecord f;
    f.at = pos;
    const auto* name = reinterpret_cast<const char*>(bytes.data() + pos + 4);
    f.name = std::string_view(name, static_cast<std::size_t>(length));
    f.name = f.name.substr(0, f.name.find('\0'));
    if (name[length - 1] != '\0') problem(pos + 4, which + ": the name does not end in a NUL");
    pos += 4 + static_cast<std::size_t>(length);
    if (bytes.size() - pos < 4) {
      problem(pos, which + " (\"" + std::string(f.name) + "\") ends before its data size");
      return file;
    }
    f.declared = i32_at(bytes, pos);
    pos += 4;
    f.data_at = pos;
    if (f.declared < 0) {
      problem(f.at, which + " (\"" + std::string(f.name) + "\") declares a negative data size, " +
                        std::to_string(f.declared));
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
        problem(f.at, which + " (\"" + std::string(f.name) + "\") declares " +
                          std::to_string(f.declared) + " bytes but " + std::to_string(have) +
                          " are left in the file");
      }
      return file;
    }
  }
  if (pos < bytes.size()) {
    problem(pos, std::to_string(bytes.size() - pos) + " bytes after the last field");
  }
  return file;
}

std::string describe(const DataProblem& p) {
  return "offset " + std::to_string(p.at) + ": " + (p.field.empty() ? "" : p.field + ": ") +
         p.message;
}

}  // namespace kelv
