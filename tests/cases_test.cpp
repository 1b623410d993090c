// Cases as data: tests/cases/<kind>/<case>.* run through the real driver, one test each.
//
// Inputs: <case>.txt, a source of the kind (or <case>.1.txt, <case>.2.txt, ...: several, each in a
// folder of its own, 1/, 2/, ...), and <case>.hex, a data file of the kind given as hexadecimal
// bytes (blanks and "#" comments between them are free), likewise numbered. Other files of the
// game folder go beside the source under the name after the case's: <case>.item_list.txt is
// item_list.txt, <case>.names.txt is names.txt.
//
// Commands: a case is converted with -y, unless it states its commands in its first input's first
// lines,
//   # run: --decompile -y {outputs}
// each run in turn in the case's folder, {sources} standing for its sources, {outputs} for their
// data files and {folder} for the folder.
//
// Expectations: <case>.expected holds what the run told and left. Converted with -y: its messages,
// then the dump of every data file written with what the dump finds wrong in it. With commands,
// the transcript: each command as "$ kelvconv ...", what it said (errors and warnings after
// "kelvconv: " or as editors read them, the rest as it is) and its status when not 0; then the
// dump of every data file the runs wrote or changed, and every source they changed (decoded from
// Shift-JIS, control bytes as \xNN), after "--- NAME". <case>.warnings holds what `kelvconv
// --check` tells of the sources after that.
//
// Languages: those are the English expectations; <case>.ja.expected and <case>.ja.warnings are
// the Japanese ones. A case runs in each language it has an expectation for, each time in a fresh
// folder: one input, and its messages in both languages.
//
// An expectation is whole (the output, every line of it) or partial: directives stating only the
// lines that matter, in order, as LLVM's FileCheck reads them:
//   CHECK: TEXT        a later line is TEXT: after the line the directive before found
//   CHECK-NEXT: TEXT   the very next line is TEXT (as the first directive: the first line)
//   CHECK-NOT: TEXT    no line holds TEXT between the lines the directives around it found (from
//                      the start, to the end)
//   # ...              a comment; blank lines are free
// CHECK and CHECK-NEXT match a whole line, CHECK-NOT a part of one. An expectation is partial when
// a line of it begins with "CHECK"; then every other line is a comment or blank. Keep a case whole
// where every line is the point (a data file's layout, the help); make it partial where a few
// lines among many are, and the Japanese expectation of a case partial with the lines that differ
// from the English.
//
// With KELV_UPDATE_CASES set (./dev.sh cases --update), a whole expectation that differs is
// written anew (an empty file gets its first); look at the difference before committing it. A
// partial one that fails is only reported, to be mended by hand. With KELV_SEED_DIR set, every
// source is also saved there as a seed of the converters' fuzz target (fuzz/seed.sh).
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

struct Expectation {
  fs::path file;
  Language language = Language::English;
  bool check = false;  // a .warnings: what --check tells

  // English first, and in each language the run before the check.
  auto order() const { return std::make_pair(language != Language::English, check); }
};

struct Case {
  std::string kind;
  std::string name;
  std::vector<Input> inputs;
  std::vector<Expectation> expectations;
  std::string trouble;  // what makes the case itself wrong
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << c.kind << "/" << c.name;
}

std::string text_of_file(const fs::path& path) {
  const std::vector<unsigned char> bytes = read_file(utf8(path));
  return {bytes.begin(), bytes.end()};
}

