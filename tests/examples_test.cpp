// The sample game in examples/ with the real program: it converts cleanly, every data file it
// gives is shown whole by the dump (also as JSON), decompiles into a source that converts back
// to the same bytes, and a data file cut short or spoilt is reported with its offset.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "format/keyed_data.h"
#include "inspect/inspect.h"
#include "temp_dir.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

// Runs the real program on `arguments` (in the environment `env` changes, "env NAME=VALUE ...");
// its status, and what it printed in `output`.
int kelvconv(const std::string& arguments, std::string& output, const std::string& env = "") {
  std::FILE* p =
      ::popen((env + " " + std::string(KELV_BINARY) + " " + arguments + " 2>&1").c_str(), "r");
  if (p == nullptr) return -1;
  for (int c = std::fgetc(p); c != EOF; c = std::fgetc(p))
    output += static_cast<char>(c);
  const int status = ::pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Examples : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(KELV_EXAMPLES "/game", dir.path(), fs::copy_options::recursive);
    std::string sources;
    // The sources alone, without the author's names.txt beside them.
    for (const std::string& name : dir.names()) {
      if (name == "names.txt") continue;
      EXPECT_NE(kind_of_source(name), nullptr) << name << " is not a source kelvconv knows";
      sources += " '" + (dir / name) + "'";
    }
    std::string output;
    ASSERT_EQ(kelvconv("--yes" + sources, output), 0) << output;
    EXPECT_EQ(output, "");
    for (const std::string& name : dir.names()) {
      if (name.ends_with(".dat")) data.push_back(name);
    }
    ASSERT_EQ(data.size(), (dir.names().size() - 1) / 2);
  }

  TempDir dir;
  std::vector<std::string> data;
};

// Diagnostics and the author's names change no byte: the folder with its names.txt, warned,
// converts to what the sources alone give; --check writes nothing and finds nothing in the
// sample game, names.txt included.
TEST_F(Examples, WarningsChangeNoByteAndTheSampleGameIsClean) {
  std::string output;
  EXPECT_EQ(kelvconv("--check '" + dir.path() + "'", output), 0);
  EXPECT_EQ(output, "27 files checked, 0 warnings\n");
  fs::create_directory(fs_path(dir / "warned"));
  for (const std::string& name : dir.names()) {
    if (name.ends_with(".txt"))
      fs::copy_file(fs_path(dir / name), fs_path(dir / ("warned/" + name)));
  }
  const auto listing = [&] {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(fs_path(dir / "warned")))
      names.insert(utf8(e.path().filename()));
    return names;
  };
  const std::set<std::string> sources = listing();
  output.clear();
  EXPECT_EQ(kelvconv("--check --recursive '" + dir.path() + "/warned'", output), 0);
  EXPECT_EQ(listing(), sources);
  output.clear();
  EXPECT_EQ(kelvconv("-W --yes '" + dir.path() + "/warned'", output), 0) << output;
  for (const std::string& name : data)
    EXPECT_EQ(read_file(dir / ("warned/" + name)), read_file(dir / name)) << name;
}

TEST_F(Examples, EveryDataFileIsShownWhole) {
  // "name at 4, 8 bytes: ..." or "name at 4, declares 9 bytes, 8 follow: ...".
  const std::regex field(R"(^\S+ at (\d+), (?:declares \d+ bytes, )?(\d+) (?:bytes|follow).*)");
  for (const std::string& name : data) {
    const std::vector<unsigned char> bytes = read_file(dir / name);
    // Each field's header (name length, name, data size) and data follow the one before.
    std::size_t end = 4;
    std::size_t fields = 0;
    std::smatch m;
    const auto problems = dump_text(kind_of_data(name), name, bytes, [&](std::string_view l) {
      const std::string line(l);
      if (!std::regex_match(line, m, field)) return;
      EXPECT_EQ(std::stoul(m[1]), end) << line;
      end = std::stoul(m[1]) + 8 + line.find(' ') + 1 + std::stoul(m[2]);
      ++fields;
    });
    EXPECT_TRUE(problems.empty()) << name;
    EXPECT_EQ(end, bytes.size()) << name;
    EXPECT_GT(fields, 0u) << name;

    std::vector<DataProblem> json_problems;
    const auto doc =
        nlohmann::json::parse(dump_json(kind_of_data(name), name, bytes, json_problems));
    EXPECT_EQ(doc["fields"].size(), fields) << name;
    EXPECT_EQ(doc["size"], bytes.size()) << name;
  }
  // Shift-JIS texts come out as UTF-8.
  std::vector<DataProblem> ignored;
  const std::string pc =
      dump_json(kind_of_data("pc.dat"), "pc.dat", read_file(dir / "pc.dat"), ignored);
  EXPECT_EQ(nlohmann::json::parse(pc)["fields"][0]["values"][0]["value"], "アレン");
}

TEST_F(Examples, DecompiledSourcesAreCleanAndConvertBackToTheSameBytes) {
  std::string output;
  EXPECT_EQ(kelvconv("--decompile --yes '" + dir.path() + "'/*.dat", output), 0) << output;
  fs::create_directory(fs_path(dir / "again"));
  for (const std::string& name : data) {
    const std::string source = source_path(name);
    fs::copy_file(fs_path(dir / source), fs_path(dir / ("again/" + source)));
    EXPECT_TRUE(read_file(dir / source).size() > 0) << source;
  }
  output.clear();
  // kelvconv's own sources are clean: converted with --strict, any warning would fail the run.
  EXPECT_EQ(kelvconv("--strict --yes '" + dir.path() + "'/again/*.txt", output), 0) << output;
  for (const std::string& name : data)
    EXPECT_EQ(read_file(dir / ("again/" + name)), read_file(dir / name)) << name;
}

