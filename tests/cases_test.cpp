// Cases as data: tests/cases/<kind>/<case>.* run through the real driver, one test each.
//
// Inputs: <case>.txt, a source of the kind (or <case>.1.txt, <case>.2.txt, ...: several, each in a
// folder of its own, 1/, 2/, ...), and <case>.hex, a data file of the kind given as hexadecimal
// bytes (blanks and "#" comments between them are free), likewise numbered. Other files of the
// game folder go beside the source under the name after the case's: <case>.item_list.txt is
// item_list.txt, <case>.names.txt is names.txt.
//
// Expectations: <case>.expected and <case>.warnings. Without a command of its own, a case is
// converted with -y: .expected holds the run's messages, then the dump of every data file written
// with what the dump finds wrong in it; .warnings holds what `kelvconv --check` tells.
//
// A case may state its commands instead, in its first input's first lines:
//   # run: --decompile -y {outputs}
// and the language it runs in ("# language: ja"; English when it says nothing).
// each run in turn in the case's folder, {sources} standing for its sources, {outputs} for their
// data files and {folder} for the folder. Then .expected is the transcript: each command as
// "$ kelvconv ...", what it said (errors and warnings after "kelvconv: " or as editors read
// them, the rest as it is) and its status when not 0; then the dump of every data file the runs
// wrote or changed, and every source they changed (decoded from Shift-JIS, control bytes as \xNN),
// after "--- NAME".
//
// With KELV_UPDATE_CASES set, a case whose result differs has its expectation written anew
// (./dev.sh cases --update); look at the difference before committing it. With KELV_SEED_DIR
// set, every source is also saved there as a seed of the converters' fuzz target (fuzz/seed.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "convert/catalog.h"
#include "driver/paths.h"
#include "files_support.h"
#include "inspect/inspect.h"
#include "inspect/shown_text.h"
#include "language/tr.h"
#include "seeds.h"

namespace kelv::test {
namespace {

namespace fs = std::filesystem;

struct Input {
  fs::path file;
  bool data = false;   // a .hex: a data file
  std::string beside;  // the name of another file of the folder ("item_list.txt"), or empty

