#include "lsp/reading.h"

#include <string>

#include "format/line_reader.h"
#include "format/scan.h"
#include "inspect/diagnostics.h"

namespace kelv::lsp {
std::vector<kelv::Finding> findings(const Document& document, const Subject& subject,
                              const Names* names) {
  MemorySource source(document.shift_jis());
  Diagnostics told("", subject.vocabulary(), subject.kind != nullptr ? subject.kind->name() : "",
                   names);
  if (subject.kind != nullptr) {
    const std::unique_ptr<Converter> converter = subject.kind->make();
    if (const std::optional<Refusal> refused = converter->read(source, told))
      told.refused(refused->line, refused->why);
    converter->release();
  } else {
    Names::read(source, &told);
  }
  return told.findings();
}

Numbered::Numbered(const Vocabulary& vocabulary) : all{nullptr}, group{0} {
  for (std::size_t g = 0; g < vocabulary.groups.size(); ++g) {
    for (const SectionShape& s : vocabulary.groups[g]) {
      all.push_back(&s);
      group.push_back(g);
    }
  }
}

std::vector<LineUse> line_uses(const Document& document, const Vocabulary& vocabulary) {
  std::vector<LineUse> out;
  const std::string& bytes = document.shift_jis();
  MemorySource source(bytes);
  LineReader lines(source, vocabulary.line_buffer);
  // The tags, made once.
  std::vector<std::pair<std::string, std::string>> tags;
  for (const auto& group : vocabulary.groups) {
    for (const SectionShape& s : group)
      tags.emplace_back(tag_of(s.name), tag_of(s.name, true));
  }
  int state = 0;
  std::uint32_t opened_at = 0;
  std::uint32_t index = 0;
  while (lines.next()) {
    const std::string_view text = lines.text();
    LineUse use;
    use.line = lines.line_number();
    use.length = text.size();
    if (lines.is_piece() && !out.empty()) use.byte = out.back().byte + out.back().length;
    use.open_before = state;
    // Every group in turn; in each, the first test that holds decides (as the reader does).
    bool taken = false;
    int own = 0;
    for (const auto& group : vocabulary.groups) {
      bool here = false;
      for (const SectionShape& s : group) {
        ++own;
        if (here) continue;
        const bool marker = s.role == Role::Marker;
        const auto& [open, close] = tags[static_cast<std::size_t>(own - 1)];
        LineUse::What what = LineUse::Outside;
        if (!marker && text == open) {
          what = LineUse::Open;
          state = own;
          opened_at = use.line;
          index = 0;
        } else if (text == close) {
          what = LineUse::Close;
          if (!marker) state = 0;
        } else if (!marker && state == own) {
          what = LineUse::Data;
          use.opened_at = opened_at;
          use.index = index++;
        } else {
          continue;
        }
        here = true;
        if (!taken) {
          use.what = what;
          use.section = own;
          taken = true;
        }
      }
    }
    out.push_back(use);
  }
  return out;
}

std::vector<ValueSpan> value_spans(std::string_view text, std::span<const ValueShape> values) {
  std::vector<ValueSpan> out;
  if (values.size() == 1 && values[0].kind == ValueKind::Text) {
    out.push_back({0, text.size(), true});
    return out;
  }
  std::int32_t number = 0;
  float real = 0;
  std::string word;
  std::size_t at = 0;
  for (const ValueShape& v : values) {
    word.assign(std::max<std::size_t>(v.size, 1), '\0');
    const scan_detail::Target target{v.kind,
                                     v.kind == ValueKind::Int    ? static_cast<void*>(&number)
                                     : v.kind == ValueKind::Real ? static_cast<void*>(&real)
                                                                 : word.data(),
                                     v.kind == ValueKind::Word ? word.size() : 4};
    const ScanResult r = scan_targets(text.substr(at), {&target, 1});
    std::size_t begin = at;
    while (begin < text.size() && is_space(text[begin]))
      ++begin;
    if (!r.complete()) {
      std::size_t end = begin;
      while (end < text.size() && !is_space(text[end]))
        ++end;
      out.push_back({begin, end, false});
      break;
    }
    at += r.stopped_at;
    out.push_back({begin, at, true});
  }
  return out;
}

}  // namespace kelv::lsp
