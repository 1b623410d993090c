// The language server: the base protocol on bad input as a table (what is answered, and the exit
// status), the map between the editor's columns and the reader's Shift-JIS bytes with Japanese
// text, edits as the editor sends them, and the answers made from the reader's view.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "lsp/document.h"
#include "lsp/features.h"
#include "lsp/server.h"
#include "lsp/tokens.h"
#include "lsp/transport.h"
#include "lsp/uri.h"
#include "temp_dir.h"

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
    ASSERT_EQ(d.unencodable(1).size(), 1u);
    EXPECT_EQ(d.unencodable(1)[0].character, U'𠮷');
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
  // The carriage return between two editor lines is a byte of the reader's line.
  const Document e("ab\rcd\n", Encoding::Utf16);
  EXPECT_EQ(e.position({0, 3}), (Position{1, 0}));
  EXPECT_EQ(e.position({0, 5}), (Position{1, 2}));
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

// The numbers that index another kind's list are checked against the list as the folder gives
// it: the source on disk, or the one the editor has open, whose text wins.
TEST(Lsp, ChecksAcrossTheFilesOfAFolder) {
  test::TempDir dir;
  test::write_file(dir / "item_list.txt", "<item_number>\n2\n</item_number>\n");
  const std::string shop = uri_of(dir / "shop_list.txt");
  const auto open = [](const std::string& uri, const std::string& text) {
    return notification("textDocument/didOpen",
                        nlohmann::json{{"textDocument", {{"uri", uri}, {"version", 1}, {"text", text}}}}.dump());
  };
  const std::string shop_text =
      "<shop_number>\n1\n</shop_number>\n<item_number>\n1\n</item_number>\n"
      "<item_index>\n5\n</item_index>\n</shop_data>\n";
  // The last findings published for the shop list, once the input has paused (at its end).
  const auto published = [&](const std::string& in) {
    MemoryTransport t(kStart + in);
    serve(t, nullptr);
    nlohmann::json last;
    for (const nlohmann::json& m : messages(t.out)) {
      if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == shop)
        last = m["params"]["diagnostics"];
    }
    return last;
  };
  const nlohmann::json on_disk = published(open(shop, shop_text));
  ASSERT_EQ(on_disk.size(), 1u) << on_disk.dump();
  EXPECT_EQ(on_disk[0]["code"], "reference");
  EXPECT_EQ(on_disk[0]["range"]["start"]["line"], 7);
  EXPECT_EQ(on_disk[0]["relatedInformation"][0]["location"]["uri"], uri_of(dir / "item_list.txt"));
  EXPECT_EQ(on_disk[0]["relatedInformation"][0]["location"]["range"]["start"]["line"], 1);
  EXPECT_EQ(on_disk[0]["relatedInformation"][0]["message"], "the list's count is given here");
  const nlohmann::json open_list = published(
      open(uri_of(dir / "item_list.txt"), "<item_number>\n9\n</item_number>\n") + open(shop, shop_text));
  EXPECT_EQ(open_list, nlohmann::json::array());
}

