#include "lsp/server.h"

#include <cstdio>
#include <deque>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "convert/catalog.h"
#include "format/line_reader.h"
#include "language/tr.h"
#include "lsp/across.h"
#include "lsp/features.h"
#include "lsp/tokens.h"
#include "lsp/uri.h"
#include "platform/platform.h"

namespace kelv::lsp {
namespace {

// The error codes of JSON-RPC and of the protocol.
enum : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
  kRequestFailed = -32803,
  kRequestCancelled = -32800,
};

// The types of window/showMessage.
enum : int { kError = 1, kWarning = 2, kInfo = 3 };

// The command that converts a game folder (its one argument the folder's URI, or a file's in
// it); the editor's own command sends it.
constexpr std::string_view kConvertFolder = "kelvconv.server.convertFolder";

// A request that cannot be answered: its error.
struct Failure : std::runtime_error {
  Failure(int code, const std::string& message) : std::runtime_error(message), code(code) {}
  int code;
};

// A message read, or what was wrong with the bytes where one should have been.
struct Pending {
  Json message;
  std::string problem;
  bool cancelled = false;
};

struct Open {
  std::string path;                // the file it is, where its URI names one
  std::optional<Subject> subject;  // none: a file of no kind kelvconv knows
  Document document;
  std::int64_t version = 0;
  bool dirty = true;  // changed since its findings were published (its own, or across files)
  std::optional<Reading> reading = {};  // of the text as it is now, once asked for
  // The semantic tokens last given for the whole text, and their id, which a request for what
  // changed since names.
  std::vector<std::uint32_t> tokens = {};
  std::string tokens_id = {};
};

// A JSON value as the protocol's text.
std::string text_of(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool is_id(const Json& id) {
  return id.is_string() || id.is_number_integer() || id.is_number_unsigned();
}

std::string joined(const std::vector<std::string>& lines, std::string_view between) {
  std::string out;
  for (const std::string& l : lines)
    out.append(out.empty() ? "" : between).append(l);
  return out;
}

class Server {
 public:
  Server(Transport& transport, Host* host) : transport_(transport), reader_(transport), host_(host) {}

  int run() {
    for (;;) {
      if (queue_.empty()) {
        if (ended_) break;
        // Findings wait until the editor pauses.
        if (dirty() && !reader_.buffered() && !transport_.ready(kQuietMilliseconds)) publish();
        if (gone_) return 1;
        take();
        continue;
      }
      Pending p = std::move(queue_.front());
      queue_.pop_front();
      handle(p);
      if (exited_) return shutdown_ ? 0 : 1;
      if (gone_) return 1;
    }
    return shutdown_ ? 0 : 1;
  }

 private:
  // Reads the next message, and those that came with it in the same burst.
  void take() {
    do {
      MessageReader::Message m = reader_.next();
      if (m.status == MessageReader::Message::End) {
        ended_ = true;
        return;
      }
      if (m.status == MessageReader::Message::Malformed) {
        queue_.push_back({nullptr, m.problem});
        continue;
      }
      Json j = Json::parse(m.body, nullptr, false);
      if (j.is_discarded()) {
        queue_.push_back({nullptr, "a body that is not JSON (or not UTF-8)"});
        continue;
      }
      // A cancellation reaches the request it names while that still waits.
      if (j.is_object() && j.value("method", Json()) == "$/cancelRequest" &&
          j.contains("params") && j["params"].is_object()) {
        const Json id = j["params"].value("id", Json());
        for (Pending& p : queue_) {
          if (p.message.is_object() && p.message.contains("method") && p.message.value("id", Json()) == id)
            p.cancelled = true;
        }
      }
      queue_.push_back({std::move(j), {}});
    } while (reader_.buffered());
  }

  bool dirty() const {
    for (const auto& [uri, d] : documents_) {
      if (d.dirty) return true;
    }
    return false;
  }

  void send(const Json& message) { send_text(text_of(message)); }
  void send_text(const std::string& message) {
    if (gone_) return;
    if (!transport_.write(framed(message))) gone_ = true;
  }
  // An answer, its result given as JSON text.
  void respond(const Json& id, const std::string& result) {
    send_text(R"({"jsonrpc":"2.0","id":)" + text_of(id) + R"(,"result":)" + result + "}");
  }
  void fail(const Json& id, int code, const std::string& message) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
  }
  void notify(std::string_view method, Json params) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
  }
  void show(int type, const std::string& message) {
    notify("window/showMessage", {{"type", type}, {"message", message}});
  }

