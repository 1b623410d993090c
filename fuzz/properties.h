// What the fuzz targets check, one property per target, on the input libFuzzer gives. The targets
// (fuzz/<name>_fuzz.cpp) call them; so does the tests' replay of the committed corpora, which
// needs no libFuzzer. A property that does not hold is a finding: it goes to the handler below.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace kelv::fuzz {

using Input = std::span<const std::uint8_t>;

// What a finding does: by default it says what and where and aborts, which stops the fuzzer with
// the input that led there. The corpus replay throws instead.
using FindingHandler = std::function<void(const std::string& finding)>;
FindingHandler& on_finding();

// Says what and where, and goes to the handler (which must not return).
[[noreturn]] void fail(std::string_view where, std::string_view what);

// Every property refuses tables over this many bytes, so that a few count lines cannot exhaust
// the fuzzer's memory (the exact 32-bit limits are covered by the unit tests).
inline constexpr std::int64_t kMostTableBytes = 1 << 20;

// `lines`: the line reader, the section walker, the scanner and the text helpers on any bytes.
// The first byte chooses the line buffer (bit 0) and how the source hands out its bytes (bits
// 1-7); the rest is the source.
void lines_property(Input input);

// `converters`: every converter on one source. The input is the name of a kind, a line feed and
// the source. The data file written must read back exactly by its kind's layout, and decompile
// into a source that converts back to the same bytes and, where the source told nothing, tells
// nothing itself.
void converters_property(Input input);

// `files`: several sources through one run. The input is split at each byte 0x1E into up to 16
// files, each of which names its kind as above. One set of converters serves them all, as in the
// driver, so the values a converter carries from one file to the next are fuzzed too.
void files_property(Input input);

// `data`: data files of any bytes through the dump (text and JSON) and the decompiler. The input
// is the name of a kind, a line feed and the file. Nothing may crash, hang or take memory that
// the file's numbers dictate, and every problem must name where it is.
void data_property(Input input);

// `lsp`: the language server on any bytes. Bit 0 of the first byte chooses the form: raw bytes
// on the server's input (the framing on bad input), or messages split at each byte 0x1E and
// framed right, after an initialize (the protocol and every answer on bad messages). The other
// bits say how many bytes each read hands out. The server must end, with status 0 or 1, having
// written only well-framed JSON, one answer per request.
void lsp_property(Input input);

}  // namespace kelv::fuzz
