#include "properties.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "convert/catalog.h"
#include "format/data_stream.h"
#include "format/keyed_file.h"
#include "format/line_reader.h"
#include "format/report.h"
#include "format/scan.h"
#include "format/sections.h"
#include "format/table.h"
#include "format/text.h"
#include "inspect/diagnostics.h"
#include "inspect/inspect.h"
#include "language/tr.h"
#include "lsp/server.h"
#include "lsp/transport.h"
#include "scan_targets.h"

namespace kelv::fuzz {

FindingHandler& on_finding() {
  static FindingHandler handler = [](const std::string& finding) {
    std::fprintf(stderr, "FINDING: %s\n", finding.c_str());
    std::abort();
  };
  return handler;
}

void fail(std::string_view where, std::string_view what) {
  on_finding()(std::string(where) + ": " + std::string(what));
  std::abort();  // a handler that returns
}

namespace {

// Lowers the table ceiling for one property, and the window of a placed table to two records or
// so, so that short inputs move it.
class SmallTables {
 public:
  SmallTables() : before_(TableCeiling::bytes), window_before_(TableCeiling::window_bytes) {
    TableCeiling::bytes = kMostTableBytes;
    TableCeiling::window_bytes = 1024;
  }
  ~SmallTables() {
    TableCeiling::bytes = before_;
    TableCeiling::window_bytes = window_before_;
  }
  SmallTables(const SmallTables&) = delete;
  SmallTables& operator=(const SmallTables&) = delete;