  void handle(const Pending& p) {
    if (!p.problem.empty()) return fail(nullptr, kParseError, p.problem);
    const Json& m = p.message;
    if (!m.is_object()) return fail(nullptr, kInvalidRequest, "a message is a JSON object");
    const Json id = m.value("id", Json());
    const bool has_id = m.contains("id");
    if (m.value("jsonrpc", Json()) != "2.0")
      return fail(is_id(id) ? id : Json(), kInvalidRequest, "\"jsonrpc\" must be \"2.0\"");
    if (!m.contains("method")) {
      // An answer to a request of ours: the server sends none that needs one.
      if (has_id && (m.contains("result") || m.contains("error"))) return;
      return fail(is_id(id) ? id : Json(), kInvalidRequest, "a message without \"method\"");
    }
    if (!m["method"].is_string() || (has_id && !is_id(id)))
      return fail(is_id(id) ? id : Json(), kInvalidRequest, "\"method\" is a string, \"id\" a number or a string");
    const std::string method = m["method"];
    const Json params = m.value("params", Json::object());
    if (has_id) {
      request(id, method, params, p.cancelled);
    } else {
      notification(method, params);
    }
  }

  void request(const Json& id, const std::string& method, const Json& params, bool cancelled) {
    if (cancelled) return fail(id, kRequestCancelled, "cancelled");
    if (method == "initialize" && initialized_) return fail(id, kInvalidRequest, "initialized already");
    if (method != "initialize" && !initialized_)
      return fail(id, kServerNotInitialized, "the server is not initialized yet");
    if (shutdown_) return fail(id, kInvalidRequest, "the server is shutting down");
    try {
      respond(id, answer(method, params));
    } catch (const Failure& f) {
      fail(id, f.code, f.what());
    } catch (const Json::exception& e) {
      fail(id, kInvalidParams, e.what());
    } catch (const std::exception& e) {
      fail(id, kInternalError, e.what());
    }
  }

  void notification(const std::string& method, const Json& params) {
    if (method == "exit") {
      exited_ = true;
      return;
    }
    if (!initialized_ || shutdown_) return;
    try {
      hear(method, params);
    } catch (const std::exception& e) {
      // No one to answer: the editor's log hears it.
      notify("window/logMessage", {{"type", kError}, {"message", method + ": " + e.what()}});
    }
  }

  // The result of a request, as JSON text.
  std::string answer(const std::string& method, const Json& params) {
    if (method == "initialize") return text_of(initialize(params));
    if (method == "shutdown") {
      shutdown_ = true;
      return "null";
    }
    if (method == "workspace/executeCommand") return text_of(execute(params));
    if (method.starts_with("textDocument/semanticTokens/")) return tokens(method, params);
    using Feature = Json (*)(Server&, const Context&, const Json&);
    static const std::map<std::string, Feature, std::less<>> features = {
        {"textDocument/hover",
         [](Server&, const Context& c, const Json& p) { return hover(c, position_from(p.at("position"))); }},
        {"textDocument/completion",
         [](Server&, const Context& c, const Json& p) { return completion(c, position_from(p.at("position"))); }},
        {"textDocument/documentSymbol", [](Server&, const Context& c, const Json&) { return symbols(c); }},
        {"textDocument/foldingRange", [](Server&, const Context& c, const Json&) { return folding(c); }},
        {"textDocument/inlayHint",
         [](Server& s, const Context& c, const Json& p) {
           return s.hints_ ? inlay_hints(c, range_from(p.at("range"))) : Json::array();
         }},
    };
    const auto it = features.find(method);
    if (it == features.end()) throw Failure(kMethodNotFound, "no such method: " + method);
    Open& d = document(params);
    if (!d.subject) return method == "textDocument/hover" ? "null" : "[]";
    const std::optional<Names> names = names_for(d.path);
    const Context c{d.document, *d.subject, names ? &*names : nullptr, reading(d, names)};
    return text_of(it->second(*this, c, params));
  }