// Semantic tokens of the whole text come with an id; asked for what changed since, the server
// answers with one edit that makes the new tokens of the old, and with all of them for an id it
// did not give.
TEST(Lsp, TokensAndWhatChangedInThem) {
  const std::string uri = "file:///g/item_list.txt";
  const std::string document = R"({"textDocument":{"uri":")" + uri + R"("}})";
  const auto since = [&](const char* id) {
    return R"({"textDocument":{"uri":")" + uri + R"("},"previousResultId":")" + id + R"("})";
  };
  MemoryTransport t(
      kStart +
      notification("textDocument/didOpen",
                   nlohmann::json{{"textDocument", {{"uri", uri}, {"version", 1},
                                                    {"text", "<item_data>\n1 2 3\n4 5 6\n</item_data>\n"}}}}
                       .dump()) +
      request(2, "textDocument/semanticTokens/full", document) +
      notification("textDocument/didChange",
                   R"({"textDocument":{"uri":")" + uri +
                       R"(","version":2},"contentChanges":[{"range":{"start":{"line":2,"character":0},"end":{"line":2,"character":1}},"text":"44"}]})") +
      request(3, "textDocument/semanticTokens/full/delta", since("1")) +
      request(4, "textDocument/semanticTokens/full/delta", since("1")) +
      request(5, "textDocument/semanticTokens/full/delta", since("3")) + kEnd);
  serve(t, nullptr);
  std::map<int, nlohmann::json> results;
  for (const nlohmann::json& m : messages(t.out)) {
    if (m.contains("id") && m.contains("result")) results[m["id"].get<int>()] = m["result"];
  }
  std::vector<std::uint32_t> tokens = results[2]["data"];
  EXPECT_EQ(results[2]["resultId"], "1");
  ASSERT_EQ(results[3]["edits"].size(), 1u) << results[3];
  const nlohmann::json& edit = results[3]["edits"][0];
  // "44" for "4": its token one unit longer, and the one after it one column later.
  EXPECT_EQ(edit.dump(), R"({"data":[2,1,0,0,3],"deleteCount":5,"start":22})");
  tokens.erase(tokens.begin() + edit["start"].get<std::ptrdiff_t>(),
               tokens.begin() + edit["start"].get<std::ptrdiff_t>() + edit["deleteCount"].get<std::ptrdiff_t>());
  const std::vector<std::uint32_t> put = edit["data"];
  tokens.insert(tokens.begin() + edit["start"].get<std::ptrdiff_t>(), put.begin(), put.end());
  EXPECT_EQ(nlohmann::json(tokens), results[4]["data"]);  // an id given before the last: all
  EXPECT_EQ(results[5]["edits"], nlohmann::json::array());  // nothing changed
  EXPECT_EQ(results[5]["resultId"], "4");
}

// An edited document is the document of its text: its lines, their Shift-JIS and what they
// cannot hold, and the reader's lines, after any edit (line ends made and broken, carriage
// returns alone, characters of every width).
TEST(Lsp, AnyEditKeepsTheTextsInStep) {
  std::mt19937 random(31);
  const std::vector<std::string> pieces = {"a", "b1 ", "\n", "\r", "\r\n", "あ", "𠮷", "ｱ", "<x>", ""};
  const auto pick = [&](std::size_t n) { return static_cast<std::uint32_t>(random() % n); };
  for (const Encoding encoding : {Encoding::Utf16, Encoding::Utf8}) {
    Document d("あ\r\nb\rc\n", encoding);
    for (int edit = 0; edit < 400; ++edit) {
      std::string text;
      for (std::uint32_t k = pick(4); k > 0; --k)
        text += pieces[pick(pieces.size())];
      const Position begin{pick(d.line_count() + 1), pick(4)};
      const Position end{begin.line + pick(3), pick(4)};
      d.change(Range{begin, end}, text);
      const Document fresh(d.text(), encoding);
      ASSERT_EQ(d.line_count(), fresh.line_count()) << d.text();
      ASSERT_EQ(d.shift_jis(), fresh.shift_jis()) << d.text();
      ASSERT_EQ(d.reader_line_count(), fresh.reader_line_count()) << d.text();
      for (std::uint32_t l = 0; l < d.line_count(); ++l) {
        ASSERT_EQ(d.line(l), fresh.line(l)) << d.text();
        ASSERT_EQ(d.unencodable(l).size(), fresh.unencodable(l).size()) << d.text();
      }
      for (std::uint32_t r = 1; r <= d.reader_line_count(); ++r)
        ASSERT_EQ(d.reader_line(r), fresh.reader_line(r)) << d.text();
    }
  }
}

// The answers one reading gives, on an item list with a forgotten closing tag, records that
// stop at a word, and a closing tag with a blank after it.
class Features : public ::testing::Test {
 protected:
  const Subject item_list{kind_named("item_list")};
  const Document d{
      "<item_number>\n3\n<item_data>\n</item_number>\n<item_data>\n"
      "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 薬草 Heals#now.\n"
      "あ 1\n"
      "1 2 x3\n"
      "</item_data> \n",
      Encoding::Utf16};
  const Reading r{d, item_list, nullptr};
  const Context c{d, item_list, nullptr, r};

