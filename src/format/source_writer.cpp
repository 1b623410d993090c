#include "format/source_writer.h"

#include <algorithm>
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
  if (s.stored == Stored::Breaks) {
    for (char& c : out) {
      if (c == '\n') c = '#';
    }
  }
  return out;
}

// Why the value at `place` does not read back from its printed line as `scratch`.
Message why_not(const ValueShape& s, const char* place, const char* scratch) {
  if (s.kind == ValueKind::Real) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, place, 4);
    char hex[9];
    const auto [end, ec] = std::to_chars(hex, hex + 8, bits, 16);
    (void)ec;
    return Message(tr("no decimal number reads back to this real (bits 0x{1})"),
                   std::string(hex, end));
  }
  if (!is_text(s)) return Message(tr("no source line gives this value"));
  const std::string_view held = text_of({place, s.size});
  if (held.size() == s.size)
    return Message(tr("fills its whole field, leaving no room for its NUL"));
  if (held == text_of({scratch, s.size})) return Message(tr("holds bytes after its NUL"));
  if (s.stored == Stored::Breaks && held.find('#') != std::string_view::npos) {
    return Message(tr("holds a '#', which a source can only give as a line break"));
  }
  if (s.kind == ValueKind::Word) {
    return Message(
        tr("is not one word: it holds a blank or a line feed, or ends in half of a "
           "double-byte character"));
  }
  return Message(tr("no source line gives this text"));
}

// The values printed as the line's text: the first `count` of them, blank-separated, those
// marked in `stand_in` printed as a short stand-in that a later line replaces.
std::string compose(std::span<const ValueShape> shapes, std::span<const void* const> places,
                    std::size_t count, bool lead_blank, const std::vector<bool>& stand_in) {
  std::vector<std::string> pieces;
  for (std::size_t i = 0; i < count; ++i) {
    const ValueShape& s = shapes[i];
    const void* p = places[i];
    if (stand_in[i]) {
      pieces.push_back(is_text(s) ? "_" : "0");
    } else if (s.kind == ValueKind::Int) {
      std::int32_t v = 0;
      std::memcpy(&v, p, 4);
      if (s.stored == Stored::PlusOne)
        v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v) - 1u);
      pieces.push_back(std::to_string(v));
    } else if (s.kind == ValueKind::Real) {
      float v = 0;
      std::memcpy(&v, p, 4);
      pieces.push_back(real_text(v));
    } else {
      pieces.push_back(as_written(text_of({static_cast<const char*>(p), s.size}), s));
      // A word cut to its field may end in half a character; the other half, given back, is
      // cut again, and no blank after it is taken into the word.
      if (s.kind == ValueKind::Word && pieces.back().size() == s.size - 1 &&
          ends_in_half_character(pieces.back())) {
        pieces.back() += '@';
      }
    }
  }
  // Empty words at the end would leave blanks, which a scanned line does without.
  const bool whole = shapes.size() == 1 && shapes[0].kind == ValueKind::Text;
  while (!whole && !pieces.empty() && pieces.back().empty())
    pieces.pop_back();
  std::string line = lead_blank ? " " : "";
  for (std::size_t i = 0; i < pieces.size(); ++i)
    line += (i > 0 ? " " : "") + pieces[i];
  return line;
}

}  // namespace

std::string real_text(float v) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  (void)ec;
  // The shortest decimal that reads back: "1e30" for "1e+30", "1e-5" for "1e-05".
  std::string text(buffer, end);
  if (const std::size_t e = text.find('e'); e != std::string::npos) {
    std::size_t digits = e + 1;
    if (text[digits] == '+') text.erase(digits, 1);
    if (text[digits] == '-') ++digits;
    while (digits + 1 < text.size() && text[digits] == '0')
      text.erase(digits, 1);
  }
  return text;
}

// A line of exactly the reader's capacity is followed by no line feed: the reader ends the piece
// there by itself, and a line feed would give one more, empty line. A line that ends in a
// carriage return gets one more before its line feed, which the reader takes as the line end.
void SourceWriter::put(std::string_view line) {
  out_ += line;
  if (line.size() == vocabulary_.line_buffer - 1) return;
  if (!line.empty() && line.back() == '\r') out_ += '\r';
  out_ += '\n';
}

void SourceWriter::comment(std::string_view line) {
  std::string clean(line);
  for (char& c : clean) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '<' || c == '>') c = '?';
  }
  put(clean);
}

