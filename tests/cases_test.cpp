// Converter cases as data. tests/cases/<kind>/<case>.txt is a source of that kind (or
// <case>.1.txt, <case>.2.txt, ...: sources converted one after the other in one run), and
// <case>.expected is what the run must give: its messages, then the dump (kelvconv --dump) of
// every data file written, in order. One test per case; a mismatch shows both side by side.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/routes.h"
#include "files_support.h"
#include "inspect/inspect.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string kind;
  std::string name;
  std::vector<fs::path> sources;
  fs::path expected;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.kind << "/" << c.name;
}

std::vector<Case> all_cases() {
  std::vector<Case> cases;
  for (const auto& kind : fs::directory_iterator(KELV_CASES)) {
    if (!kind.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(kind.path())) {
      if (file.path().extension() != ".expected") continue;
      Case c{utf8(kind.path().filename()), utf8(file.path().stem()), {}, file.path()};
      const fs::path single = kind.path() / (c.name + ".txt");
      if (fs::exists(single)) c.sources.push_back(single);
      for (int i = 1; fs::exists(kind.path() / (c.name + "." + std::to_string(i) + ".txt")); ++i)
        c.sources.push_back(kind.path() / (c.name + "." + std::to_string(i) + ".txt"));
      cases.push_back(std::move(c));
    }
  }
  std::ranges::sort(cases, {}, [](const Case& c) { return c.kind + "/" + c.name; });
  return cases;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// The two texts in two columns, lines that differ marked.
std::string side_by_side(const std::string& expected, const std::string& actual) {
  const std::vector<std::string> a = lines_of(expected);
  const std::vector<std::string> b = lines_of(actual);
  std::string out = "expected | actual\n";
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string& l = i < a.size() ? a[i] : std::string();
    const std::string& r = i < b.size() ? b[i] : std::string();
    out += (l == r ? "  " : "! ") + l + "  |  " + r + "\n";
  }
  return out;
}

class Cases : public ::testing::TestWithParam<Case> {};

TEST_P(Cases, ConvertAndDump) {
  const Case& c = GetParam();
  ASSERT_FALSE(c.sources.empty()) << "no source for " << utf8(c.expected);
  TempDir dir;
  std::vector<std::string> sources;
  for (std::size_t i = 0; i < c.sources.size(); ++i) {
    const std::string folder = c.sources.size() == 1 ? "" : std::to_string(i + 1) + "/";
    sources.push_back(folder + c.kind + ".txt");
    const std::vector<unsigned char> bytes = read_file(utf8(c.sources[i]));
    write_file(dir / sources.back(), {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  }
  std::vector<std::string> args{"-y"};
  for (const std::string& s : sources)
    args.push_back(dir / s);
  RecordingConsole console;
  run_driver(args, system_files(), console);

  std::string actual;
  for (std::string e : console.errors) {
    if (e.starts_with(dir.path() + "/")) e.erase(0, dir.path().size() + 1);
    actual += "kelvconv: " + e + "\n";
  }
  for (const std::string& s : sources) {
    const std::string output = output_path(dir / s);
    if (!fs::exists(fs_path(output))) continue;
    const std::string base(base_name(output));
    dump_text(find_data_route(base), base, read_file(output),
              [&](std::string_view line) { actual += std::string(line) + "\n"; });
  }
  const std::vector<unsigned char> want = read_file(utf8(c.expected));
  const std::string expected(want.begin(), want.end());
  if (actual != expected) ADD_FAILURE() << side_by_side(expected, actual);
}

INSTANTIATE_TEST_SUITE_P(, Cases, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.kind + "_" + info.param.name;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace kelv::test