 private:
  std::int64_t before_;
  std::size_t window_before_;
};

std::string_view as_text(Input input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// The kind the input's first line names, and the rest of the input; nullptr for none.
const Kind* named_kind(std::string_view& input) {
  const std::size_t end = input.find('\n');
  if (end == std::string_view::npos) return nullptr;
  const Kind* kind = kind_named(input.substr(0, end));
  input.remove_prefix(end + 1);
  return kind;
}

// Every finding the rules report names a physical line of the source; the report tells whether
// there was any that an author is told.
class CheckingReport final : public Report {
 public:
  CheckingReport(const Kind& kind, const Vocabulary& vocabulary)
      : where_(kind.source), told_(std::string(kind.source), vocabulary, kind.name()) {}
  void note(const Note& n) override {
    if (n.line == 0) fail(where_, "a finding without a line number");
    told_.note(n);
  }
  bool clean() const { return told_.findings().empty(); }

 private:
  std::string_view where_;
  Diagnostics told_;
};

// Reads `source` with `twin` as the driver reads it, its data file open so that a large table
// goes there as it is read; the bytes written, or nothing where the source is refused.
std::optional<std::vector<unsigned char>> written_while_reading(Converter& twin,
                                                                std::string_view source) {
  // A small buffer, which the longest text line still fits.
  MemoryStream file(kLongLines + 16);
  twin.write_while_reading(&file);
  MemorySource in(source);
  SilentReport silent;
  std::optional<std::vector<unsigned char>> written;
  if (!twin.read(in, silent)) {
    file.seek(0);
    DataWriter writer(file);
    twin.write(writer);
    file.end();
    if (!file.problem().empty()) fail("written while reading", file.problem());
    written = std::move(file.bytes);
  }
  twin.write_while_reading(nullptr);
  twin.release();
  return written;
}

// Reads `source`, writes the data file into memory and checks it, then releases: one path of a
// run, as the driver handles it. `twin`, a converter of the kind that read the same sources
// before, reads it with its data file open, and must write the same bytes. With `round_trip`,
// the data file must also decompile into a source that converts back to the same bytes.
void convert_and_check(const Kind& kind, Converter& converter, Converter& twin,
                       std::string_view source, bool round_trip = false) {
  MemorySource in(source);
  CheckingReport report(kind, converter.vocabulary());
  const std::optional<Refusal> refused = converter.read(in, report);
  const std::optional<std::vector<unsigned char>> in_file = written_while_reading(twin, source);
  if (in_file.has_value() == refused.has_value()) {
    fail(kind.source, "refused otherwise when written while reading");
  }
  if (!refused) {
    MemorySink data;
    DataWriter writer(data);
    converter.write(writer);
    if (*in_file != data.bytes) fail(kind.source, "written while reading, other bytes");
    // Read back by its kind's layout, every data size agrees with the bytes that follow.
    for (const DataProblem& p : dump_text(&kind, kind.source, data.bytes, [](std::string_view) {}))
      fail(kind.source, describe(p));
    if (round_trip) {
      const Decompiled back = decompile(kind, kind.source, data.bytes);
      if (!back.problems.empty())
        fail(kind.source, "no exact decompile: " + describe(back.problems.front()));
      // Converted anew here, not only by the decompiler's own check, the source gives the bytes,
      // and nothing in it looks wrong: kelvconv's own sources are clean.
      const std::unique_ptr<Converter> again = kind.make();
      MemorySource decompiled(back.source);
      Diagnostics diagnostics(std::string(kind.source), again->vocabulary(), kind.name());
      MemorySink bytes;
      if (!again->read(decompiled, diagnostics)) {
        DataWriter rewriter(bytes);
        again->write(rewriter);
      }
      if (bytes.bytes != data.bytes) fail(kind.source, "the decompiled source converts otherwise");
      const std::vector<Finding> found = diagnostics.findings();
      if (report.clean() && !found.empty()) {
        fail(kind.source, "the decompiled source tells: " + printed(found.front()) + "\n" +
                              back.source.substr(0, 2000));
      }
    }
  } else if (refused->why.empty() || refused->line == 0) {
    fail(kind.source, "a source refused without a reason or a line");
  }
  converter.release();
}

struct Read {
  std::string text;
  std::uint32_t number;
  bool piece;
  bool nul;
  bool final_empty;
  bool operator==(const Read&) const = default;
};

// Hands out the bytes in blocks whose sizes cycle through `sizes`.
class BlockSource final : public ByteSource {
 public:
  BlockSource(std::string_view bytes, unsigned pattern) : bytes_(bytes), pattern_(pattern) {}
  std::size_t read(char* buffer, std::size_t size) override {
    const std::size_t block = 1 + (pattern_ + turn_++ * 7) % 13;
    const std::size_t n = std::min({size, block, bytes_.size()});
    std::memcpy(buffer, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view bytes_;
  unsigned pattern_;
  unsigned turn_ = 0;
};

std::vector<Read> read_all(ByteSource& source, std::size_t buffer) {
  std::vector<Read> out;
  LineReader lines(source, buffer);
  while (lines.next()) {
    out.push_back({std::string(lines.text()), lines.line_number(), lines.is_piece(),
                   lines.cut_at_nul(), lines.is_final_empty()});
    if (lines.text().size() > buffer - 1) fail("lines", "a line longer than the buffer takes");
  }
  return out;
}

// The read rules, plainly: text mode first, then lines of at most buffer - 1 bytes.
std::vector<Read> model(std::string_view in, std::size_t buffer) {
  std::string t;
  for (std::size_t i = 0; i < in.size() && in[i] != '\x1a'; ++i) {
    if (in[i] == '\r' && i + 1 < in.size() && in[i + 1] == '\n') continue;
    t += in[i];
  }
  std::vector<Read> out;
  std::size_t pos = 0;
  std::uint32_t next_line = 1;
  bool at_start = true;
  bool eof = false;
  while (!eof) {
    std::string raw;
    bool ended = false;
    while (raw.size() < buffer - 1) {
      if (pos == t.size()) {
        eof = true;
        break;
      }
      raw += t[pos++];
      if (raw.back() == '\n') {
        ended = true;
        break;
      }
    }
    Read r{raw.substr(0, raw.find('\0')), next_line, !at_start, raw.find('\0') != std::string::npos,
           raw.empty() && eof};
    if (!r.text.empty() && r.text.back() == '\n') r.text.pop_back();
    out.push_back(r);
    at_start = ended || eof;
    if (ended) ++next_line;
  }
  return out;
}

// The bytes after a field's text are all zero, and the text ends inside the field.
template <std::size_t N>
void check_field(const char (&field)[N], std::string_view what) {
  const std::size_t n = text_of(field).size();
  if (n >= N) fail(what, "a text with no NUL inside its field");
  for (std::size_t i = n; i < N; ++i) {
    if (field[i] != '\0') fail(what, "a field not zero-filled after its text");
  }
}

std::string_view skip_space(std::string_view s) {
  while (!s.empty() && is_space(s.front()))
    s.remove_prefix(1);
  return s;
}

// "%d" plainly: sign, digits, taken modulo 2^32; `wrapped` when the number is beyond int32.
bool model_int(std::string_view s, std::int32_t& out, bool& wrapped) {
  s = skip_space(s);
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  if (s.empty() || s[0] < '0' || s[0] > '9') return false;
  std::uint32_t v = 0;
  std::uint64_t whole = 0;  // held at 2^32 once beyond
  for (; !s.empty() && s[0] >= '0' && s[0] <= '9'; s.remove_prefix(1)) {
    v = v * 10u + static_cast<std::uint32_t>(s[0] - '0');
    whole = std::min<std::uint64_t>(whole * 10 + static_cast<unsigned>(s[0] - '0'), 1ull << 32);
  }
  out = static_cast<std::int32_t>(negative ? 0u - v : v);
  wrapped = whole > (negative ? 0x80000000u : 0x7FFFFFFFu);
  return true;
}

// "%s" plainly: a Shift-JIS lead byte takes the next byte with it. `s` keeps what follows.
std::string_view model_word(std::string_view& s) {
  s = skip_space(s);
  std::size_t i = 0;
  while (i < s.size() && !is_space(s[i])) {
    i += is_sjis_lead(s[i]) && i + 1 < s.size() ? 2 : 1;
  }
  const std::string_view word = s.substr(0, i);
  s.remove_prefix(i);
  return word;
}

// The longest decimal real at the start of `s` (no inf, nan or hex), or empty.
std::string decimal_prefix(std::string_view s) {
  s = skip_space(s);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9')
    ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    std::size_t j = i + 1;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9')
      ++j, ++digits;
    if (digits > 0) i = j;
  }
  if (digits == 0) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      while (j < s.size() && s[j] >= '0' && s[j] <= '9')
        ++j;
      i = j;
    }
  }
  return std::string(s.substr(0, i));
}

// Fails with the line in question shown (its first bytes, escaped).
[[noreturn]] void fail_on(std::string_view line, std::string_view what, std::string_view detail) {
  std::string shown;
  for (const char c : line.substr(0, 80)) {
    const auto b = static_cast<unsigned char>(c);
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02x", b);
    shown += b >= 0x20 && b < 0x7f ? std::string(1, c) : std::string(hex);
  }
  fail(what, std::string(detail) + " in the line \"" + shown + "\"");
}

void check_scans(std::string_view line) {
  const auto fail = [line](std::string_view what, std::string_view detail) {
    fail_on(line, what, detail);
  };
  std::int32_t number = 0x5a5a5a5a;
  float real = 0.0f;
  char small[4];
  char big[260];
  std::memset(small, 'x', sizeof small);
  std::memset(big, 'x', sizeof big);

  const bool wrapped = scan_of(line, {int_target(number)}).wrapped;
  std::int32_t expected = 0x5a5a5a5a;
  bool expected_wrapped = false;
  model_int(line, expected, expected_wrapped);
  if (number != expected) fail("scan %d", "differs from the model");
  if (wrapped != expected_wrapped) fail("scan %d", "tells a wrap the model does not");

  const ScanResult words = scan_of(line, {word_target(small), word_target(big)});
  std::string_view rest = line;
  const std::string_view first = model_word(rest);
  const std::string_view second = model_word(rest);
  if (words.matched != (first.empty() ? 0 : second.empty() ? 1 : 2)) {
    fail("scan %s", "matched a number of words other than the model");
  }
  if (words.matched >= 1) {
    check_field(small, "scan %s");
    if (text_of(small) != first.substr(0, std::min<std::size_t>(first.size(), 3))) {
      fail("scan %s", "a word differs from the model");
    }
  }
  if (words.matched == 2) {
    check_field(big, "scan %s");
    if (text_of(big) != second.substr(0, std::min<std::size_t>(second.size(), 259))) {
      fail("scan %s", "a word differs from the model");
    }
  }
  if (words.word_cut != (first.size() > 3 || second.size() > 259)) {
    fail("scan %s", "word_cut is wrong");
  }

  const ScanResult r = scan_of(line, {real_target(real)});
  const std::string decimal = decimal_prefix(line);
  if (!decimal.empty()) {
    if (r.matched != 1) fail("scan %f", "no real where the model finds a decimal one");
    const float want = std::strtof(decimal.c_str(), nullptr);
    if (std::memcmp(&want, &real, sizeof real) != 0) fail("scan %f", "differs from strtof");
  }

  // A run of numbers into an array scans as the numbers one by one.
  const auto check_run = [&](auto number, ValueKind kind) {
    std::array<decltype(number), 9> run{};
    std::array<decltype(number), 9> one_by_one{};
    const scan_detail::Target whole{kind, run.data(), 4, run.size()};
    std::array<scan_detail::Target, 9> each{};
    for (std::size_t i = 0; i < each.size(); ++i)
      each[i] = {kind, &one_by_one[i], 4};
    const ScanResult a = scan_targets(line, {&whole, 1});
    const ScanResult b = scan_targets(line, each);
    if (std::memcmp(run.data(), one_by_one.data(), sizeof run) != 0 || a.matched != b.matched ||
        a.wanted != b.wanted || a.wrapped != b.wrapped || a.wrapped_value != b.wrapped_value ||
        a.stopped_at != b.stopped_at) {
      fail("scan", "a run of numbers scans otherwise than its numbers one by one");
    }
  };
  check_run(std::int32_t{}, ValueKind::Int);
  check_run(float{}, ValueKind::Real);

  // Mixed formats, as the converters use them, must keep within their fields.
  std::array<char, 16> word{};
  std::int32_t a = 0;
  std::int32_t b = 0;
  scan_of(line, {int_target(a), word_target(word), int_target(b), real_target(real)});
  if (text_of(word).size() >= word.size()) fail("scan", "a word field without its NUL");

  // The whole line into a field, then '#' to line feeds: as a plain walk character by character
  // does it, and the text keeps its length.
  std::array<char, 32> copy{};
  copy_text(copy, line);
  std::array<char, 32> walked = copy;
  for (std::size_t i = 0; i < walked.size() && walked[i] != '\0'; ++i) {
    if (is_sjis_lead(walked[i])) {
      if (i + 1 < walked.size() && walked[i + 1] != '\0') ++i;
    } else if (walked[i] == '#') {
      walked[i] = '\n';
    }
  }
  hash_to_line_feed(copy);
  if (copy != walked) fail("hash_to_line_feed", "differs from the plain walk");
  std::array<char, 4096> whole{};  // a text that fills its field, with no NUL
  std::memcpy(whole.data(), line.data(), std::min(line.size(), whole.size()));
  const std::array<char, 4096> before = whole;
  hash_to_line_feed(std::span(whole).first(line.size()));
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (whole[i] != before[i] && (before[i] != '#' || whole[i] != '\n')) {
      fail("hash_to_line_feed", "changed a byte other than '#'");
    }
  }
}

// A small vocabulary in two groups, with a marker, to check that data lines reach only the open
// section. A line passes through both groups, so it may be handled once in each.
struct Walked {
  int first_group = 0;   // data lines and markers
  int second_group = 0;  // data lines
};

constexpr Section<Walked> kFirst[] = {
    {"a",
     [](Walked& w, const Line& l) {
       if (l.section_number() != 1) fail("walk", "a data line of <a> outside it");
       ++w.first_group;
     }},
    {"entry", nullptr, nullptr, [](Walked& w) { ++w.first_group; }, Role::Marker},
    {"b",
     [](Walked& w, const Line& l) {
       if (l.section_number() != 3) fail("walk", "a data line of <b> outside it");
       ++w.first_group;
     }},
};
constexpr Section<Walked> kSecond[] = {
    {"c",
     [](Walked& w, const Line& l) {
       if (l.section_number() != 4) fail("walk", "a data line of <c> outside it");
       ++w.second_group;
     }},
};

}  // namespace

