#include "inspect/explain.h"

#include <algorithm>

namespace kelv {
namespace {

std::string kind_of(const ValueShape& v) {
  const std::string most = std::to_string(v.size - 1);
  switch (v.kind) {
    case ValueKind::Int:
      return "a number";
    case ValueKind::Real:
      return "a real number";
    case ValueKind::Word:
      return "a word of at most " + most + " bytes";
    case ValueKind::Text:
      return "the whole line, of which " + most + " bytes are kept";
  }
  return {};
}

std::string twist_of(const ValueShape& v) {
  switch (v.twist) {
    case Twist::None:
      return {};
    case Twist::PlusOne:
      return "; stored plus one";
    case Twist::ZeroUnreached:
      return "; 0 when the line ends before it";
    case Twist::Breaks:
      return "; '#' stands for a line break";
  }
  return {};
}

bool alike(const ValueShape& a, const ValueShape& b) {
  return a.stem == b.stem && a.kind == b.kind && a.twist == b.twist && a.size == b.size &&
         a.number != 0 && b.number == a.number + 1;
}

// The values of a line in order; a run of numbered values of one kind as one range.
std::string values_of(std::span<const ValueShape> line) {
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    std::size_t j = i;
    while (j + 1 < line.size() && alike(line[j], line[j + 1]))
      ++j;
    const bool many = j > i;
    std::string kind = kind_of(line[i]);
    if (many && kind.starts_with("a ")) {
      // "a number" of one value, "numbers" of several; "words of at most ..." likewise.
      kind = kind.substr(2);
      const std::size_t noun = kind.find(" of ");
      kind.insert(noun == std::string::npos ? kind.size() : noun, "s");
    }
    out += "    " + line[i].name() + (many ? " to " + line[j].name() : "") + ": " + kind +
           twist_of(line[i]) + "\n";
    i = j + 1;
  }
  return out;
}

// Text broken into lines of at most 100 columns, each after `indent`.
std::string wrapped(std::string_view text, std::string_view indent) {
  std::string out;
  std::string line(indent);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(at, end - at);
    if (line.size() > indent.size() && line.size() + 1 + word.size() > 100) {
      out += line + "\n";
      line = indent;
    }
    if (line.size() > indent.size()) line += ' ';
    line += word;
    at = end + 1;
  }
  return out + line + "\n";
}

// A section: its tags, what its lines are, and what else an author needs to know of it.
std::string section_of(const SectionShape& s) {
  std::string out = s.role == Role::Marker ? tag_of(s.name, true)
                                           : tag_of(s.name) + " ... " + tag_of(s.name, true);
  out += '\n';
  switch (s.role) {
    case Role::Value:
      out += s.line.size() == 1 && s.line[0].kind == ValueKind::Text
                 ? "  a text; the last line of the section wins:\n"
                 : "  a line of values; each line reads over the values the lines before gave:\n";
      break;
    case Role::Count:
      out += "  a count: one number\n";
      break;
    case Role::Records:
      out += "  one record per line:\n";
      break;
    case Role::Marker:
      out += "  a closing tag alone, outside every section\n";
      break;
  }
  if (s.role != Role::Count && s.role != Role::Marker) out += values_of(s.line);
  std::string note(s.note);
  if (s.keeps)
    note += std::string(note.empty() ? "" : "; ") + "kept for the next file of this kind";
  if (!note.empty()) {
    if (note[0] >= 'a' && note[0] <= 'z') note[0] = static_cast<char>(note[0] - 'a' + 'A');
    out += wrapped(note + ".", "  ");
  }
  return out;
}

}  // namespace

std::string explain(const Kind& kind) {
  const Vocabulary& v = kind.vocabulary();
  std::string out = kind.pattern() + ": " + std::string(v.about) + "\n\n";
  out += wrapped(
      "Lines are read up to " + std::to_string(v.line_buffer - 1) +
          " bytes; a longer line is read as several lines. A section runs from its opening tag "
          "to its closing tag, each alone on its line, with nothing before or after it; the "
          "lines between are its data lines. Lines outside every section are comments. While a "
          "section is open, the tags of the sections listed after it are read as its data "
          "lines: only its own tags and those listed before it are tags.",
      "");
  if (v.groups.size() > 1) {
    out += wrapped("The sections come in " + std::to_string(v.groups.size()) +
                       " groups; every line goes through each group in turn, so a section of "
                       "one group may be open beside a section of another.",
                   "");
  }
  std::string kept;
  bool all_kept = true;
  for (std::size_t g = 0; g < v.groups.size(); ++g) {
    out += "\n";
    if (v.groups.size() > 1) out.append("Group ").append(std::to_string(g + 1)).append(":\n");
    for (const SectionShape& s : v.groups[g]) {
      out += section_of(s);
      if (s.keeps) kept.append(kept.empty() ? "" : " ").append(tag_of(s.name));
      all_kept = all_kept && (s.keeps || s.role == Role::Marker);
    }
  }
  out += "\n";
  if (kept.empty()) {
    out += wrapped("Nothing carries over from one file of this kind to the next.", "");
  } else if (all_kept) {
    out += wrapped(
        "A later file of this kind in the same run starts from everything the earlier "
        "file gave, until a line of its own gives another value.",
        "");
  } else {
    out += wrapped(
        "A later file of this kind in the same run starts from what these sections of "
        "the earlier file gave, until a line of its own gives another: " +
            kept + ". Everything else starts empty in each file.",
        "");
  }
  return out;
}

std::string kinds() {
  std::string out;
  for (const Kind& k : catalog()) {
    std::string name = k.pattern();
    name.resize(std::max<std::size_t>(name.size(), 24), ' ');
    out += name + " " + std::string(k.vocabulary().about) + "\n";
  }
  return out;
}

}  // namespace kelv
