// The language server: the base protocol on bad input as a table (what is answered, and the exit
// status), the map between the editor's columns and the reader's Shift-JIS bytes with Japanese
// text, edits as the editor sends them, and the answers made from the reader's view.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/document.h"
#include "lsp/features.h"
#include "lsp/server.h"
#include "lsp/transport.h"

namespace kelv::lsp {
namespace {

std::string msg(const std::string& body) {
  return framed(body);
}
std::string request(int id, const std::string& method, const std::string& params = "{}") {
  return msg(R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method +
             R"(","params":)" + params + "}");
}
std::string notification(const std::string& method, const std::string& params = "{}") {
  return msg(R"({"jsonrpc":"2.0","method":")" + method + R"(","params":)" + params + "}");
}
const std::string kStart = request(1, "initialize", R"({"capabilities":{}})");
const std::string kEnd = request(99, "shutdown") + notification("exit");

// The messages the server wrote, each checked for its frame.
std::vector<nlohmann::json> messages(std::string_view out) {
  std::vector<nlohmann::json> all;
  while (!out.empty()) {
    const std::size_t blank = out.find("\r\n\r\n");
    EXPECT_TRUE(out.starts_with("Content-Length: ") && blank != std::string_view::npos) << out;
    if (blank == std::string_view::npos) break;
    const std::size_t length = std::stoul(std::string(out.substr(16, blank - 16)));
    all.push_back(nlohmann::json::parse(out.substr(blank + 4, length)));
    out.remove_prefix(blank + 4 + length);
  }
  return all;
}

// What the server answered, in order ("1" a result for id 1, "2:-32601" an error, "-:-32700" an
// error without id; notifications left out), and its exit status.
std::string answers(const std::string& in, std::size_t block = 1 << 20) {
  MemoryTransport t(in, block);
  const int status = serve(t, nullptr);
  std::string out;
  for (const nlohmann::json& m : messages(t.out)) {
    if (!m.contains("id")) continue;
    out += m["id"].is_null() ? std::string("-") : m["id"].dump();
    if (m.contains("error")) out += ":" + m["error"]["code"].dump();
    out += " ";
  }
  return out + "| " + std::to_string(status);
}

TEST(Lsp, BaseProtocolOnAnyInput) {
  const std::string open = notification(
      "textDocument/didOpen",
      R"({"textDocument":{"uri":"file:///g/item_list.txt","languageId":"kelvconv","version":1,"text":"<item_data>\n"}})");
  const std::string hover = R"({"textDocument":{"uri":"file:///g/item_list.txt"},"position":{"line":0,"character":1}})";
  const struct {
    const char* what;
    std::string in;
    const char* answered;
  } cases[] = {
      {"a whole session", kStart + notification("initialized") + kEnd, "1 99 | 0"},
      {"exit without shutdown", kStart + notification("exit"), "1 | 1"},
      {"the input ends after shutdown", kStart + request(2, "shutdown"), "1 2 | 0"},
      {"the input ends before it", kStart, "1 | 1"},
      {"nothing at all", "", "| 1"},
      {"a request before initialize", request(2, "textDocument/hover", hover) + kStart + kEnd,
       "2:-32002 1 99 | 0"},
      {"a notification before initialize is dropped", open + kStart + request(2, "textDocument/hover", hover) + kEnd,
       "1 2:-32803 99 | 0"},
      {"initialize twice", kStart + request(2, "initialize") + kEnd, "1 2:-32600 99 | 0"},
      {"an unknown method; an unknown notification asks nothing",
       kStart + request(2, "no/such") + notification("no/such") + kEnd, "1 2:-32601 99 | 0"},
      {"a request after shutdown", kStart + request(2, "shutdown") + request(3, "shutdown") + notification("exit"),
       "1 2 3:-32600 | 0"},
      {"bad JSON", kStart + msg("{\"jsonrpc\":") + kEnd, "1 -:-32700 99 | 0"},
      {"a string that is not UTF-8", kStart + msg("{\"jsonrpc\":\"2.0\",\"method\":\"\xff\"}") + kEnd,
       "1 -:-32700 99 | 0"},
      {"an array", kStart + msg("[1]") + kEnd, "1 -:-32600 99 | 0"},
      {"no jsonrpc", kStart + msg(R"({"id":2,"method":"shutdown"})") + kEnd, "1 2:-32600 99 | 0"},
      {"an id that is an object", kStart + msg(R"({"jsonrpc":"2.0","id":{},"method":"shutdown"})") + kEnd,
       "1 -:-32600 99 | 0"},
      {"a string id", kStart + msg(R"({"jsonrpc":"2.0","id":"a","method":"shutdown"})") + notification("exit"),
       "1 \"a\" | 0"},
      {"params of the wrong shape", kStart + open + request(2, "textDocument/hover", R"({"textDocument":{"uri":"file:///g/item_list.txt"},"position":"here"})") + kEnd,
       "1 2:-32602 99 | 0"},
      {"an unknown document", kStart + request(2, "textDocument/hover", hover) + kEnd, "1 2:-32803 99 | 0"},
      {"a file of no kind answers nothing", kStart + notification("textDocument/didOpen", R"({"textDocument":{"uri":"file:///g/notes.txt","version":1,"text":"<item_data>"}})") +
       request(2, "textDocument/hover", R"({"textDocument":{"uri":"file:///g/notes.txt"},"position":{"line":0,"character":0}})") + kEnd,
       "1 2 99 | 0"},
      {"a request cancelled in the same burst",
       kStart + open + request(2, "textDocument/hover", hover) +
           notification("$/cancelRequest", R"({"id":2})") + kEnd,
       "1 2:-32800 99 | 0"},
      {"no Content-Length", kStart + "Content-Type: x\r\n\r\n{}" + kEnd, "1 -:-32700 99 | 0"},
      {"a Content-Length that is no number", kStart + "Content-Length: 1x\r\n\r\n" + kEnd,
       "1 -:-32700 99 | 0"},
      {"a Content-Length beyond any number", kStart + "Content-Length: 99999999999999999999999\r\n\r\n" + kEnd,
       "1 -:-32700 99 | 0"},
      {"a body longer than said", kStart + "Content-Length: 5\r\n\r\n{\"a\":1}" + kEnd,
       "1 -:-32700 -:-32700 99 | 0"},
      {"a body shorter than said: the next message is lost, the one after is not",
       kStart + "Content-Length: 30\r\n\r\n{}" + request(2, "no/such") + kEnd, "1 -:-32700 -:-32700 99 | 0"},
      {"garbage between messages", kStart + "hello\r\nworld" + kEnd, "1 -:-32700 99 | 0"},
      {"a header line without end", kStart + std::string(5000, 'x') + kEnd, "1 -:-32700 99 | 0"},
      {"line feeds alone and blank lines between messages",
       "Content-Length: 76\n\n" + std::string(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}})") + "\r\n\r\n" + kEnd,
       "1 99 | 0"},
      {"a body larger than taken, cut short by the end", kStart + "Content-Length: 300000000\r\n\r\n{}", "1 | 1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(answers(c.in), c.answered) << c.what;
    EXPECT_EQ(answers(c.in, 3), c.answered) << c.what << ", 3 bytes at a time";
  }
}

// The protocol's columns for each character of a line, both ways: UTF-16 units or UTF-8 bytes,
// and the reader's Shift-JIS bytes. 𠮷 is beyond the BMP (two UTF-16 units) and has no Shift-JIS
// form: the reader gets '?'.
TEST(Lsp, ColumnsMapToShiftJisBytes) {
  const std::string line = "xあｱ𠮷y";
  const struct {
    Encoding encoding;
    std::vector<std::uint32_t> columns;  // where each character begins, and the end
  } encodings[] = {{Encoding::Utf16, {0, 1, 2, 3, 5, 6}}, {Encoding::Utf8, {0, 1, 4, 7, 11, 12}}};
  const std::vector<std::size_t> bytes = {0, 1, 3, 4, 5, 6};
  for (const auto& e : encodings) {
    const Document d("<a>\r\n" + line + "\r\n", e.encoding);
    EXPECT_EQ(d.shift_jis(), "<a>\r\nx\x82\xa0\xb1?y\r\n");
    ASSERT_EQ(d.unencodable().size(), 1u);
    EXPECT_EQ(d.unencodable()[0].character, U'𠮷');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const ReaderPlace p = d.reader_place({1, e.columns[i]});
      EXPECT_EQ(p.line, 2u);
      EXPECT_EQ(p.byte, bytes[i]) << "column " << e.columns[i];
      EXPECT_EQ(d.position({2, bytes[i]}), (Position{1, e.columns[i]}));
    }
    // Inside a character: its start. Past the end: the end.
    EXPECT_EQ(d.reader_place({1, e.columns[3] + 1}).byte, 4u);
    EXPECT_EQ(d.reader_place({1, 99}).byte, 6u);
    EXPECT_EQ(d.position({2, 2}), (Position{1, e.columns[1]}));  // the second byte of あ
  }
}

// The reader's lines end at line feeds only: a carriage return alone is part of its line.
TEST(Lsp, ReaderLinesAndEditorLines) {
  const Document d("a\rあ\nc\r\n", Encoding::Utf16);
  EXPECT_EQ(d.line_count(), 4u);
  EXPECT_EQ(d.reader_line_count(), 3u);
  EXPECT_EQ(d.reader_line(1), "a\r\x82\xa0");
  EXPECT_EQ(d.reader_line(2), "c");
  EXPECT_EQ(d.position({1, 2}), (Position{1, 0}));
  EXPECT_EQ(d.position({1, 4}), (Position{1, 1}));
  EXPECT_EQ(d.reader_place({1, 1}).byte, 4u);
  EXPECT_EQ(d.reader_place({2, 1}).line, 2u);
  EXPECT_EQ(d.lines_of(1), (std::pair<std::uint32_t, std::uint32_t>{0, 1}));
}

TEST(Lsp, EditsAsTheEditorSendsThem) {
  const struct {
    const char* what;
    Encoding encoding;
    Range range;
    const char* text;
    const char* expected;
  } edits[] = {
      {"after a character beyond the BMP", Encoding::Utf16, {{0, 3}, {0, 3}}, "!", "あ𠮷!い\r\nう\r\n"},
      {"the same in UTF-8", Encoding::Utf8, {{0, 7}, {0, 7}}, "!", "あ𠮷!い\r\nう\r\n"},
      {"across a line end", Encoding::Utf16, {{0, 3}, {1, 0}}, "", "あ𠮷う\r\n"},
      {"inside a surrogate pair: from its start", Encoding::Utf16, {{0, 2}, {0, 3}}, "x", "あxい\r\nう\r\n"},
      {"past the end of a line", Encoding::Utf16, {{1, 50}, {1, 60}}, "え", "あ𠮷い\r\nうえ\r\n"},
      {"past the last line", Encoding::Utf16, {{9, 0}, {9, 0}}, "z", "あ𠮷い\r\nう\r\nz"},
      {"an end before its start", Encoding::Utf16, {{1, 1}, {0, 0}}, "-", "あ𠮷い\r\nう-\r\n"},
  };
  for (const auto& e : edits) {
    Document d("あ𠮷い\r\nう\r\n", e.encoding);
    d.change(e.range, e.text);
    EXPECT_EQ(d.text(), e.expected) << e.what;
    d.change(std::nullopt, "whole");
    EXPECT_EQ(d.text(), "whole") << e.what;
    EXPECT_EQ(d.shift_jis(), "whole") << e.what;
  }
}

// The answers the reader's view gives, on an item list with a forgotten closing tag and a
// record that stops at a word.
class Features : public ::testing::Test {
 protected:
  const Subject item_list{kind_named("item_list")};
  const Document d{
      "<item_number>\n2\n<item_data>\n</item_number>\n<item_data>\n"
      "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 薬草 Heals.\n"
      "あ 1\n",
      Encoding::Utf16};
  const Context c{d, item_list, nullptr};
};

TEST_F(Features, DiagnosticsAtTheEditorsColumns) {
  std::vector<std::string> where;
  for (const nlohmann::json& f : diagnostics(c))
    where.push_back(f["code"].get<std::string>() + "@" + f["range"]["start"]["line"].dump() + ":" +
                    f["range"]["start"]["character"].dump() + "-" + f["range"]["end"]["character"].dump());
  // The word "あ" where value1 belongs: its two Shift-JIS bytes are one UTF-16 unit.
  EXPECT_EQ(where, (std::vector<std::string>{"tag-as-data@2:0-11", "open-at-end@4:0-11", "scan@6:0-1"}));
}

TEST_F(Features, CompletionByTheReadersRule) {
  const auto labels = [&](Position at) {
    std::string out;
    const nlohmann::json answer = completion(c, at);
    for (const nlohmann::json& item : answer["items"])
      out += item["label"].get<std::string>() + " ";
    return out;
  };
  EXPECT_EQ(labels({2, 1}), "</item_number> ");  // <item_data> is listed after it
  EXPECT_EQ(labels({4, 0}), "<item_number> <item_data> ");  // nothing open
  EXPECT_EQ(labels({7, 0}), "</item_data> <item_number> ");
  EXPECT_EQ(labels({5, 2}), "");  // not where a tag can go
}

TEST_F(Features, HoverSymbolsFoldingAndHints) {
  const auto hovered = [&](Position at) { return hover(c, at)["contents"]["value"].get<std::string>(); };
  EXPECT_NE(hovered({4, 3}).find("one record per line"), std::string::npos);
  EXPECT_EQ(hovered({5, 2}).substr(0, 32), "**value 2 of 18** `value2`: a nu");
  EXPECT_NE(hovered({5, 39}).find("`word`: a word of at most 63 bytes"), std::string::npos);
  EXPECT_NE(hovered({6, 0}).find("not read"), std::string::npos);
  EXPECT_NE(hovered({2, 0}).find("Read as a data line of `<item_number>`"), std::string::npos);

  const nlohmann::json outline = symbols(c);
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_EQ(outline[0]["detail"], "2 lines");  // the tag read as data among them
  EXPECT_EQ(outline[1]["name"], "<item_data>");
  EXPECT_EQ(outline[1]["detail"], "3 lines");  // the empty line after the last line feed too
  EXPECT_EQ(folding(c).dump(),
            R"([{"endLine":3,"kind":"region","startLine":0},{"endLine":7,"kind":"region","startLine":4}])");

  // A line longer than the reader takes comes in pieces: the second is a data line of its own.
  const Document long_line("<item_data>\n" + std::string(4095, '1') + " 2 3 4\n", Encoding::Utf16);
  const nlohmann::json on_piece = hover({long_line, item_list, nullptr}, {1, 4098});
  EXPECT_EQ(on_piece["contents"]["value"].get<std::string>().substr(0, 17), "**value 2 of 18**");

  const nlohmann::json hints = inlay_hints(c, {{5, 0}, {6, 0}});
  ASSERT_EQ(hints.size(), 18u);
  EXPECT_EQ(hints[16]["label"], "word:");
  EXPECT_EQ(hints[16]["position"]["character"], 38);
  EXPECT_EQ(hints[17]["position"]["character"], 41);  // after 薬草: two units, four bytes
}

}  // namespace
}  // namespace kelv::lsp