void lines_property(Input input) {
  if (input.empty()) return;
  const std::size_t buffer = (input[0] & 1) != 0 ? kLongLines : kShortLines;
  const unsigned pattern = input[0] >> 1;
  const std::string_view source = as_text(input.subspan(1));

  MemorySource whole(source);
  const std::vector<Read> lines = read_all(whole, buffer);
  BlockSource blocks(source, pattern);
  if (read_all(blocks, buffer) != lines) fail("lines", "depend on how the source hands out bytes");
  if (model(source, buffer) != lines) fail("lines", "differ from the model of the read rules");

  for (const Read& line : lines)
    check_scans(line.text);

  MemorySource again(source);
  Walked walked;
  SilentReport report;
  const Group<Walked> groups[] = {kFirst, kSecond};
  walk<Walked>(again, buffer, walked, groups, report);
  const int read = static_cast<int>(lines.size());
  if (walked.first_group > read || walked.second_group > read) {
    fail("walk", "a group handled more lines than were read");
  }
}

void converters_property(Input input) {
  const SmallTables small;
  std::string_view source = as_text(input);
  const Kind* kind = named_kind(source);
  if (kind == nullptr) return;
  const std::unique_ptr<Converter> converter = kind->make();
  const std::unique_ptr<Converter> twin = kind->make();
  convert_and_check(*kind, *converter, *twin, source, true);
}