TEST_F(Examples, SpoiltDataFilesAreReportedWithTheirOffset) {
  for (const std::string& name : data) {
    const std::vector<unsigned char> bytes = read_file(dir / name);
    for (const std::size_t keep :
         {std::size_t{0}, std::size_t{3}, bytes.size() / 2, bytes.size() - 1}) {
      const std::span<const unsigned char> cut(bytes.data(), keep);
      EXPECT_FALSE(dump_text(kind_of_data(name), name, cut, [](std::string_view) {}).empty())
          << name << " cut to " << keep;
      EXPECT_FALSE(decompile(*kind_of_data(name), name, cut).problems.empty())
          << name << " cut to " << keep;
    }
  }
  // Through the real program: the status, and the offset where the dump lost its way.
  write_file(dir / "short/item_list.dat", std::string("\x02\0\0\0\x0c\0\0\0item_number", 19));
  write_file(dir / "empty/level_list.dat", "");
  std::string output;
  EXPECT_EQ(kelvconv("--dump '" + dir.path() + "/short/item_list.dat' '" + dir.path() +
                         "/empty/level_list.dat'",
                     output),
            1);
  EXPECT_NE(
      output.find(
          "short/item_list.dat: offset 4: field 1 of 2 has a name length of 12 with 11 bytes left"),
      std::string::npos)
      << output;
  EXPECT_NE(output.find("empty/level_list.dat: the file is empty"), std::string::npos)
      << output;
  // A data file of no kind kelvconv knows, named on the command line: its fields as bytes.
  write_file(dir / "other/notes.dat", std::string("\2\0\0\0"
                                                  "\2\0\0\0x\0\3\0\0\0\1\2\3"
                                                  "\2\0\0\0y\0\x09\0\0\0\4\5",
                                                  29));
  output.clear();
  EXPECT_EQ(kelvconv("--dump '" + dir.path() + "/other/notes.dat'", output), 1);
  EXPECT_EQ(output,
            "notes.dat: a kind kelvconv does not know, 29 bytes, 2 fields\n"
            "x at 4, 3 bytes\n"
            "  14: 010203\n"
            "y at 17, declares 9 bytes, 2 follow\n"
            "  27: 0405\n"
            "kelvconv: " +
                dir.path() +
                "/other/notes.dat: offset 17: y: declares 9 data "
                "bytes where 2 are left in the file\n");
}

// The program speaks Japanese to a user whose environment says so, also where the machine has no
// Japanese locale (as on a fresh Debian, where only C and C.UTF-8 exist); what programs read (the
// JSON dump) is the same in both languages, and a decompiled source starts with a comment in the
// user's language, in Shift-JIS like the rest of it.
TEST_F(Examples, InJapaneseWhereTheEnvironmentSaysSo) {
  const std::string japanese = "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=ja_JP.UTF-8";
  const char* had = std::setlocale(LC_ALL, nullptr);
  const std::string before = had != nullptr ? had : "C";
  const bool generated = std::setlocale(LC_ALL, "ja_JP.UTF-8") != nullptr;
  std::setlocale(LC_ALL, before.c_str());
  RecordProperty("ja_JP.UTF-8 generated", generated ? "yes" : "no");
  std::string output;
  EXPECT_EQ(kelvconv("--check '" + dir.path() + "'", output, japanese), 0);
  EXPECT_EQ(output, "27 個のファイルを検査しました（警告 0 件）\n");
  output.clear();
  EXPECT_EQ(
      kelvconv("'" + dir.path() + "/none.txt' '" + dir.path() + "/gone/pc.txt'", output, japanese),
      1);
  EXPECT_EQ(output, "kelvconv: " + dir.path() +
                        "/none.txt: 開けません：そのようなファイルやフォルダーはありません\n"
                        "kelvconv: " +
                        dir.path() +
                        "/gone/pc.txt: 開けません：そのようなファイルやフォルダーはありません\n");
  for (const std::string& name : data) {
    std::string english, in_japanese;
    const std::string dump = "--dump --json '" + (dir / name) + "'";
    EXPECT_EQ(kelvconv(dump, english), 0);
    EXPECT_EQ(kelvconv(dump, in_japanese, japanese), 0);
    EXPECT_EQ(in_japanese, english) << name;
  }
  output.clear();
  fs::create_directory(fs_path(dir / "back"));
  fs::copy_file(fs_path(dir / "item_list.dat"), fs_path(dir / "back/item_list.dat"));
  EXPECT_EQ(kelvconv("--decompile '" + dir.path() + "/back/item_list.dat'", output, japanese), 0)
      << output;
  const std::string source = file_text(dir / "back/item_list.txt");
  // "kelvconv が item_list.dat から逆変換しました。" in Shift-JIS
  EXPECT_EQ(source.substr(0, source.find('\n')),
            "kelvconv \x82\xaa item_list.dat \x82\xa9\x82\xe7\x8b\x74\x95\xcf\x8a\xb7\x82\xb5"
            "\x82\xdc\x82\xb5\x82\xbd\x81\x42");
}

}  // namespace
}  // namespace kelv::test