  // Semantic tokens: of a range, of the whole text, or what changed in them since the tokens
  // of an id given before.
  std::string tokens(const std::string& method, const Json& params) {
    const bool whole = method == "textDocument/semanticTokens/full";
    const bool delta = method == "textDocument/semanticTokens/full/delta";
    if (!whole && !delta && method != "textDocument/semanticTokens/range")
      throw Failure(kMethodNotFound, "no such method: " + method);
    Open& d = document(params);
    if (!d.subject) return tokens_json({});
    const std::optional<Names> names = names_for(d.path);
    const Context c{d.document, *d.subject, names ? &*names : nullptr, reading(d, names)};
    if (!whole && !delta) return tokens_json(semantic_tokens(c, range_from(params.at("range"))));
    std::vector<std::uint32_t> data = semantic_tokens(c, std::nullopt);
    const std::string id = std::to_string(++tokens_given_);
    const bool known = delta && !d.tokens_id.empty() &&
                       params.value("previousResultId", std::string()) == d.tokens_id;
    std::string out = known ? tokens_delta_json(d.tokens, data, id) : tokens_json(data, id);
    d.tokens = std::move(data);
    d.tokens_id = id;
    return out;
  }

  void hear(const std::string& method, const Json& params) {
    if (method == "textDocument/didOpen") {
      const Json& item = params.at("textDocument");
      const std::string uri = item.at("uri");
      const std::string path = path_of(uri);
      documents_.erase(uri);
      documents_.emplace(uri, Open{path, subject_of(path),
                                   Document(item.at("text").get<std::string>(), encoding_),
                                   item.value("version", 0)});
      touched(uri);
    } else if (method == "textDocument/didChange") {
      Open& d = document(params);
      for (const Json& change : params.at("contentChanges")) {
        if (change.contains("range")) {
          d.document.change(range_from(change["range"]), change.at("text").get<std::string>());
        } else {
          d.document.change(std::nullopt, change.at("text").get<std::string>());
        }
      }
      d.version = params.at("textDocument").value("version", d.version);
      touched(params["textDocument"]["uri"]);
    } else if (method == "textDocument/didClose") {
      const std::string uri = params.at("textDocument").at("uri");
      if (documents_.erase(uri) == 0) throw Failure(kRequestFailed, "not open: " + uri);
      notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}});
      touched(uri);
    } else if (method == "textDocument/didSave") {
      const Open& d = document(params);
      if (convert_on_save_ && host_ != nullptr && d.subject && d.subject->kind != nullptr)
        tell(host_->convert_kind_of(d.path));
    } else if (method == "workspace/didChangeConfiguration") {
      settings(params.value("settings", Json::object()).value("kelvconv", Json::object()));
    }
    // Anything else ($/cancelRequest, initialized, $/setTrace, ...) asks for nothing.
  }

  Json initialize(const Json& params) {
    const Json general = params.value("capabilities", Json::object()).value("general", Json::object());
    for (const Json& e : general.value("positionEncodings", Json::array())) {
      if (e == "utf-8") encoding_ = Encoding::Utf8;
    }
    if (const Json locale = params.value("locale", Json()); locale.is_string())
      use_language(language_of(locale.get<std::string>()));
    settings(params.value("initializationOptions", Json::object()));
    initialized_ = true;
    Json capabilities = {
        {"positionEncoding", encoding_ == Encoding::Utf8 ? "utf-8" : "utf-16"},
        {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
        {"hoverProvider", true},
        {"completionProvider", {{"triggerCharacters", {"<", "/"}}}},
        {"documentSymbolProvider", true},
        {"foldingRangeProvider", true},
        {"inlayHintProvider", true},
        {"semanticTokensProvider",
         {{"legend", token_legend()}, {"full", {{"delta", true}}}, {"range", true}}},
        {"executeCommandProvider", {{"commands", {kConvertFolder}}}},
    };
    return {{"capabilities", capabilities}, {"serverInfo", {{"name", "kelvconv"}, {"version", KELV_VERSION}}}};
  }

  void settings(const Json& s) {
    if (!s.is_object()) return;
    if (const Json v = s.value("inlayHints", Json()); v.is_boolean()) hints_ = v.get<bool>();
    if (const Json v = s.value("convertOnSave", Json()); v.is_boolean()) convert_on_save_ = v.get<bool>();
  }

  Json execute(const Json& params) {
    if (params.at("command") != kConvertFolder) throw Failure(kInvalidParams, "no such command");
    const Json arguments = params.value("arguments", Json::array());
    if (arguments.empty() || !arguments[0].is_string())
      throw Failure(kInvalidParams, "the folder's URI is missing");
    std::string folder = path_of(arguments[0].get<std::string>());
    if (folder.empty()) throw Failure(kInvalidParams, "not a file URI");
    if (host_ == nullptr) throw Failure(kRequestFailed, "this server converts nothing");
    if (!system_files().is_folder(folder)) folder.resize(folder.size() - last_part(folder).size());
    tell(host_->convert_folder(folder));
    return nullptr;
  }

  // What a conversion did, as a message in the editor.
  void tell(const Conversion& c) {
    if (c.failed) {
      show(kError, joined(c.failures, "\n"));
    } else if (c.converted.empty()) {
      show(kInfo, tr("Nothing to convert: every output is up to date.")());
    } else if (c.warnings > 0) {
      show(kWarning, tr("Converted, with {1}: {2}")(tr("{1} warning", "{1} warnings").n(c.warnings),
                                                    joined(c.converted, ", ")));
    } else {
      show(kInfo, tr("Converted: {1}")(joined(c.converted, ", ")));
    }
  }

  Open& document(const Json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    const auto it = documents_.find(uri);
    if (it == documents_.end()) throw Failure(kRequestFailed, "not open: " + uri);
    return it->second;
  }

  static std::optional<Subject> subject_of(const std::string& path) {
    const std::string_view base = last_part(path);
    if (base == kNamesFile) return Subject{nullptr};
    if (const Kind* kind = kind_of_source(base)) return Subject{kind};
    return std::nullopt;
  }

  // The document `changed` was opened, changed or closed: its reading and findings, those of
  // the sources whose names it gives, and the findings across files of the sources of its
  // folder, where it gives a list.
  void touched(const std::string& changed) {
    const std::string path = path_of(changed);
    const std::string_view base = last_part(path);
    const bool names = !path.empty() && base == kNamesFile;
    const Kind* kind = path.empty() ? nullptr : kind_of_source(base);
    const bool list = kind != nullptr && Across::gives_list(*kind);
    for (auto& [uri, d] : documents_) {
      const bool self = uri == changed;
      const bool here = !path.empty() && folder_of(d.path) == folder_of(path);
      if (self || (names && here)) d.reading.reset();
      if (self || ((names || list) && here)) d.dirty = true;
    }
  }

  // The reading of an open source, made when first asked for after a change.
  const Reading& reading(Open& d, const std::optional<Names>& names) {
    if (!d.reading) d.reading.emplace(d.document, *d.subject, names ? &*names : nullptr);
    return *d.reading;
  }

  // The reading of the source at `path` where the editor has it open.
  const Reading* opened(const std::string& path) {
    for (auto& [uri, d] : documents_) {
      if (d.path == path && d.subject && d.subject->kind != nullptr)
        return &reading(d, names_for(path));
    }
    return nullptr;
  }

  // The author's names for the sources of the folder of `path`: names.txt as the editor has it
  // open, else as it is on disk.
  std::optional<Names> names_for(const std::string& path) const {
    if (path.empty()) return std::nullopt;
    const std::string file = folder_of(path) + std::string(kNamesFile);
    for (const auto& [uri, d] : documents_) {
      if (d.path == file) {
        Document::Source source(d.document);
        return Names::read(source);
      }
    }
    std::string bytes;
    if (!read_file(file, bytes)) return std::nullopt;
    MemorySource source(bytes);
    return Names::read(source);
  }

  void publish() {
    for (auto& [uri, d] : documents_) {
      if (!d.dirty) continue;
      d.dirty = false;
      Json found = Json::array();
      if (d.subject) {
        const std::optional<Names> names = names_for(d.path);
        const Reading& r = reading(d, names);
        const std::vector<Finding> across =
            d.path.empty() ? std::vector<Finding>()
                           : across_.findings(d.path, r, [this](const std::string& p) { return opened(p); });
        found = diagnostics({d.document, *d.subject, names ? &*names : nullptr, r}, across, uri);
      }
      notify("textDocument/publishDiagnostics",
             {{"uri", uri}, {"version", d.version}, {"diagnostics", std::move(found)}});
    }
  }

  Transport& transport_;
  MessageReader reader_;
  Host* host_;
  std::deque<Pending> queue_;
  std::map<std::string, Open> documents_;  // by URI
  Across across_;
  std::uint64_t tokens_given_ = 0;  // the ids of semantic tokens
  Encoding encoding_ = Encoding::Utf16;
  bool hints_ = true;
  bool convert_on_save_ = true;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
  bool ended_ = false;  // the input has ended
  bool gone_ = false;   // the output has
};

}  // namespace

int serve(Transport& transport, Host* host) {
  return Server(transport, host).run();
}

}  // namespace kelv::lsp