// One file of a case's folder, by what lies between the case's name and the extension: nothing,
// a number, or a name (of another file of the game folder, or of the expectation's language).
void add_file(Case& c, const fs::path& file) {
  const std::string name = utf8(file.filename());
  const std::string ext = utf8(file.extension());
  const std::size_t from = c.name.size() + 1;
  const std::string middle =
      name.size() > from + ext.size() ? name.substr(from, name.size() - from - ext.size()) : "";
  if (ext == ".expected" || ext == ".warnings") {
    if (!middle.empty() && middle != "ja") c.trouble = "an expectation in no language: " + name;
    c.expectations.push_back(
        {file, middle.empty() ? Language::English : Language::Japanese, ext == ".warnings"});
  } else if (ext == ".txt" || ext == ".hex") {
    const bool other =
        !middle.empty() && !std::ranges::all_of(middle, [](char d) { return std::isdigit(d); });
    c.inputs.push_back({file, ext == ".hex", other ? middle + ext : ""});
  } else {
    c.trouble = "a file the runner does not know: " + name;
  }
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
      add_file(c, file.path());
    }
    for (auto& [stem, c] : found) {
      std::ranges::sort(c.inputs, {}, &Input::order);
      std::ranges::sort(c.expectations, {}, &Expectation::order);
      if (kind_named(kind) == nullptr) c.trouble = "the folder names no kind: " + kind;
      if (c.inputs.empty()) c.trouble = "no source and no data file";
      if (c.expectations.empty()) c.trouble = "no .expected and no .warnings";
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

// The commands a case states, its first input's first lines "# run: ...", each split at blanks.
std::vector<std::vector<std::string>> commands_of(const Case& c) {
  std::vector<std::vector<std::string>> commands;
  for (const std::string& line : lines_of(text_of_file(c.inputs.front().file))) {
    if (!line.starts_with("# run: ")) break;
    std::vector<std::string>& args = commands.emplace_back();
    for (std::size_t at = 7; at < line.size();) {
      const std::size_t end = std::min(line.find(' ', at), line.size());
      if (end > at) args.push_back(line.substr(at, end - at));
      at = end + 1;
    }
  }
  return commands;
}

// Runs one case in a language, and English again afterwards.
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

// ---- place: the case's inputs in a fresh folder --------------------------------------------

class Place {
 public:
  explicit Place(const Case& c) {
    const auto own = static_cast<std::size_t>(
        std::ranges::count_if(c.inputs, [](const Input& i) { return i.beside.empty(); }));
    for (std::size_t i = 0; i < c.inputs.size(); ++i) {
      const Input& input = c.inputs[i];
      const std::string text = text_of_file(input.file);
      const std::string bytes = input.data ? from_hex(text) : text;
      if (!input.beside.empty()) {
        // Another file of the game folder; a source of a kind is converted and shown as well.
        put(input.beside, bytes);
        if (kind_of_source(input.beside) != nullptr) {
          sources.push_back(input.beside);
          outputs.push_back(input.beside.substr(0, input.beside.size() - 4) + ".dat");
        }
        continue;
      }
      const std::string folder = own == 1 ? "" : std::to_string(i + 1) + "/";
      put(folder + c.kind + (input.data ? ".dat" : ".txt"), bytes);
      sources.push_back(folder + c.kind + ".txt");
      outputs.push_back(folder + c.kind + ".dat");
    }
  }

  // A line the driver said, without the temporary folder. Where the driver joins a folder's
  // names with a backslash (Windows), the paths in it are shown with slashes as typed here.
  std::string without_folder(std::string line) const {
    const std::string folder = dir_.path();
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
  }

  // The arguments with the placeholders expanded.
  std::vector<std::string> expanded(const std::vector<std::string>& args) const {
    std::vector<std::string> out;
    for (const std::string& a : args) {
      const std::vector<std::string>* list = a == "{sources}"   ? &sources
                                             : a == "{outputs}" ? &outputs
                                                                : nullptr;
      if (list == nullptr) {
        std::string arg = a;
        if (const std::size_t at = arg.find("{folder}"); at != std::string::npos) {
          arg.replace(at, 8, dir_.path());
        }
        out.push_back(arg);
      } else {
        for (const std::string& name : *list)
          out.push_back(dir_ / name);
      }
    }
    return out;
  }

  // A command as typed in the case's folder.
  std::string typed(const std::vector<std::string>& args) const {
    std::string out = "kelvconv";
    for (const std::string& a : args)
      out += " " + (a == dir_.path() ? std::string(".") : without_folder(a));
    return out;
  }

  // The dump of a data file, with what it finds wrong.
  std::string dumped(const std::string& name) const {
    std::string out;
    const std::string base(base_name(name));
    for (const DataProblem& p :
         dump_text(kind_of_data(base), base, read_file(dir_ / name),
                   [&](std::string_view line) { out += std::string(line) + "\n"; }))
      out += describe(p) + "\n";
    return out;
  }

  bool has(const std::string& name) const {
    return fs::exists(fs_path(dir_ / name));
  }

  // What the file `name` holds now, when it is there and the runs wrote or changed it.
  bool changed(const std::string& name, std::string& now) const {
    if (!has(name)) return false;
    now = text_of_file(fs_path(dir_ / name));
    const auto was = before_.find(name);
    return was == before_.end() || was->second != now;
  }

  std::vector<std::string> sources, outputs;  // by their names in the folder

 private:
  void put(const std::string& name, const std::string& bytes) {
    write_file(dir_ / name, bytes);
    before_[name] = bytes;
  }

  TempDir dir_;
  std::map<std::string, std::string> before_;  // the inputs' bytes, by name in the folder
};

// ---- run: one command line through the driver ----------------------------------------------

struct Said {
  std::string command;  // as typed in the case's folder
  int status = 0;
  std::vector<std::string> lines;  // without the temporary folder
};

Said run(const Place& place, const std::vector<std::string>& args) {
  const std::vector<std::string> expanded = place.expanded(args);
  CaseConsole console;
  Said said{place.typed(expanded), run_driver(expanded, system_files(), console), {}};
  for (const std::string& line : console.lines)
    said.lines.push_back(place.without_folder(line));
  return said;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines)
    out += line + "\n";
  return out;
}

