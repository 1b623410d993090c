// What the driver needs from the machine it runs on, kept small so that tests can stand in for
// it: the file seam through which outputs are put in place, and the user's side (the overwrite
// question, the create-failure message, and messages on the console).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "language/tr.h"

namespace kelv {

// A failure's reason in the system's words; empty when all went well.
using Problem = std::string;

class FileSystem {
 public:
  using Handle = std::intptr_t;
  // Bytes of a gather write.
  using Piece = std::span<const unsigned char>;

  virtual ~FileSystem() = default;
  // Whether anything (a file, a folder, a link) is at `path`.
  virtual bool exists(const std::string& path) = 0;
  // Where new content for `path` goes: the path itself, or the file a symbolic link there names.
  virtual std::string resolve(const std::string& path) = 0;
  // The name of the file at `path`, in a form that is the same for any two names the file system
  // takes for one file (case folded where it ignores case); it may take more names for one.
  virtual std::string name_key(const std::string& path) = 0;
  // Creates a new, empty temporary file in the folder of `target`.
  virtual Problem create_temp(const std::string& target, std::string& temp_path,
                              Handle& handle) = 0;
  // Writes all the bytes of the pieces, one after the other, from byte `at` of the file on.
  virtual Problem write(Handle handle, std::uint64_t at, std::span<const Piece> pieces) = 0;
  // Reads back `bytes.size()` bytes of the file from byte `at` on: what was written there.
  virtual Problem read(Handle handle, std::uint64_t at, std::span<unsigned char> bytes) = 0;
  // Makes the file `size` bytes long: cut there, or grown with zero bytes whose room on the disk
  // is taken now, so that a full disk is told here rather than by a later write.
  virtual Problem resize(Handle handle, std::uint64_t size) = 0;
  // Closes the file; the handle is gone either way. What was written may not be on the disk
  // before flush().
  virtual Problem close(Handle handle) = 0;
  // Puts the content of the closed files at `paths` on the disk, all together: `problems` (one
  // per path) stays empty for each file that is now there.
  virtual void flush(std::span<const std::string> paths, std::span<Problem> problems) = 0;
  // Puts `from` in the place of `to` in one step, replacing what was there.
  virtual Problem rename(const std::string& from, const std::string& to) = 0;
  // Puts on the disk what was renamed into the folders of the files at `paths`: `problems` (one
  // per path) stays empty for each file whose name is now there.
  virtual void flush_folders(std::span<const std::string> paths, std::span<Problem> problems) = 0;
  virtual void remove(const std::string& path) = 0;

  // What is directly inside a folder, links followed. The machine's own file systems answer
  // these; a stand-in for tests may leave them as they are here.
  struct Entry {
    std::string name;
    bool folder = false;
  };
  // Whether `path` is a folder.
  virtual bool is_folder(const std::string& path) {
    (void)path;
    return false;
  }
  // The entries of the folder `path`, in no particular order.
  virtual Problem list(const std::string& folder, std::vector<Entry>& entries) {
    (void)folder;
    (void)entries;
    return "cannot list folders here";
  }
  // The entries of the folder that `pattern` names whose names match its last part, in which '*'
  // stands for any characters and '?' for any one, as the system's own file search matches them;
  // in no particular order, and none (with no problem) when nothing matches. Only Windows, whose
  // shells leave wildcards to the programs they start, is asked this.
  virtual Problem find(const std::string& pattern, std::vector<Entry>& matches) {
    (void)pattern;
    (void)matches;
    return "cannot search for files here";
  }
  // When the file at `path` was last changed, in the system's own units; false when that cannot
  // be told (no such file).
  virtual bool modified(const std::string& path, std::int64_t& when) {
    (void)path;
    (void)when;
    return false;
  }
  // The folder that relative paths start from, as an absolute path; empty when it cannot be
  // told.
  virtual std::string current_folder() { return {}; }
};

// What a run that converts did, in counts.
struct RunSummary {
  std::size_t converted = 0;   // outputs written
  std::size_t kept = 0;        // existing outputs not replaced, as the user said (n, -n)
  std::size_t up_to_date = 0;  // sources not converted, their outputs newer (-u)
  std::size_t skipped = 0;     // files whose names are no source's
  std::size_t failed = 0;      // files that failed (each told as an error)
  std::size_t warnings = 0;    // findings told
  // Whether no file of the run was a source: every one skipped, or none there at all.
  bool no_source() const { return converted + kept + up_to_date + failed == 0; }
  // Whether the run converted nothing and told of no failure.
  bool silent() const { return converted == 0 && failed == 0; }
  // The counts as one line in the user's language: "26 files converted, 3 warnings"; "nothing
  // converted" and why, where nothing was.
  std::string line() const;
};

// What a run has to tell at its end, for a user who may have no console to read it on (files
// dropped on the windowed program): a heading with the run's counts, then what failed and the
// warnings told of the sources, in that order.
struct RunResults {
  struct Entry {
    std::string path;
    std::uint32_t line = 0;  // 0: the file as a whole
    std::string message;
    std::string kind;     // a warning's kind ("scan"), as editors read it; empty for a failure
    std::string printed;  // the entry as the error stream has it
  };
  std::string heading;
  std::vector<Entry> failures;
  std::vector<Entry> warnings;
  // Whether no file of the run was a source, which is told even where nothing failed.
  bool no_source = false;

