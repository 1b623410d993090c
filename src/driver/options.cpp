#include "driver/options.h"

#include <string>

namespace kelv {
namespace {

// An option: its letter (0 for none), its long name, what it does and what the help says of it
// (one line each in `help`, separated by '\n').
struct Option {
  char letter;
  std::string_view name;
  bool (*apply)(Options&, std::string& error);
  std::string_view help;
};

// Sets the mode once: two modes on one command line are an error.
template <Mode M>
bool set_mode(Options& o, std::string& error) {
  if (o.mode != Mode::Convert && o.mode != M) {
    error = "does not go with the mode given before it";
    return false;
  }
  o.mode = M;
  return true;
}

template <bool Options::*Flag>
bool set(Options& o, std::string&) {
  o.*Flag = true;
  return true;
}

template <Overwrite W>
bool overwrite(Options& o, std::string&) {
  o.overwrite = W;
  return true;
}

constexpr Option kOptions[] = {
    {'y', "--yes", overwrite<Overwrite::Always>, "replace existing outputs without asking"},
    {'n', "--no-clobber", overwrite<Overwrite::Never>, "never replace an existing output"},
    {'u', "--update", set<&Options::update>,
     "convert only kinds of source with an output missing or older\n"
     "than its source (all sources of such a kind, in order)"},
    {'r', "--recursive", set<&Options::recursive>, "go into the subfolders of folders too"},
    {'W', "--warn", set<&Options::warn>,
     "tell what looks wrong in the sources while converting them"},
    {'v', "--verbose", set<&Options::verbose>,
     "list what was converted, skipped, kept and up to date"},
    {0, "--check", set_mode<Mode::Check>,
     "only tell what looks wrong in the sources, writing nothing"},
    {0, "--dump", set_mode<Mode::Dump>,
     "show what data files hold, field by field, on standard output"},
    {0, "--json", set<&Options::json>, "with --dump: one JSON document per file, one per line"},
    {0, "--decompile", set_mode<Mode::Decompile>,
     "write beside each data file the source that converts back to it"},
    {0, "--explain", set_mode<Mode::Explain>,
     "describe a kind of source (item_list.txt, scene, ...), or list them"},
    {'h', "--help", set<&Options::help>, "show this help and exit"},
    {'V', "--version", set<&Options::version>, "show the version and exit"},
};

bool apply(const Option& option, std::string_view given, Options& o, std::string& error) {
  if (option.apply(o, error)) return true;
  error = "option '" + std::string(given) + "' " + error;
  return false;
}

}  // namespace

bool parse_options(std::span<const char* const> args, Options& o, std::string& error) {
  bool options_done = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view a = args[i];
    if (options_done || a.size() < 2 || a[0] != '-') {
      o.paths.push_back(a);
      continue;
    }
    if (a == "--") {
      options_done = true;
      continue;
    }
    if (a.starts_with("--")) {
      const Option* found = nullptr;
      for (const Option& option : kOptions)
        found = option.name == a ? &option : found;
      if (found == nullptr) {
        error = "unrecognized option '" + std::string(a) + "'";
        return false;
      }
      if (!apply(*found, a, o, error)) return false;
      continue;
    }
    for (const char c : a.substr(1)) {
      const Option* found = nullptr;
      for (const Option& option : kOptions)
        found = c != 0 && option.letter == c ? &option : found;
      if (found == nullptr) {
        error = std::string("invalid option -- '") + c + "'";
        return false;
      }
      if (!apply(*found, std::string("-") + c, o, error)) return false;
    }
  }
  if (o.json && o.mode != Mode::Dump) {
    error = "option '--json' goes with --dump";
    return false;
  }
  return true;
}

std::string usage() {
  std::string out =
      "Usage: kelvconv [OPTION]... FILE|FOLDER...\n"
      "       kelvconv --check [-r] FILE|FOLDER...\n"
      "       kelvconv --dump [--json] FILE.dat...\n"
      "       kelvconv --decompile [OPTION]... FILE.dat...\n"
      "       kelvconv --explain [KIND]...\n"
      "Convert Kelvardin game sources (prepare.txt, start_game.txt, ...) into the keyed data\n"
      "files the engine loads. Each output is written beside its source, with the extension\n"
      "\".dat\". Files whose names no converter knows are skipped. A folder stands for the\n"
      "sources directly inside it, in the byte order of their names.\n"
      "\n";
  constexpr std::size_t kHelpColumn = 21;
  for (const Option& option : kOptions) {
    std::string head = option.letter != 0 ? std::string("  -") + option.letter + ", " : "      ";
    head += option.name;
    head.resize(kHelpColumn, ' ');
    std::string_view help = option.help;
    for (std::size_t cut; (cut = help.find('\n')) != std::string_view::npos;) {
      out += head + std::string(help.substr(0, cut)) + "\n";
      head.assign(kHelpColumn, ' ');
      help.remove_prefix(cut + 1);
    }
    out += head + std::string(help) + "\n";
  }
  out +=
      "      --           end of options: every later argument is a file\n"
      "\n"
      "Without -y or -n, an existing output is replaced only when the user answers yes.\n"
      "Exit status: 0 when every recognised file was converted (or kept by the user's answer)\n"
      "and, with --check, nothing looked wrong; 1 when a source could not be read, an output\n"
      "not written or replaced, a data file holds what no source gives, or --check found\n"
      "something; 2 for a wrong command line.\n";
  return out;
}

std::string version_line() {
  return "kelvconv " KELV_VERSION;
}

}  // namespace kelv