  std::string hovered(Position at) const { return hover(c, at)["contents"]["value"].get<std::string>(); }
};

TEST_F(Features, DiagnosticsAtTheEditorsColumns) {
  const nlohmann::json found = diagnostics(c, {}, "file:///g/item_list.txt");
  std::vector<std::string> where;
  for (const nlohmann::json& f : found) {
    where.push_back(f["code"].get<std::string>() + "@" + f["range"]["start"]["line"].dump() + ":" +
                    f["range"]["start"]["character"].dump() + "-" + f["range"]["end"]["character"].dump());
    EXPECT_EQ(f["severity"], 2);
  }
  // The word "あ" where value1 belongs: its two Shift-JIS bytes are one UTF-16 unit; "x3" where
  // value3 does.
  EXPECT_EQ(where, (std::vector<std::string>{"tag-as-data@2:0-11", "open-at-end@4:0-11", "scan@6:0-1",
                                             "scan@7:4-6", "unknown-tag@8:0-13", "unused-line@8:0-13"}));
  // Where the section it is read in opened: the tag on line 0 of the editor.
  EXPECT_EQ(found[0]["relatedInformation"].dump(),
            R"([{"location":{"range":{"end":{"character":13,"line":0},"start":{"character":0,"line":0}},"uri":"file:///g/item_list.txt"},"message":"the section opened here"}])");
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
  EXPECT_EQ(labels({9, 0}), "</item_data> <item_number> ");
  EXPECT_EQ(labels({5, 2}), "");  // not where a tag can go
}

TEST_F(Features, HoverOnTagsAndValues) {
  EXPECT_NE(hovered({4, 3}).find("one record per line"), std::string::npos);
  // The count is the last line of <item_number>: the tag read as data, which holds no number.
  EXPECT_EQ(hovered({5, 2}), "**value 2 of 18** `value2`: a number\n\nrecord [0] of `<item_data>` (count at line 3)");
  EXPECT_NE(hovered({5, 39}).find("`word`: a word of at most 63 bytes"), std::string::npos);
  // Where the scan stops: the value not read, and what the line gives before it.
  EXPECT_EQ(hovered({6, 0}),
            "**value 1 of 18** `value1`: a number\n\nNot read: the scan stops here, so this value "
            "and those after it keep what they held.\n\nThe scan stops at the first value: the "
            "line gives none.\n\nrecord [1] of `<item_data>` (count at line 3)");
  EXPECT_NE(hovered({7, 0}).find("The scan stops at value 3; so far the line gives:\n```text\nvalue1=1 value2=2\n```"),
            std::string::npos);
  EXPECT_NE(hovered({2, 0}).find("Read as a data line of `<item_number>`"), std::string::npos);
  EXPECT_EQ(hovered({3, 0}).find("not open here"), std::string::npos);
  // A closing tag of a section that is not open closes the one that is, or none.
  const Document stray("<item_data>\n</item_number>\n</item_number>\n", Encoding::Utf16);
  const Reading strays(stray, item_list, nullptr);
  const auto told = [&](Position at) {
    return hover({stray, item_list, nullptr, strays}, at)["contents"]["value"].get<std::string>();
  };
  EXPECT_NE(told({1, 0}).find("`<item_number>` is not open here: this tag closes `<item_data>` instead."),
            std::string::npos);
  EXPECT_NE(told({2, 0}).find("`<item_number>` is not open here: this tag closes nothing."),
            std::string::npos);
  // A count: the table it makes, of three records.
  EXPECT_NE(hovered({1, 0}).find("The table this count makes takes 1152 bytes."), std::string::npos);
  // A line that finds no record: no record to name.
  EXPECT_NE(hovered({8, 0}).find("a data line of `<item_data>`, open since line 5"), std::string::npos);
  EXPECT_EQ(hover(c, {9, 0}), nullptr);  // the empty line after the last line feed

  // A line longer than the reader takes comes in pieces: the second is a data line of its own.
  const Document long_line("<item_data>\n" + std::string(4095, '1') + " 2 3 4\n", Encoding::Utf16);
  const Reading pieces(long_line, item_list, nullptr);
  const nlohmann::json on_piece = hover({long_line, item_list, nullptr, pieces}, {1, 4098});
  EXPECT_EQ(on_piece["contents"]["value"].get<std::string>().substr(0, 17), "**value 2 of 18**");
  EXPECT_EQ(on_piece["range"].dump(), R"({"end":{"character":4101,"line":1},"start":{"character":4095,"line":1}})");
}

TEST_F(Features, SymbolsFoldingAndHints) {
  const nlohmann::json outline = symbols(c);
  ASSERT_EQ(outline.size(), 2u);
  EXPECT_EQ(outline[0]["detail"], "2 lines");  // the tag read as data among them
  EXPECT_EQ(outline[1]["name"], "<item_data>");
  EXPECT_EQ(outline[1]["detail"], "5 lines");  // the empty line after the last line feed too
  EXPECT_EQ(folding(c).dump(),
            R"([{"endLine":3,"kind":"region","startLine":0},{"endLine":9,"kind":"region","startLine":4}])");

  const nlohmann::json hints = inlay_hints(c, {{5, 0}, {6, 0}});
  ASSERT_EQ(hints.size(), 18u);  // line 6 holds no value that was read
  EXPECT_EQ(hints[16]["label"], "word:");
  EXPECT_EQ(hints[16]["position"]["character"], 38);
  EXPECT_EQ(hints[17]["position"]["character"], 41);  // after 薬草: two units, four bytes
}

// The tokens as (line, column, length, type) from the protocol's relative numbers.
std::vector<std::string> decoded(const std::vector<std::uint32_t>& d) {
  std::vector<std::string> out;
  std::uint32_t line = 0;
  std::uint32_t column = 0;
  for (std::size_t i = 0; i + 4 < d.size(); i += 5) {
    column = d[i] == 0 ? column + d[i + 1] : d[i + 1];
    line += d[i];
    out.push_back(std::to_string(line) + ":" + std::to_string(column) + "+" + std::to_string(d[i + 2]) +
                  " " + std::string(kTokenTypes[d[i + 3]]));
  }
  return out;
}

TEST_F(Features, SemanticTokensColourWhatTheReaderTakes) {
  const std::vector<std::string> all = decoded(semantic_tokens(c, std::nullopt));
  const auto has = [&](const std::string& token) {
    return std::find(all.begin(), all.end(), token) != all.end();
  };
  EXPECT_TRUE(has("0:0+13 keyword"));
  EXPECT_TRUE(has("1:0+1 number"));
  EXPECT_TRUE(has("2:0+11 notTag"));  // read as a data line
  EXPECT_TRUE(has("5:38+2 string"));  // 薬草
  EXPECT_TRUE(has("5:41+5 string"));  // Heals
  EXPECT_TRUE(has("5:46+1 lineBreak"));
  EXPECT_TRUE(has("5:47+4 string"));  // now.
  EXPECT_TRUE(has("7:2+1 number"));
  EXPECT_FALSE(has("7:4+2 number"));  // x3: not read
  EXPECT_TRUE(has("8:0+12 notTag"));  // a blank after it: no tag
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& t) { return t.starts_with("5:"); }), 20);
  // A range: its lines alone, the first counted from the document's start.
  EXPECT_EQ(decoded(semantic_tokens(c, Range{{3, 0}, {4, 5}})),
            (std::vector<std::string>{"3:0+14 keyword", "4:0+11 keyword"}));

  // Reals, and a comment line; a '#' that is the second byte of a character is no break (ソ).
  const Subject monsters{kind_named("monster_list")};
  const Document m("monsters\n<monster_data>\n1 2 3 4 5 6 7 8 9 10 11 0.5 -2e3 14\n</monster_data>\n",
                   Encoding::Utf16);
  const Reading read(m, monsters, nullptr);
  const std::vector<std::string> reals = decoded(semantic_tokens({m, monsters, nullptr, read}, std::nullopt));
  EXPECT_EQ(reals[0], "0:0+8 comment");
  EXPECT_EQ(reals[13], "2:24+3 real");
  EXPECT_EQ(reals[14], "2:28+4 real");
  EXPECT_EQ(reals[15], "2:33+2 number");
}

}  // namespace
}  // namespace kelv::lsp