// ---- transcript: what a case's runs told and left ------------------------------------------

// The case's own commands, each with what it said, then what they wrote or changed.
std::string transcript(const Place& place, const std::vector<std::vector<std::string>>& commands) {
  std::string out;
  for (const std::vector<std::string>& args : commands) {
    const Said said = run(place, args);
    out += "$ " + said.command + "\n" + joined(said.lines);
    if (said.status != 0) out += "exit status " + std::to_string(said.status) + "\n";
  }
  for (std::size_t i = 0; i < place.outputs.size(); ++i) {
    for (const std::string& name : {place.outputs[i], place.sources[i]}) {
      if (std::string now; place.changed(name, now)) {
        out += "--- " + name + "\n" + (name.ends_with(".dat") ? place.dumped(name) : shown(now));
      }
    }
  }
  return out;
}

// The sources converted with -y: the messages, then the dump of every data file; the status is
// 1 exactly when a message tells a failure.
std::string converted(const Place& place) {
  const Said said = run(place, {"-y", "{sources}"});
  const bool failed = std::ranges::any_of(
      said.lines, [](const std::string& line) { return line.starts_with("kelvconv: "); });
  EXPECT_EQ(said.status, failed ? kExitFailed : kExitOk);
  std::string out = joined(said.lines);
  for (const std::string& output : place.outputs) {
    if (place.has(output)) out += place.dumped(output);
  }
  return out;
}

// ---- partial expectations ------------------------------------------------------------------

struct Directive {
  enum class Kind { Check, Next, Not } kind;
  std::string text;
  std::size_t line;  // in the expectation, from 1
  std::string written;
};

bool is_partial(const std::string& expectation) {
  return std::ranges::any_of(lines_of(expectation),
                             [](const std::string& l) { return l.starts_with("CHECK"); });
}

// The directives of a partial expectation; `trouble` tells a line that is none.
std::vector<Directive> directives_of(const std::string& expectation, std::string& trouble) {
  static const std::pair<std::string_view, Directive::Kind> kNames[] = {
      {"CHECK:", Directive::Kind::Check},
      {"CHECK-NEXT:", Directive::Kind::Next},
      {"CHECK-NOT:", Directive::Kind::Not}};
  std::vector<Directive> out;
  const std::vector<std::string> lines = lines_of(expectation);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.empty() || l.starts_with("#")) continue;
    const auto* name =
        std::ranges::find_if(kNames, [&](const auto& n) { return l.starts_with(n.first); });
    std::string text = name == std::end(kNames) ? "" : l.substr(name->first.size());
    if (text.starts_with(" ")) text.erase(0, 1);
    if (name == std::end(kNames) || (name->second == Directive::Kind::Not && text.empty())) {
      trouble += std::to_string(i + 1) + ": neither a directive nor a comment: " + l + "\n";
      continue;
    }
    out.push_back({name->second, text, i + 1, l});
  }
  return out;
}