  // The case's own sources come first, in their order; then the other files.
  auto order() const { return std::make_pair(!beside.empty(), file); }
};

struct Case {
  std::string kind;
  std::string name;
  std::vector<Input> inputs;
  fs::path expected;  // where the case has one
  fs::path warnings;
  std::string trouble;  // what makes the case itself wrong
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.kind << "/" << c.name;
}

std::string text_of_file(const fs::path& path) {
  const std::vector<unsigned char> bytes = read_file(utf8(path));
  return {bytes.begin(), bytes.end()};
}

std::vector<Case> all_cases() {
  std::vector<Case> cases;
  for (const auto& folder : fs::directory_iterator(KELV_CASES)) {
    if (!folder.is_directory()) continue;
    const std::string kind = utf8(folder.path().filename());
    std::map<std::string, Case> found;
    for (const auto& file : fs::directory_iterator(folder.path())) {
      const std::string name = utf8(file.path().filename());
      const std::string stem = name.substr(0, name.find('.'));
      Case& c = found[stem];
      c.kind = kind;
      c.name = stem;
      const std::string ext = utf8(file.path().extension());
      if (ext == ".expected") {
        c.expected = file.path();
      } else if (ext == ".warnings") {
        c.warnings = file.path();
      } else if (ext == ".txt" || ext == ".hex") {
        // What lies between the case's name and the extension: nothing, a number, or a name.
        const std::size_t from = stem.size() + 1;
        const std::string middle = name.size() > from + ext.size()
                                       ? name.substr(from, name.size() - from - ext.size())
                                       : std::string();
        const bool other =
            !middle.empty() && !std::ranges::all_of(middle, [](char d) { return std::isdigit(d); });
        c.inputs.push_back({file.path(), ext == ".hex", other ? middle + ext : ""});
      } else {
        c.trouble = "a file the runner does not know: " + name;
      }
    }
    for (auto& [stem, c] : found) {
      std::ranges::sort(c.inputs, {}, &Input::order);
      if (kind_named(kind) == nullptr) c.trouble = "the folder names no kind: " + kind;
      if (c.inputs.empty()) c.trouble = "no source and no data file";
      if (c.expected.empty() && c.warnings.empty()) c.trouble = "no .expected and no .warnings";
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

// The bytes a .hex file gives.
std::string from_hex(const std::string& text) {
  std::string bytes;
  int high = -1;
  bool comment = false;
  for (const char c : text) {
    if (c == '\n') comment = false;
    if (comment || c == '#') {
      comment = true;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(c))) continue;
    const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10;
    if (high < 0) {
      high = v;
    } else {
      bytes += static_cast<char>(high * 16 + v);
      high = -1;
    }
  }
  return bytes;
}

// A source as the transcript shows it: as UTF-8, as the dump shows texts, and its control bytes
// but tabs and line feeds as \xNN, so that none of them hides in the expectation.
std::string shown(const std::string& source) {
  bool exact = true;
  std::string out;
  for (const char c : plain(source, exact)) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && c != '\t' && c != '\n') || b == 0x7f) {
      out += "\\x" + std::string(1, "0123456789abcdef"[b >> 4]) + "0123456789abcdef"[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// The commands a case states, its first input's first lines "# run: ...", and its language.
std::vector<std::string> commands_of(const Case& c, Language& language) {
  std::vector<std::string> commands;
  language = Language::English;
  for (const std::string& line : lines_of(text_of_file(c.inputs.front().file))) {
    if (line.starts_with("# language: ")) {
      language = language_of(line.substr(12));
    } else if (line.starts_with("# run: ")) {
      commands.push_back(line.substr(7));
    } else {
      break;
    }
  }
  return commands;
}

// Runs one case in its language, and English again afterwards.
class CaseLanguage {
 public:
  explicit CaseLanguage(Language l) { use_language(l); }
  ~CaseLanguage() { use_language(Language::English); }
};

// What the driver tells the user, in order, as the transcript shows it.
class CaseConsole final : public Console {
 public:
  Answer ask_overwrite(const std::string& output) override {
    lines.push_back("kelvconv: " + output + ": (asked whether to replace it; no one answers)");
    return Answer::CannotAsk;
  }
  void cannot_create(const std::string& output, const Problem& reason) override {
    lines.push_back("kelvconv: " + output + ": " + kCannotCreate() + ": " + reason);
  }
  void error(std::string_view line) override { lines.push_back("kelvconv: " + std::string(line)); }
  void diagnostic(std::string_view line) override { lines.emplace_back(line); }
  void info(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

class Cases : public ::testing::TestWithParam<Case> {};

TEST_P(Cases, Run) {
  const Case& c = GetParam();
  ASSERT_TRUE(c.trouble.empty()) << c.trouble;
  TempDir dir;
  // Where each input goes in the case's folder.
  std::vector<std::string> sources, outputs;
  std::map<std::string, std::string> before;  // the inputs' bytes, by path in the folder
  const auto own = static_cast<std::size_t>(
      std::ranges::count_if(c.inputs, [](const Input& i) { return i.beside.empty(); }));
  for (std::size_t i = 0; i < c.inputs.size(); ++i) {
    const Input& input = c.inputs[i];
    const std::string text = text_of_file(input.file);
    const std::string bytes = input.data ? from_hex(text) : text;
    if (!input.beside.empty()) {
      // Another file of the game folder; a source of a kind is converted and shown as well.
      write_file(dir / input.beside, bytes);
      before[input.beside] = bytes;
      const std::string_view stem =
          std::string_view(input.beside).substr(0, input.beside.size() - 4);
      if (kind_of_source(input.beside) != nullptr) {
        sources.push_back(input.beside);
        outputs.push_back(std::string(stem) + ".dat");
      }
      continue;
    }
    const std::string folder = own == 1 ? "" : std::to_string(i + 1) + "/";
    const std::string name = folder + c.kind + (input.data ? ".dat" : ".txt");
    write_file(dir / name, bytes);
    before[name] = bytes;
    sources.push_back(folder + c.kind + ".txt");
    outputs.push_back(folder + c.kind + ".dat");
    const char* seeds = std::getenv("KELV_SEED_DIR");
    if (!input.data && seeds != nullptr && *seeds != '\0') save_seed(seeds, c.kind, text);
  }
  // What the driver said, without the temporary folder. Where the driver joins a folder's
  // names with a backslash (Windows), the paths in it are shown with slashes as typed here.
  const auto without_folder = [&](std::string line) {
    const std::string folder = dir.path();
    for (std::size_t at; (at = line.find(folder)) != std::string::npos;) {
      std::size_t end = at + folder.size();
      if (end < line.size() && (line[end] == '/' || line[end] == '\\')) ++end;
      line.erase(at, end - at);
#ifdef _WIN32
      for (std::size_t i = at; i < line.size() && line[i] != ':' && line[i] != ' '; ++i)
        if (line[i] == '\\') line[i] = '/';
#endif
    }
    return line;
  };
  // The dump of a data file, with what it finds wrong.
  const auto dumped = [&](const std::string& name) {
    std::string out;
    const std::string base(base_name(name));
    for (const DataProblem& p :
         dump_text(kind_of_data(base), base, read_file(dir / name),
                   [&](std::string_view line) { out += std::string(line) + "\n"; }))
      out += describe(p) + "\n";
    return out;
  };
  // Runs the driver with the placeholders expanded; `shown` gets the command as typed in the
  // case's folder.
  const auto run = [&](std::vector<std::string> args, CaseConsole& console, std::string& shown) {
    std::vector<std::string> expanded;
    for (const std::string& a : args) {
      const std::vector<std::string>* list = a == "{sources}"   ? &sources
                                             : a == "{outputs}" ? &outputs
                                                                : nullptr;
      if (list == nullptr) {
        std::string arg = a;
        if (const std::size_t at = arg.find("{folder}"); at != std::string::npos) {
          arg.replace(at, 8, dir.path());
        }
        expanded.push_back(arg);
      } else {
        for (const std::string& name : *list)
          expanded.push_back(dir / name);
      }
    }
    for (const std::string& a : expanded)
      shown += " " + (a == dir.path() ? std::string(".") : without_folder(a));
    return run_driver(expanded, system_files(), console);
  };

  Language language = Language::English;
  const std::vector<std::string> commands = commands_of(c, language);
  const CaseLanguage in_language(language);
  for (const bool check : {false, true}) {
    const fs::path& want = check ? c.warnings : c.expected;
    if (want.empty()) continue;
    std::string actual;
    if (!commands.empty() && !check) {
      for (const std::string& command : commands) {
        std::vector<std::string> args;
        for (std::size_t at = 0; at < command.size();) {
          const std::size_t end = std::min(command.find(' ', at), command.size());
          if (end > at) args.push_back(command.substr(at, end - at));
          at = end + 1;
        }
        CaseConsole console;
        std::string shown;
        const int status = run(args, console, shown);
        actual += "$ kelvconv" + shown + "\n";
        for (const std::string& line : console.lines)
          actual += without_folder(line) + "\n";
        if (status != 0) actual += "exit status " + std::to_string(status) + "\n";
      }
      for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (const std::string& name : {outputs[i], sources[i]}) {
          const std::string now = text_of_file(fs_path(dir / name));
          const auto was = before.find(name);
          if (!fs::exists(fs_path(dir / name)) || (was != before.end() && was->second == now)) {
            continue;
          }
          actual += "--- " + name + "\n" + (name.ends_with(".dat") ? dumped(name) : shown(now));
        }
      }
    } else {
      CaseConsole console;
      std::string shown;
      const int status = run({check ? "--check" : "-y", "{sources}"}, console, shown);
      for (const std::string& line : console.lines)
        actual += without_folder(line) + "\n";
      if (!check) {
        const bool failed = std::ranges::any_of(
            console.lines, [](const std::string& line) { return line.starts_with("kelvconv: "); });
        EXPECT_EQ(status, failed ? kExitFailed : kExitOk);
        for (const std::string& output : outputs) {
          if (fs::exists(fs_path(dir / output))) actual += dumped(output);
        }
      }
    }
    const std::string expected = text_of_file(want);
    if (actual == expected) continue;
    if (std::getenv("KELV_UPDATE_CASES") != nullptr) {
      write_file(utf8(want), actual);
      std::printf("updated %s\n", utf8(want).c_str());
      continue;
    }
    ADD_FAILURE() << utf8(want) << "\n" << side_by_side(expected, actual);
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