void files_property(Input input) {
  const SmallTables small;
  constexpr char kSeparator = '\x1e';
  constexpr int kMostFiles = 16;
  Converters converters;
  Converters twins;
  std::string_view rest = as_text(input);
  for (int files = 0; files < kMostFiles && !rest.empty(); ++files) {
    const std::size_t cut = rest.find(kSeparator);
    std::string_view file = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    const Kind* kind = named_kind(file);
    if (kind == nullptr) continue;
    convert_and_check(*kind, converters.of(*kind), twins.of(*kind), file);
  }
  // The driver's last step: nothing is left allocated.
  converters.release();
  twins.release();
}

void data_property(Input input) {
  const SmallTables small;
  std::string_view rest = as_text(input);
  const Kind* kind = named_kind(rest);
  if (kind == nullptr) return;
  const std::span<const unsigned char> file(reinterpret_cast<const unsigned char*>(rest.data()),
                                            rest.size());
  const auto problems = dump_text(kind, kind->source, file, [](std::string_view) {});
  std::vector<DataProblem> json_problems;
  dump_json(kind, kind->source, file, json_problems);
  if (json_problems.size() != problems.size()) fail(kind->source, "the dumps disagree");
  const Decompiled back = decompile(*kind, kind->source, file);
  for (const DataProblem& p : back.problems) {
    if (p.at > file.size()) fail(kind->source, "a problem beyond the file's end");
  }
}