// Where the output fails the directives; empty when it meets them all.
std::string unmet(const std::vector<Directive>& directives, const std::vector<std::string>& lines) {
  std::size_t next = 0;  // the first line the next CHECK may find
  std::vector<const Directive*> nots;
  // The lines from `next` to `end` (not included) hold none of the CHECK-NOT texts waiting.
  const auto none_before = [&](std::size_t end) -> std::string {
    for (const Directive* n : nots) {
      for (std::size_t k = next; k < end; ++k) {
        if (lines[k].find(n->text) != std::string::npos)
          return std::to_string(n->line) + ": " + n->written + "\n  line " + std::to_string(k + 1) +
                 " holds it";
      }
    }
    nots.clear();
    return {};
  };
  for (const Directive& d : directives) {
    if (d.kind == Directive::Kind::Not) {
      nots.push_back(&d);
      continue;
    }
    std::size_t at = next;
    if (d.kind == Directive::Kind::Check) {
      while (at < lines.size() && lines[at] != d.text)
        ++at;
    }
    if (at >= lines.size() || lines[at] != d.text) {
      const std::string where = d.kind == Directive::Kind::Next
                                    ? "line " + std::to_string(next + 1) + " is not that"
                                    : "no such line after line " + std::to_string(next);
      return std::to_string(d.line) + ": " + d.written + "\n  " + where;
    }
    if (std::string failed = none_before(at); !failed.empty()) return failed;
    next = at + 1;
  }
  return none_before(lines.size());
}

// The output with its lines numbered.
std::string numbered(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i)
    out += std::to_string(i + 1) + "| " + lines[i] + "\n";
  return out;
}

// Compares a run's output with the expectation `want`, whole or partial, and writes a whole one
// anew when asked to.
void expect(const fs::path& want, const std::string& actual) {
  const std::string expected = text_of_file(want);
  const bool update = std::getenv("KELV_UPDATE_CASES") != nullptr;
  if (is_partial(expected)) {
    std::string trouble;
    const std::vector<Directive> directives = directives_of(expected, trouble);
    const std::vector<std::string> lines = lines_of(actual);
    if (trouble.empty()) trouble = unmet(directives, lines);
    if (trouble.empty()) return;
    ADD_FAILURE() << utf8(want) << ":" << trouble
                  << (update ? "\n(partial: not written anew; mend it by hand)" : "")
                  << "\nthe output:\n"
                  << numbered(lines);
  } else if (actual == expected) {
    return;
  } else if (update) {
    write_file(utf8(want), actual);
    std::printf("updated %s\n", utf8(want).c_str());
  } else {
    ADD_FAILURE() << utf8(want) << "\n" << side_by_side(expected, actual);
  }
}

class Cases : public ::testing::TestWithParam<Case> {};

TEST_P(Cases, Run) {
  const Case& c = GetParam();
  ASSERT_TRUE(c.trouble.empty()) << c.trouble;
  if (const char* seeds = std::getenv("KELV_SEED_DIR"); seeds != nullptr && *seeds != '\0') {
    for (const Input& input : c.inputs) {
      if (!input.data && input.beside.empty()) save_seed(seeds, c.kind, text_of_file(input.file));
    }
  }
  const std::vector<std::vector<std::string>> commands = commands_of(c);
  for (std::size_t i = 0; i < c.expectations.size();) {
    // In each language, one place for the run and the check after it.
    const Language language = c.expectations[i].language;
    const CaseLanguage in_language(language);
    const Place place(c);
    for (; i < c.expectations.size() && c.expectations[i].language == language; ++i) {
      const Expectation& e = c.expectations[i];
      expect(e.file, e.check            ? joined(run(place, {"--check", "{sources}"}).lines)
                     : commands.empty() ? converted(place)
                                        : transcript(place, commands));
    }
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
