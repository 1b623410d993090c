#include "format/source_writer.h"

#include <charconv>
#include <cstring>

namespace kelv {
namespace {

bool is_text(const ValueShape& s) {
  return s.kind == ValueKind::Word || s.kind == ValueKind::Text;
}

// A text as an author writes it: where '#' stands for a line break, the line feeds as '#'.
std::string as_written(std::string_view text, const ValueShape& s) {
  std::string out(text);
  if (s.twist == Twist::Breaks) {
    for (char& c : out) {
      if (c == '\n') c = '#';
    }
  }
  return out;
}

// Why the value at `place` does not read back from its printed line as `scratch`.
std::string why_not(const ValueShape& s, const char* place, const char* scratch) {
  if (s.kind == ValueKind::Real) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, place, 4);
    char hex[9];
    const auto [end, ec] = std::to_chars(hex, hex + 8, bits, 16);
    (void)ec;
    return "no decimal number reads back to this real (bits 0x" + std::string(hex, end) + ")";
  }
  if (!is_text(s)) return "no source line gives this value";
  const std::string_view held = text_of({place, s.size});
  if (held.size() == s.size) return "fills its whole field, leaving no room for its NUL";
  if (held == text_of({scratch, s.size})) return "holds bytes after its NUL";
  if (s.twist == Twist::Breaks && held.find('#') != std::string_view::npos) {
    return "holds a '#', which a source can only give as a line break";
  }
  if (s.kind == ValueKind::Word) {
    return "is not one word: it holds a blank or a line feed, or ends in half of a double-byte "
           "character";
  }
  return "no source line gives this text";
}

}  // namespace

std::string real_text(float v) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  (void)ec;
  return std::string(buffer, end);
}

void SourceWriter::put(std::string_view line) {
  out_ += line;
  out_ += '\n';
}

void SourceWriter::comment(std::string_view line) {
  std::string clean(line);
  for (char& c : clean) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '<' || c == '>') c = '?';
  }
  put(clean);
}

void SourceWriter::tag(std::string_view opening, std::string_view name) {
  out_ += opening;
  out_ += name;
  out_ += ">\n";
}

void SourceWriter::open(std::string_view name) {
  tag("<", name);
  open_ = name;
}

void SourceWriter::close() {
  tag("</", open_);
  open_ = {};
}

void SourceWriter::marker(std::string_view name) {
  tag("</", name);
}

void SourceWriter::number(std::int32_t n) {
  put(std::to_string(n));
}

void SourceWriter::problem(const void* where, std::string message) {
  std::uint64_t at = 0;
  std::string field;
  places_.find(where, at, field);
  problems_.push_back({at, std::move(field), std::move(message)});
}

void SourceWriter::check_line(std::string_view line, const void* where) {
  const std::size_t most = vocabulary_.line_buffer - 2;
  if (line.size() > most) {
    problem(where, "a line of " + std::to_string(line.size()) +
                       " bytes: the reader takes lines of at most " + std::to_string(most));
  }
  if (line.find('\x1a') != std::string_view::npos) {
    problem(where, "holds a Ctrl-Z byte, which ends a source");
  }
  if (line.find('\n') != std::string_view::npos) {
    problem(where, "holds a line feed, which would end its line");
  }
  if (line.find('\0') != std::string_view::npos) {
    problem(where, "holds a NUL byte, which ends the text of a line");
  }
  if (!line.empty() && line.back() == '\r') {
    problem(where, "ends in a carriage return, which the reader drops with the line feed");
  }
  // The walker's test: within each group, the tags of the sections up to the open one.
  for (const std::span<const SectionShape> group : vocabulary_.groups) {
    for (const SectionShape& s : group) {
      const bool opens = s.role != Role::Marker && line.size() == s.name.size() + 2 &&
                         line.front() == '<' && line.back() == '>' &&
                         line.substr(1, s.name.size()) == s.name;
      const bool closes = line.size() == s.name.size() + 3 && line.starts_with("</") &&
                          line.back() == '>' && line.substr(2, s.name.size()) == s.name;
      if (opens || closes) {
        problem(where, "would be read as the tag " + std::string(line));
        return;
      }
      if (s.name == open_) break;
    }
  }
}

void SourceWriter::print(std::span<const ValueShape> shapes, std::span<const void* const> places) {
  std::string line;
  std::size_t printed = 0;
  for (; printed < shapes.size(); ++printed) {
    const ValueShape& s = shapes[printed];
    const void* p = places[printed];
    std::string piece;
    if (s.kind == ValueKind::Int) {
      std::int32_t v = 0;
      std::memcpy(&v, p, 4);
      if (s.twist == Twist::PlusOne)
        v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v) - 1u);
      piece = std::to_string(v);
    } else if (s.kind == ValueKind::Real) {
      float v = 0;
      std::memcpy(&v, p, 4);
      piece = real_text(v);
    } else {
      piece = as_written(text_of({static_cast<const char*>(p), s.size}), s);
      // An empty word ends the line's values: the scan stops there.
      if (piece.empty() && s.kind == ValueKind::Word) break;
    }
    if (printed > 0) line += ' ';
    line += piece;
  }
  check_line(line, places.empty() ? nullptr : places[0]);

  // Read the line back as the reader would, into fresh fields, and compare.
  std::size_t total = 0;
  for (const ValueShape& s : shapes)
    total += s.size;
  std::vector<char> scratch(total, '\0');
  std::vector<scan_detail::Target> targets;
  std::size_t at = 0;
  for (const ValueShape& s : shapes) {
    targets.push_back({s.kind, scratch.data() + at, s.size});
    at += s.size;
  }
  int matched = 0;
  if (shapes.size() == 1 && shapes[0].kind == ValueKind::Text) {
    copy_text({scratch.data(), shapes[0].size}, line);
    matched = 1;
  } else {
    matched = scan_targets(line, targets).matched;
  }
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    const ValueShape& s = shapes[i];
    apply_twist(s, targets[i].place, static_cast<int>(i) < matched);
    const auto* held = static_cast<const char*>(places[i]);
    const auto* back = static_cast<const char*>(targets[i].place);
    if (std::memcmp(held, back, s.size) == 0) continue;
    problem(held, s.name() + ": " +
                      (i >= printed ? "comes after the empty word " + shapes[printed].name() +
                                          ", which ends its line"
                                    : why_not(s, held, back)));
  }
  put(line);
}

void SourceWriter::text(std::string_view text, const ValueShape& shape, const void* where) {
  const std::string line = as_written(text, shape);
  if (shape.twist == Twist::Breaks) {
    // Read back as the writer turns '#' into line feeds: walking the text character by character.
    std::string back = line + '\0';
    hash_to_line_feed(back);
    back.pop_back();
    if (back != text) {
      problem(where, shape.name() +
                         ": holds a '#' that a source can only give as a line break, "
                         "or a line feed that a '#' there cannot give");
    }
  }
  check_line(line, where);
  put(line);
}

}  // namespace kelv
