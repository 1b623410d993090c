// Converter cases as data. tests/cases/<kind>/<case>.txt is a source of that kind (or
// <case>.1.txt, <case>.2.txt, ...: sources converted one after the other in one run), and
// <case>.expected is what the run must give: its messages, then the dump (kelvconv --dump) of
// every data file written, in order, with what the dump finds wrong in it. <case>.warnings, where
// there is one, is what `kelvconv --check` tells of the sources. One test per case; a mismatch
// shows both side by side. With KELV_SEED_DIR set, every source is also saved there as a seed of
// the converters' fuzz target (fuzz/seed.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "files_support.h"
#include "inspect/inspect.h"
#include "seeds.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

struct Case {
  std::string kind;
  std::string name;
  std::vector<fs::path> sources;
  fs::path expected;  // the conversion's messages and dumps, where the case has them
  fs::path warnings;  // what --check tells, where the case has it
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.kind << "/" << c.name;
}

std::vector<Case> all_cases() {
  std::vector<Case> cases;
  for (const auto& kind : fs::directory_iterator(KELV_CASES)) {
    if (!kind.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(kind.path())) {
      const fs::path& p = file.path();
      const fs::path expected = fs::path(p).replace_extension(".expected");
      const fs::path warnings = fs::path(p).replace_extension(".warnings");
      // A case is found by its .expected, or by its .warnings where it has no .expected.
      if (!(p.extension() == ".expected" ||
            (p.extension() == ".warnings" && !fs::exists(expected))))
        continue;
      Case c{utf8(kind.path().filename()),
             utf8(p.stem()),
             {},
             fs::exists(expected) ? expected : fs::path(),
             fs::exists(warnings) ? warnings : fs::path()};
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

std::string text_of_file(const fs::path& path) {
  const std::vector<unsigned char> bytes = read_file(utf8(path));
  return {bytes.begin(), bytes.end()};
}

TEST_P(Cases, ConvertAndDump) {
  const Case& c = GetParam();
  ASSERT_FALSE(c.sources.empty()) << "no source for " << c.kind << "/" << c.name;
  TempDir dir;
  std::vector<std::string> sources;
  for (std::size_t i = 0; i < c.sources.size(); ++i) {
    const std::string folder = c.sources.size() == 1 ? "" : std::to_string(i + 1) + "/";
    sources.push_back(folder + c.kind + ".txt");
    write_file(dir / sources.back(), text_of_file(c.sources[i]));
    const char* seeds = std::getenv("KELV_SEED_DIR");
    if (seeds != nullptr && *seeds != '\0') {
      save_seed(seeds, c.kind, text_of_file(c.sources[i]));
    }
  }
  // What the driver said, without the temporary folder.
  const auto said = [&](const std::vector<std::string>& lines, std::string_view prefix) {
    std::string out;
    for (std::string line : lines) {
      for (std::size_t at; (at = line.find(dir.path() + "/")) != std::string::npos;)
        line.erase(at, dir.path().size() + 1);
      out += std::string(prefix) + line + "\n";
    }
    return out;
  };
  for (const bool check : {false, true}) {
    const fs::path& want = check ? c.warnings : c.expected;
    if (want.empty()) continue;
    std::vector<std::string> args{check ? "--check" : "-y"};
    for (const std::string& s : sources)
      args.push_back(dir / s);
    RecordingConsole console;
    const int status = run_driver(args, system_files(), console);
    std::string actual = said(console.errors, check ? "" : "kelvconv: ");
    if (!check) {
      EXPECT_EQ(status, console.errors.empty() ? kExitOk : kExitFailed);
    }
    for (const std::string& s : sources) {
      const std::string output = output_path(dir / s);
      if (check || !fs::exists(fs_path(output))) continue;
      const std::string base(base_name(output));
      for (const DataProblem& p :
           dump_text(kind_of_data(base), base, read_file(output),
                     [&](std::string_view line) { actual += std::string(line) + "\n"; }))
        actual += describe(p) + "\n";
    }
    const std::string expected = text_of_file(want);
    if (actual != expected) ADD_FAILURE() << utf8(want) << "\n" << side_by_side(expected, actual);
  }
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
