// What the inspector says of data files, whole: every key of the JSON dump met in the sample game
// and in spoilt files, each problem of a file with several told, and the special real numbers
// spelt as the scanner reads them back.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "driver/file_source.h"
#include "inspect/inspect.h"
#include "inspect/names.h"
#include "support.h"
#include "temp_dir.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

// The data file of each source of the sample game, by its data file's name.
std::vector<std::pair<std::string, Bytes>> sample_game() {
  std::vector<std::pair<std::string, Bytes>> out;
  for (const auto& e : fs::directory_iterator(KELV_EXAMPLES "/game")) {
    const std::string name = utf8(e.path().filename());
    const Kind* kind = kind_of_source(name);
    if (kind == nullptr) continue;
    const auto converter = kind->make();
    const std::vector<unsigned char> source = read_file(utf8(e.path()));
    out.emplace_back(
        name.substr(0, name.size() - 3) + "dat",
        convert(*converter,
                std::string_view(reinterpret_cast<const char*>(source.data()), source.size())));
  }
  return out;
}

void keys_of(const Json& j, std::set<std::string>& keys) {
  if (j.is_object()) {
    for (const auto& [key, value] : j.items()) {
      keys.insert(key);
      keys_of(value, keys);
    }
  } else if (j.is_array()) {
    for (const Json& e : j)
      keys_of(e, keys);
  }
}

Json dumped(const std::string& name, const Bytes& bytes, const Names* names = nullptr) {
  std::vector<DataProblem> problems;
  return Json::parse(dump_json(kind_of_data(name), name, bytes, problems, names));
}

// The offset of the first value named `value` in the dump `j`, or 0.
std::size_t offset_of(const Json& j, std::string_view value) {
  if (j.is_object()) {
    if (j.contains("name") && j["name"] == value && j.contains("offset") && !j.contains("size"))
      return j["offset"];
    for (const auto& [key, v] : j.items()) {
      if (const std::size_t at = offset_of(v, value); at != 0) return at;
    }
  } else if (j.is_array()) {
    for (const Json& e : j) {
      if (const std::size_t at = offset_of(e, value); at != 0) return at;
    }
  }
  return 0;
}

void put_i32(Bytes& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

TEST(Dump, EveryKeyOfTheJsonDumpIsMet) {
  std::set<std::string> keys;
  FileSource names_file(KELV_EXAMPLES "/game/names.txt");
  ASSERT_TRUE(names_file.open());
  const Names names = Names::read(names_file);
  Bytes items;
  for (const auto& [name, bytes] : sample_game()) {
    keys_of(dumped(name, bytes, &names), keys);
    if (name == "item_list.dat") items = bytes;
  }
  ASSERT_FALSE(items.empty());
  const Json item_dump = dumped("item_list.dat", items);
  // A word that is no UTF-8 and bytes after a word's NUL, in the first item's name.
  const std::size_t word = offset_of(item_dump, "word");
  ASSERT_NE(word, 0u);
  Bytes spoilt = items;
  spoilt[word] = 0xFF;
  spoilt[word + 2] = 0;
  spoilt[word + 3] = 'x';
  keys_of(dumped("item_list.dat", spoilt), keys);
  // A field name that is no UTF-8, a field that declares more bytes than follow (and so the
  // problems), a kind no converter knows.
  keys_of(dumped("start_game.dat", keyed(1, {field("st\xFF", i32(1))})), keys);
  Bytes cut = keyed(1, {field("start_scene_index", i32(7))});
  put_i32(cut, cut.size() - 8, 9);
  keys_of(dumped("start_game.dat", cut), keys);
  keys_of(dumped("other.dat", keyed(1, {field("a", i32(7))})), keys);
  EXPECT_EQ(keys, (std::set<std::string>{
                      "bytes", "bytes_after_nul", "declared", "field",    "field_count", "fields",
                      "file",  "index",           "kind",     "label",    "length",      "message",
                      "name",  "name_bytes",      "offset",   "problems", "records",     "size",
                      "value", "values"}));
}

// The reals that are no plain number, as the text dump and the JSON dump show them: as the
// scanner reads them back ("inf", "-inf", "nan", a NaN of other bits by its bits), and as the
// shortest decimal otherwise.
TEST(Dump, SpecialRealsAreSpeltAsTheScannerReadsThem) {
  // The first real value the catalogue declares, in the sample game's file of its kind.
  std::string data, value;
  for (const Kind& k : catalog()) {
    for (const auto& group : k.vocabulary().groups) {
      for (const SectionShape& s : group) {
        for (const ValueShape& v : s.line) {
          if (v.kind == ValueKind::Real && value.empty() && k.match == Match::Name) {
            data = std::string(k.name()) + ".dat";
            value = v.name();
          }
        }
      }
    }
  }
  ASSERT_FALSE(value.empty());
  Bytes bytes;
  for (const auto& [name, b] : sample_game()) {
    if (name == data) bytes = b;
  }
  const std::size_t at = offset_of(dumped(data, bytes), value);
  ASSERT_NE(at, 0u) << data << " " << value;
  const struct {
    std::uint32_t bits;
    const char* text;  // in the text dump
    const char* json;  // the JSON value, as JSON
  } reals[] = {
      {0x7F800000u, "inf", "\"inf\""},
      {0xFF800000u, "-inf", "\"-inf\""},
      {0x7FC00000u, "nan", "\"nan\""},
      {0xFFC00000u, "-nan", "\"-nan\""},
      {0x7FC00001u, "nan(0x7fc00001)", "\"nan(0x7fc00001)\""},
      {0x7F800001u, "nan(0x7f800001)", "\"nan(0x7f800001)\""},
      {0x80000000u, "-0", "-0.0"},
      {0x3DCCCCCDu, "0.1", "0.1"},
      {0x7F7FFFFFu, "3.4028235e38", "3.4028235e+38"},
      {0x00000001u, "1e-45", "1e-45"},
  };
  for (const auto& r : reals) {
    Bytes spoilt = bytes;
    put_i32(spoilt, at, r.bits);
    std::string text;
    dump_text(kind_of_data(data), data, spoilt,
              [&](std::string_view line) { text += std::string(line) + "\n"; });
    EXPECT_NE(text.find(value + "=" + r.text + " "), std::string::npos) << r.text << "\n" << text;
    std::string json;
    const std::function<void(const Json&)> find = [&](const Json& j) {
      if (j.is_object() && j.contains("name") && j["name"] == value && j.contains("value")) {
        if (json.empty()) json = j["value"].dump();
      }
      if (j.is_structured()) {
        for (const Json& e : j)
          find(e);
      }
    };
    find(dumped(data, spoilt));
    EXPECT_EQ(json, r.json) << r.text;
  }
}

}  // namespace
}  // namespace kelv::test
