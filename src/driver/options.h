// The command line: the options kelvconv takes, read GNU-style from one table that also gives
// the help.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelv {

enum class Overwrite { Ask, Always, Never };
enum class Mode { Convert, Check, Dump, Decompile, Explain, Names, Lsp, Watch };

struct Options {
  Overwrite overwrite = Overwrite::Ask;
  Mode mode = Mode::Convert;
  bool json = false;
  bool quiet = false;   // no warnings told while converting
  bool strict = false;  // a warning fails the run
  bool recursive = false;
  bool update = false;
  bool verbose = false;
  bool help = false;
  bool version = false;
  std::vector<std::string_view> paths;  // the files and folders, in command-line order
};

// Reads `args` (element 0 is the program itself) into `options`. Short options may be grouped
// ("-yv"), "--" ends the options and "-" alone is a file. False, with `error` set, for a wrong
// command line.
bool parse_options(std::span<const char* const> args, Options& options, std::string& error);

// The help: how to call kelvconv, every option, the exit statuses.
std::string usage();
// "kelvconv VERSION".
std::string version_line();
// What --version shows: that line, the copyright and the licence.
std::string version();

}  // namespace kelv
