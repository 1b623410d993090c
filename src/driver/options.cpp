#include "driver/options.h"

#include <string>
#include <vector>

#include "format/spelling.h"
#include "language/tr.h"

namespace kelv {
namespace {

// An option: its letter (0 for none), its long name, what it does (false: it does not go with
// the options before it) and what the help says of it (lines separated by '\n').
struct Option {
  char letter;
  std::string_view name;
  bool (*apply)(Options&);
  Text help;
};

// Sets the mode once: two modes on one command line are an error.
template <Mode M>
bool set_mode(Options& o) {
  if (o.mode != Mode::Convert && o.mode != M) return false;
  o.mode = M;
  return true;
}

template <bool Options::*Flag>
bool set(Options& o) {
  o.*Flag = true;
  return true;
}

template <Overwrite W>
bool overwrite(Options& o) {
  o.overwrite = W;
  return true;
}

constexpr Option kOptions[] = {
    {'y', "--yes", overwrite<Overwrite::Always>, tr("replace existing outputs without asking")},
    {'n', "--no-clobber", overwrite<Overwrite::Never>, tr("never replace an existing output")},
    {'u', "--update", set<&Options::update>,
     tr("convert only the sources whose output is missing or\n"
        "older than the source (with every source of its kind,\n"
        "in order, where values carry over between them); an\n"
        "output older than its source is replaced without asking")},
    {'r', "--recursive", set<&Options::recursive>, tr("go into the subfolders of folders too")},
    {'q', "--quiet", set<&Options::quiet>,
     tr("tell nothing of what looks wrong in the sources while\nconverting them (warnings are told "
        "by default)")},
    {0, "--strict", set<&Options::strict>,
     tr("a warning fails the run (status 1; outputs still written)")},
    {'W', "--warn", [](Options&) { return true; }, tr("tell the warnings (as by default)")},
    {'v', "--verbose", set<&Options::verbose>,
     tr("list what was converted, skipped, kept and up to date")},
    {0, "--watch", set_mode<Mode::Watch>,
     tr("convert what -u would, then wait, and convert again\n"
        "the sources saved since, until Ctrl-C; existing\n"
        "outputs are replaced without asking (unless -n)")},
    {0, "--check", set_mode<Mode::Check>,
     tr("only tell what looks wrong in the sources, writing nothing")},
    {0, "--dump", set_mode<Mode::Dump>, tr("show what data files hold, field by field")},
    {0, "--json", set<&Options::json>,
     tr("with --dump: one JSON document per file, one per line;\nwith --explain: the formats as one JSON document")},
    {0, "--decompile", set_mode<Mode::Decompile>,
     tr("write beside each data file the source that converts\nback to it")},
    {0, "--explain", set_mode<Mode::Explain>,
     tr("describe a kind of source (item_list.txt, scene, ...),\nor list them")},
    {0, "--names", set_mode<Mode::Names>,
     tr("print the sections of names.txt to fill in for the kinds\ngiven, or for every kind")},
    {0, "--lsp", set_mode<Mode::Lsp>,
     tr("serve an editor: the Language Server Protocol on the\nstandard input and output (the editor starts it so)")},
    {'h', "--help", set<&Options::help>, tr("show this help and exit")},
    {'V', "--version", set<&Options::version>, tr("show the version and exit")},
};

// The long option `typed` was probably meant as ("--chek", or "-check" with one dash), or empty.
std::string option_meant(std::string_view typed) {
  std::vector<std::string_view> names;
  for (const Option& option : kOptions)
    names.push_back(option.name);
  std::string meant = nearest_meant(typed, names);
  // Appended, not "-" + string: g++ 12 at -O3 takes that for an overlapping copy (-Wrestrict).
  if (meant.empty() && !typed.starts_with("--"))
    meant = nearest_meant(std::string("-").append(typed), names);
  return meant;
}

// What an unknown option is told, with the option it was probably meant as.
std::string unknown(std::string message, std::string_view typed) {
  if (const std::string meant = option_meant(typed); !meant.empty())
    message += tr("; did you mean '{1}'?")(meant);
  return message;
}

bool apply(const Option& option, std::string_view given, Options& o, std::string& error) {
  if (option.apply(o)) return true;
  error = tr("option '{1}' does not go with the mode given before it")(given);
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
        error = unknown(tr("unrecognized option '{1}'")(a), a);
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
        // "-check": a long option with one dash, rather than -c -h -e -c -k.
        error = unknown(tr("invalid option -- '{1}'")(std::string(1, c)), a.size() > 2 ? a : "");
        return false;
      }
      if (!apply(*found, std::string("-") + c, o, error)) return false;
    }
  }
  if (o.json && o.mode != Mode::Dump && o.mode != Mode::Explain) {
    error = tr("option '--json' goes with --dump or --explain")();
    return false;
  }
  if (o.mode == Mode::Lsp && !o.paths.empty()) {
    error = tr("option '--lsp' takes no files: the editor sends them")();
    return false;
  }
  return true;
}

std::string usage() {
  std::string out =
      tr("Usage: kelvconv [OPTION]... FILE|FOLDER...\n"
         "       kelvconv --watch [-r] [OPTION]... FILE|FOLDER...\n"
         "       kelvconv --check [-r] FILE|FOLDER...\n"
         "       kelvconv --dump [--json] FILE.dat...\n"
         "       kelvconv --decompile [OPTION]... FILE.dat...\n"
         "       kelvconv --explain [--json] [KIND]...\n"
         "       kelvconv --names [KIND]...\n"
         "       kelvconv --lsp\n")();
  out +=
      tr("Convert Kelvardin game sources (prepare.txt, start_game.txt, ...) into the data\n"
         "files the engine loads. Each output is written beside its source, with the\n"
         "extension \".dat\". Files whose names no converter knows are skipped. A folder\n"
         "stands for the sources directly inside it, in the byte order of their names.\n")();
  out += "\n";
  constexpr std::size_t kHelpColumn = 21;
  const auto row = [&](std::string head, std::string_view help) {
    head.resize(kHelpColumn, ' ');
    for (std::size_t cut; (cut = help.find('\n')) != std::string_view::npos;) {
      out += head + std::string(help.substr(0, cut)) + "\n";
      head.assign(kHelpColumn, ' ');
      help.remove_prefix(cut + 1);
    }
    out += head + std::string(help) + "\n";
  };
  for (const Option& option : kOptions) {
    std::string head = option.letter != 0 ? std::string("  -") + option.letter + ", " : "      ";
    row(head + std::string(option.name), option.help());
  }
  row("      --", tr("end of options: every later argument is a file")());
  out += "\n";
  out +=
      tr("Without -y or -n, an existing output is replaced only if the user answers yes.\n"
         "Exit status:\n"
         "  0  every recognised file was converted (or kept by the user's answer) and,\n"
         "     with --check or --strict, nothing looked wrong\n"
         "  1  a source could not be read, an output not written or replaced, a data file\n"
         "     holds what no source gives, or --check or --strict found something\n"
         "  2  the command line is wrong\n")();
  return out;
}

std::string version_line() {
  return "kelvconv " KELV_VERSION;
}

std::string version() {
  return version_line() + "\n" +
         tr("Copyright (C) 2026 the kelvconv developers.\n"
            "MIT licence: you may use, change and pass on kelvconv freely; it comes with no\n"
            "warranty. See the file LICENSE.")();
}

}  // namespace kelv