  // A failure as the run tells it, "PATH: WHAT" (a Windows name holds no colon: the first ": "
  // past a drive's colon ends the path).
  static Entry failure(std::string_view line);
  // Whether there is anything to tell: a run that converted all it was given says nothing.
  bool worth_telling() const { return !failures.empty() || !warnings.empty() || no_source; }
  // The entries as a person reads them: each the file (and line, and kind) on one line and what
  // was wrong, indented, on the next, failures first, each group under its title.
  std::string listing() const;
  // The entries as the error stream has them, one a line: what the user copies.
  std::string copied() const;
};

// The user's answer to the overwrite question. One "to all" answers it for every later output of
// the run as well; CannotAsk is no answer (the question could not be put to anyone).
enum class Answer { Yes, No, YesToAll, NoToAll, CannotAsk };

class Console {
 public:
  virtual ~Console() = default;
  // "同名のファイルが存在しますが、上書きしますか？" for an existing output.
  virtual Answer ask_overwrite(const std::string& output) = 0;
  // "ファイルを作成できません" for an output that cannot be put in place.
  virtual void cannot_create(const std::string& output, const Problem& reason) = 0;
  // A line for the user about a failure (stderr).
  virtual void error(std::string_view line) = 0;
  // A line of the verbose listing (stdout).
  virtual void info(std::string_view line) = 0;
  // A finding about a source, "PATH:LINE: warning: MESSAGE [kind]", as editors read them
  // (stderr, without the program's name in front).
  virtual void diagnostic(std::string_view line) { error(line); }
  // The end of a run: its counts, what failed, one entry per file (each as also given to
  // error() or cannot_create()), then the warnings told of the sources, for a user who may have
  // no console to read them on.
  virtual void finished(const RunResults& results) { (void)results; }
  // How the program is used, for a user who started it with nothing to do.
  virtual void usage_hint(std::string_view text) { diagnostic(text); }
  // The end of a run that converts (not with -q), in counts, before finished(). A run that
  // converted nothing and told no failure says so, since its user may have expected otherwise (a
  // notes file given, a folder without sources); a console on a terminal says how every run went.
  virtual void summary(const RunSummary& run) {
    if (run.silent()) diagnostic(run.line());
  }
  // The columns of the terminal that info() writes to; 80 where it writes to none.
  virtual std::size_t columns() { return 80; }
  // Shows at once every line given so far, for a program about to wait (a pipe or a file may
  // hold them back otherwise).
  virtual void flush() {}
};

// The machine this program was built for.
FileSystem& system_files();
Console& system_console();

// Appends the Shift-JIS (code page 932) text `sjis` to `utf8` as UTF-8, with the system's own
// converter; false, appending nothing, when some byte of it does not decode.
bool sjis_to_utf8(std::string_view sjis, std::string& utf8);
// The other way: false, appending nothing, when some character of it has no Shift-JIS form.
bool utf8_to_sjis(std::string_view utf8, std::string& sjis);

// The program's arguments in UTF-8, element 0 the program itself. On Windows they come from the
// wide command line; the narrow `argv` there holds only what the ANSI code page can spell.
std::vector<std::string> program_arguments(int argc, char** argv);

// Opens the file at `path` (UTF-8) for reading raw bytes; nullptr, with `problem` set, when it
// cannot be opened.
std::FILE* open_for_reading(const std::string& path, Problem& problem);

// The reason for the C library's error number `error`, in the user's language.
Problem errno_reason(int error);

// The language the user reads, as a locale or language name ("ja_JP.UTF-8", "en"; "C" or empty
// for none): on POSIX from LANGUAGE, LC_ALL, LC_MESSAGES and LANG as gettext takes them; on
// Windows from the same variables where one is set, else from the user's UI language. On POSIX
// it also lets the system's own messages (strerror) follow the user's locale, where the system
// has it.
std::string user_language();
// The language the environment variables name, as above; empty when none of them is set.
std::string language_from_environment();

inline constexpr std::string_view kProgram = "kelvconv";
// The two messages the engine's authors have always read in Japanese, the overwrite question
// and the create-failure message: in Japanese as they always were, and in English the Japanese
// with its translation after it, so that both those authors and others know them.
inline constexpr Text kOverwriteQuestion = tr(
    "同名のファイルが存在しますが、上書きしますか？ (A file of the same name exists: replace it?)");
inline constexpr Text kCannotCreate = tr("ファイルを作成できません (cannot create the file)");

}  // namespace kelv
