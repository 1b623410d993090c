// What every system shares of the user's side: the language the environment names, and the C
// library's reasons for a failure in the user's language (the common ones from the program's own
// catalogue, so that they are translated whatever locales the system has; the others in the
// system's own words).
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "language/tr.h"
#include "platform/platform.h"

namespace kelv {

Problem errno_reason(int error) {
  switch (error) {
    case ENOENT:
      return tr("No such file or directory")();
    case EACCES:
      return tr("Permission denied")();
    case EPERM:
      return tr("Operation not permitted")();
    case EISDIR:
      return tr("Is a directory")();
    case ENOTDIR:
      return tr("Not a directory")();
    case ENOSPC:
      return tr("No space left on device")();
    case EROFS:
      return tr("Read-only file system")();
    case EIO:
      return tr("Input/output error")();
    case ELOOP:
      return tr("Too many levels of symbolic links")();
    case ENAMETOOLONG:
      return tr("File name too long")();
    case EXDEV:
      return tr("Invalid cross-device link")();
    case EEXIST:
      return tr("File exists")();
    case EMFILE:
      return tr("Too many open files")();
    case EBUSY:
      return tr("Device or resource busy")();
    default:
      return std::strerror(error);
  }
}

std::string RunSummary::line() const {
  const auto n = [](std::size_t count) { return static_cast<std::int64_t>(count); };
  std::string out = converted > 0 ? tr("{1} file converted", "{1} files converted").n(n(converted))
                                  : tr("nothing converted")();
  if (kept > 0) out += tr(", {1} kept")(kept);
  if (up_to_date > 0) out += tr(", {1} up to date")(up_to_date);
  if (skipped > 0) out += tr(", {1} skipped")(skipped);
  if (failed > 0) out += tr(", {1} failed")(failed);
  if (warnings > 0) out += tr(", {1} warning", ", {1} warnings").n(n(warnings));
  if (no_source()) {
    out += tr(": no file given is a source kelvconv knows (kelvconv --explain lists their "
              "names)")();
  }
  return out;
}

RunResults::Entry RunResults::failure(std::string_view line) {
  const std::size_t cut = line.find(": ", 2);
  Entry entry;
  entry.printed = std::string(kProgram) + ": " + std::string(line);
  if (cut == std::string_view::npos) {
    entry.message = line;
  } else {
    entry.path = line.substr(0, cut);
    entry.message = line.substr(cut + 2);
  }
  return entry;
}

std::string RunResults::listing() const {
  std::string out;
  const auto group = [&out](const Text& title, const std::vector<Entry>& entries) {
    if (entries.empty()) return;
    if (!out.empty()) out += "\n";
    out += title() + "\n";
    for (const Entry& e : entries) {
      if (e.path.empty()) {
        out += "\n" + e.message + "\n";
        continue;
      }
      // TRANSLATORS: {1} is a file, {2} a line number in it.
      out += "\n" + (e.line > 0 ? tr("{1}, line {2}")(e.path, e.line) : e.path);
      if (!e.kind.empty()) out += "  [" + e.kind + "]";
      out += "\n    " + e.message + "\n";
    }
  };
  group(tr("Failed"), failures);
  group(tr("Warnings"), warnings);
  return out;
}

std::string RunResults::copied() const {
  std::string out;
  for (const std::vector<Entry>* entries : {&failures, &warnings}) {
    for (const Entry& e : *entries)
      out += e.printed + "\n";
  }
  return out;
}

std::string language_from_environment() {
  // As gettext takes them: the locale is the first of LC_ALL, LC_MESSAGES and LANG that is set;
  // LANGUAGE, a list of languages, counts only where the locale is not C.
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  if (locale.empty()) return {};
  if (locale == "C" || locale == "POSIX" || locale.starts_with("C.")) return "C";
  if (const char* list = std::getenv("LANGUAGE"); list != nullptr && *list != '\0') {
    // The first of the list that kelvconv speaks; English when it speaks none of them.
    std::string_view languages(list);
    while (!languages.empty()) {
      const std::string_view first = languages.substr(0, languages.find(':'));
      if (first.starts_with("ja") || first.starts_with("en")) return std::string(first);
      languages.remove_prefix(std::min(languages.size(), first.size() + 1));
    }
    return "en";
  }
  return locale;
}

}  // namespace kelv