void SourceWriter::open(std::string_view name) {
  put(tag_of(name));
  open_ = name;
}

void SourceWriter::close() {
  put(tag_of(open_, true));
  open_ = {};
}

void SourceWriter::marker(std::string_view name) {
  put(tag_of(name, true));
}

void SourceWriter::number(std::int32_t n) {
  put(std::to_string(n));
}

void SourceWriter::problem(const void* where, Message message) {
  std::uint64_t at = 0;
  std::string field;
  places_.find(where, at, field);
  problems_.push_back({at, std::move(field), std::move(message)});
}

Message SourceWriter::line_problem(std::string_view line) const {
  const std::size_t most = vocabulary_.line_buffer - 1;
  if (line.size() > most) {
    return Message(tr("a line of {1} bytes: the reader takes lines of at most {2}"), line.size(),
                   most);
  }
  if (line.find('\x1a') != std::string_view::npos) {
    return Message(tr("holds a Ctrl-Z byte, which ends a source"));
  }
  if (line.find('\n') != std::string_view::npos) {
    return Message(tr("holds a line feed, which would end its line"));
  }
  if (line.find('\0') != std::string_view::npos) {
    return Message(tr("holds a NUL byte, which ends the text of a line"));
  }
  // The walker's test, in the group of the open section: the tags of the sections up to the
  // open one. A tag of another group changes that group's state, which the closing tag that
  // follows every line of a single value sets back.
  for (const std::span<const SectionShape> group : vocabulary_.groups) {
    if (std::ranges::find(group, open_, &SectionShape::name) == group.end()) continue;
    for (const SectionShape& s : group) {
      const bool opens = s.role != Role::Marker && line.size() == s.name.size() + 2 &&
                         line.front() == '<' && line.back() == '>' &&
                         line.substr(1, s.name.size()) == s.name;
      const bool closes = line.size() == s.name.size() + 3 && line.starts_with("</") &&
                          line.back() == '>' && line.substr(2, s.name.size()) == s.name;
      if (opens || closes) return Message(tr("would be read as the tag {1}"), line);
      if (s.name == open_) break;
    }
  }
  return {};
}

SourceWriter::Attempt SourceWriter::attempt(std::span<const ValueShape> shapes,
                                            std::span<const void* const> places,
                                            std::vector<std::string> lines) const {
  Attempt a;
  a.lines = std::move(lines);
  for (const std::string& line : a.lines) {
    if (Message p = line_problem(line); !p.empty()) {
      a.problems.push_back({places.empty() ? nullptr : places[0], std::move(p)});
    }
  }
  // Read the lines back as the reader would, one after the other into fresh fields, and compare.
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
  for (const std::string& line : a.lines) {
    int matched = 0;
    if (shapes.size() == 1 && shapes[0].kind == ValueKind::Text) {
      copy_text({scratch.data(), shapes[0].size}, line);
      matched = 1;
    } else {
      matched = scan_targets(line, targets).matched;
    }
    for (std::size_t i = 0; i < shapes.size(); ++i)
      apply_stored(shapes[i], targets[i].place, static_cast<int>(i) < matched);
  }
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    const ValueShape& s = shapes[i];
    const auto* held = static_cast<const char*>(places[i]);
    const auto* back = static_cast<const char*>(targets[i].place);
    if (std::memcmp(held, back, s.size) != 0) {
      a.problems.push_back({held, Message(tr("{1}: {2}"), s.name(), why_not(s, held, back))});
    }
  }
  return a;
}

