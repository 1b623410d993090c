// The command line, case by case: what each option sets, how short options group, where the
// options end, and the mistakes that make a wrong command line.
#include "driver/options.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "language/tr.h"

namespace kelv {
namespace {

// What a command line sets, written compactly: the overwrite rule (a = ask, y, n), the mode (c
// convert, k check, d dump, x decompile, e explain, m names, l lsp), then the flags set, then the paths.
std::string summary(const Options& o) {
  std::string s;
  s += o.overwrite == Overwrite::Ask ? 'a' : o.overwrite == Overwrite::Always ? 'y' : 'n';
  s += "ckdxeml"[static_cast<int>(o.mode)];
  for (const auto& [flag, letter] : {std::pair{o.json, 'j'},
                                     {o.quiet, 'q'},
                                     {o.strict, 's'},
                                     {o.recursive, 'r'},
                                     {o.update, 'u'},
                                     {o.verbose, 'v'},
                                     {o.help, 'h'},
                                     {o.version, 'V'}}) {
    if (flag) s += letter;
  }
  for (const std::string_view p : o.paths)
    s += " " + std::string(p);
  return s;
}

struct Case {
  std::vector<const char*> args;
  std::string want;  // the summary, or the error
};

TEST(Options, EachCommandLine) {
  const Case cases[] = {
      {{}, "ac"},
      {{"a.txt", "b"}, "ac a.txt b"},
      {{"-y", "a.txt"}, "yc a.txt"},
      {{"--no-clobber", "a.txt"}, "nc a.txt"},
      {{"-y", "-n"}, "nc"},
      {{"-n", "--yes"}, "yc"},
      {{"-yvrWu"}, "ycruv"},
      {{"--verbose", "--recursive", "--update", "--warn"}, "acruv"},
      {{"-q", "--strict", "a"}, "acqs a"},
      {{"--quiet", "-W"}, "acq"},
      {{"--names", "item_list"}, "am item_list"},
      {{"--names", "--explain"}, "option '--explain' does not go with the mode given before it"},
      {{"--check", "-r", "d/"}, "akr d/"},
      {{"--dump", "--json", "x.dat"}, "adj x.dat"},
      {{"--decompile", "-y", "x.dat"}, "yx x.dat"},
      {{"--explain", "scene"}, "ae scene"},
      {{"--check", "--check"}, "ak"},
      {{"-h"}, "ach"},
      {{"--version"}, "acV"},
      {{"-", "--", "-y", "--dump"}, "ac - -y --dump"},
      {{"a", "-v", "b"}, "acv a b"},
      {{"--bogus"}, "unrecognized option '--bogus'"},
      {{"--yes=1"}, "unrecognized option '--yes=1'"},
      {{"-yZ"}, "invalid option -- 'Z'"},
      {{"-Y"}, "invalid option -- 'Y'"},
      {{"--check", "--dump"}, "option '--dump' does not go with the mode given before it"},
      {{"--json", "x.dat"}, "option '--json' goes with --dump or --explain"},
      {{"--check", "--json"}, "option '--json' goes with --dump or --explain"},
      {{"--explain", "--json"}, "aej"},
      {{"--lsp"}, "al"},
      {{"--lsp", "a.txt"}, "option '--lsp' takes no files: the editor sends them"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"kelvconv"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Options o;
    std::string error;
    const bool ok = parse_options(argv, o, error);
    EXPECT_EQ(ok ? summary(o) : error, c.want) << testing::PrintToString(c.args);
    EXPECT_EQ(ok, error.empty());
  }
}

// The help fits a terminal of 80 columns in both languages, a Japanese character taking two.
TEST(Options, TheHelpFitsEightyColumns) {
  for (const Language language : {Language::English, Language::Japanese}) {
    use_language(language);
    const std::string help = usage() + version();
    for (std::size_t at = 0, end = 0; at < help.size(); at = end + 1) {
      end = help.find('\n', at);
      if (end == std::string::npos) end = help.size();
      const std::string line = help.substr(at, end - at);
      EXPECT_LE(display_width(line), 79u) << line;
    }
  }
  use_language(Language::English);
}

}  // namespace
}  // namespace kelv