void lsp_property(Input input) {
  if (input.empty()) return;
  const bool framed = (input[0] & 1) != 0;
  const std::size_t block = (input[0] >> 1) + 1;
  const std::string_view rest(reinterpret_cast<const char*>(input.data() + 1), input.size() - 1);
  std::string in;
  std::size_t requests = 0;
  if (framed) {
    in = lsp::framed(R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{}})");
    ++requests;
    for (std::size_t from = 0; from <= rest.size();) {
      const std::size_t cut = std::min(rest.find('\x1e', from), rest.size());
      const std::string_view body = rest.substr(from, cut - from);
      in += lsp::framed(body);
      // A request answered: what has an "id" and a "method" (or is no object and gets an error).
      const nlohmann::json j = nlohmann::json::parse(body, nullptr, false);
      if (j.is_object() && j.contains("id") && !j["id"].is_null() &&
          (j.contains("method") || !(j.contains("result") || j.contains("error"))))
        ++requests;
      from = cut + 1;
    }
  } else {
    in = rest;
  }
  lsp::MemoryTransport transport(in, block);
  // The editor's locale sets the language of the process; the next input starts from the same.
  const Language was = language();
  const int status = lsp::serve(transport, nullptr);
  use_language(was);
  if (status != 0 && status != 1) fail("lsp", "an exit status other than 0 and 1");
  std::string_view out = transport.out;
  std::size_t answers = 0;
  while (!out.empty()) {
    const std::size_t blank = out.find("\r\n\r\n");
    constexpr std::string_view kHead = "Content-Length: ";
    if (!out.starts_with(kHead) || blank == std::string_view::npos)
      fail("lsp", "output that is no frame");
    const std::size_t length = std::strtoul(std::string(out.substr(kHead.size(), blank)).c_str(), nullptr, 10);
    if (out.size() < blank + 4 + length) fail("lsp", "a frame cut short");
    const nlohmann::json m = nlohmann::json::parse(out.substr(blank + 4, length), nullptr, false);
    if (!m.is_object() || m.value("jsonrpc", "") != "2.0") fail("lsp", "a message that is not JSON-RPC");
    if (m.contains("id") && m.contains("result") == m.contains("error"))
      fail("lsp", "a response with both or neither of result and error");
    answers += m.contains("id") && !m["id"].is_null() ? 1 : 0;
    out.remove_prefix(blank + 4 + length);
  }
  // Framed right, every request is answered once (the input may end before some of them, after
  // an exit).
  if (framed && answers > requests) fail("lsp", "more answers than requests");
}

}  // namespace kelv::fuzz