SourceWriter::Attempt SourceWriter::plan(std::span<const ValueShape> shapes,
                                         std::span<const void* const> places, bool several) const {
  const std::size_t n = shapes.size();
  const bool scanned = !(n == 1 && shapes[0].kind == ValueKind::Text);
  std::size_t reached = n;
  while (reached > 0 && as_new(shapes[reached - 1], places[reached - 1]))
    --reached;
  const std::vector<bool> none(n, false);
  // Every value, as authors write the line; else without the values a fresh reading holds
  // anyway (a line may end early), or after a blank (a scanned line is not taken for a tag).
  std::vector<std::vector<std::string>> candidates = {
      {compose(shapes, places, n, false, none)}, {compose(shapes, places, reached, false, none)}};
  if (scanned) candidates.push_back({compose(shapes, places, reached, true, none)});
  // Several lines, each scanning over what the ones before gave: a word that ends in a lead
  // byte without its pair ends a line of its own, after a line that gives the values behind it.
  if (several && scanned) {
    std::vector<bool> lone(n, false);
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < reached; ++i) {
      if (shapes[i].kind != ValueKind::Word) continue;
      lone[i] =
          ends_in_half_character(text_of({static_cast<const char*>(places[i]), shapes[i].size}));
      if (lone[i]) ends.push_back(i);
    }
    if (!ends.empty()) {
      std::vector<std::string> lines = {compose(shapes, places, reached, false, lone)};
      for (auto j = ends.rbegin(); j != ends.rend(); ++j) {
        lone[*j] = false;
        lines.push_back(compose(shapes, places, *j + 1, false, lone));
      }
      candidates.push_back(std::move(lines));
    }
  }
  // A line longer than the reader takes: each line gives the values it can from the back, over
  // stand-ins that the lines after it replace; the last line gives the first values.
  const std::size_t most = vocabulary_.line_buffer - 1;
  if (several && scanned && candidates[1][0].size() > most) {
    std::vector<std::string> lines;
    for (std::size_t end = reached; end > 0;) {
      std::size_t start = end;
      std::string fits;
      for (; start > 0; --start) {
        std::vector<bool> stand_in(n, false);
        std::fill_n(stand_in.begin(), start - 1, true);
        std::string line = compose(shapes, places, end, false, stand_in);
        if (line.size() > most) break;
        fits = std::move(line);
      }
      if (start == end) break;  // not even one value fits
      lines.push_back(std::move(fits));
      end = start;
    }
    candidates.push_back(std::move(lines));
  }
  Attempt best = attempt(shapes, places, candidates[0]);
  for (std::size_t c = 1; c < candidates.size() && !best.problems.empty(); ++c) {
    Attempt a = attempt(shapes, places, candidates[c]);
    if (a.problems.size() < best.problems.size()) best = std::move(a);
  }
  return best;
}

void SourceWriter::print(std::span<const ValueShape> shapes, std::span<const void* const> places,
                         bool single) {
  Attempt best = plan(shapes, places, single);
  for (auto& [where, message] : best.problems)
    problem(where, std::move(message));
  const bool scanned = !(shapes.size() == 1 && shapes[0].kind == ValueKind::Text);
  for (const std::string& line : best.lines) {
    if (single && scanned && line.empty() && best.problems.empty()) continue;
    put(line);
  }
}

void SourceWriter::print_records(std::string_view tag, std::span<const ValueShape> shapes,
                                 const std::vector<std::vector<const void*>>& places) {
  bool restarts = false;
  for (const auto& group : vocabulary_.groups) {
    for (const SectionShape& s : group) {
      if (s.name == tag) restarts = s.restarts;
    }
  }
  std::vector<Attempt> plans;
  std::size_t passes = 1;
  for (const auto& record : places) {
    plans.push_back(plan(shapes, record, restarts));
    passes = std::max(passes, plans.back().lines.size());
    for (auto& [where, message] : plans.back().problems)
      problem(where, std::move(message));
  }
  // Each pass gives the records again from the first, up to the last that needs it; a record
  // of fewer lines gives its last line again, which changes nothing.
  for (std::size_t pass = 0; pass < passes; ++pass) {
    std::size_t last = 0;
    for (std::size_t r = 0; r < plans.size(); ++r) {
      if (plans[r].lines.size() > pass) last = r + 1;
    }
    open(tag);
    for (std::size_t r = 0; r < last; ++r)
      put(plans[r].lines[std::min(pass, plans[r].lines.size() - 1)]);
    close();
  }
}

void SourceWriter::text(std::string_view text, const ValueShape& shape, const void* where) {
  const std::string line = as_written(text, shape);
  if (Message p = line_problem(line); !p.empty()) {
    problem(where, Message(tr("{1}: {2}"), shape.name(), p));
  }
  if (shape.stored == Stored::Breaks) {
    // Read back as the writer turns '#' into line feeds: walking the text character by character.
    std::string back = line + '\0';
    hash_to_line_feed(back);
    back.pop_back();
    if (back != text) {
      problem(where, Message(tr("{1}: holds a '#' that a source can only give as a line break, "
                                "or a line feed that a '#' there cannot give"),
                             shape.name()));
    }
  }
  put(line);
}

}  // namespace kelv
