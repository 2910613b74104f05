#include "lsp/server.h"

#include "lsp/diagnostics.h"

namespace linter::lsp {

namespace {

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kServerNotInitialized = -32002;

// A member of an object, or null; const or not as the object is.
template <typename J>
J* member(J& object, const char* key) {
  if (!object.is_object()) return nullptr;
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

const std::string* string_member(const Json& object, const char* key) {
  const Json* value = member(object, key);
  return value && value->is_string() ? value->get_ptr<const std::string*>() : nullptr;
}

// A string member's text, for taking it out of the message.
std::string* text_member(Json& object, const char* key) {
  Json* value = member(object, key);
  return value && value->is_string() ? value->get_ptr<std::string*>() : nullptr;
}

bool lists_utf8(const Json& params) {
  const Json* capabilities = member(params, "capabilities");
  const Json* general = capabilities ? member(*capabilities, "general") : nullptr;
  const Json* encodings = general ? member(*general, "positionEncodings") : nullptr;
  if (!encodings || !encodings->is_array()) return false;
  for (const Json& e : *encodings)
    if (e.is_string() && e.get_ref<const std::string&>() == "utf-8") return true;
  return false;
}

}  // namespace

bool Server::handle(std::string_view body) {
  Json message = Json::parse(body, nullptr, false);
  if (message.is_discarded() || !message.is_object()) {
    fail(nullptr, kParseError, "Parse error: the message is not a JSON object");
    return true;
  }
  const Json* id = member(message, "id");
  const bool is_request = id && (id->is_number_integer() || id->is_string());
  const std::string* method = string_member(message, "method");
  Json* params_member = member(message, "params");
  Json no_params = Json::object();
  Json& params = params_member ? *params_member : no_params;
  if (!method) {
    // A response to a request we never sent, or no message at all.
    if (id && !member(message, "result") && !member(message, "error"))
      fail(is_request ? *id : Json(nullptr), kInvalidRequest, "Invalid request: no method");
    return true;
  }
  if (*method == "exit") return false;
  if (is_request) {
    request(*id, *method, params);
  } else if (!id) {
    notification(*method, params);
  } else {
    fail(nullptr, kInvalidRequest, "Invalid request: the id is neither a number nor a string");
  }
  return true;
}

void Server::request(const Json& id, const std::string& method, const Json& params) {
  if (method == "initialize") {
    if (initialized_) {
      fail(id, kInvalidRequest, "initialize was already sent");
    } else {
      initialize(id, params);
    }
  } else if (!initialized_) {
    fail(id, kServerNotInitialized, "Server not initialized");
  } else if (shut_down_) {
    fail(id, kInvalidRequest, "Invalid request: the server is shut down");
  } else if (method == "shutdown") {
    shut_down_ = true;
    respond(id, nullptr);
  } else {
    fail(id, kMethodNotFound, "Method not found: " + method);
  }
}

void Server::initialize(const Json& id, const Json& params) {
  initialized_ = true;
  encoding_ = lists_utf8(params) ? Encoding::Utf8 : Encoding::Utf16;
  Json sync = {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}};
  Json capabilities = {{"positionEncoding", encoding_ == Encoding::Utf8 ? "utf-8" : "utf-16"},
                       {"textDocumentSync", sync}};
  respond(id, {{"capabilities", capabilities},
               {"serverInfo", {{"name", "linter-lsp"}, {"version", version_}}}});
}

void Server::notification(const std::string& method, Json& params) {
  // Before `initialize` a notification is dropped, `exit` aside (see handle).
  if (!initialized_ || shut_down_) return;
  Json* document = member(params, "textDocument");
  const std::string* uri = document ? string_member(*document, "uri") : nullptr;
  if (method == "initialized") {
    for (const auto& [open_uri, open] : documents_) publish(open_uri, open);
    return;
  }
  if (!uri) return;  // what follows is about one document, which must be named
  if (method == "textDocument/didOpen") {
    std::string* text = text_member(*document, "text");
    const Json* version = member(*document, "version");
    if (!text) return;
    Document& d = documents_[*uri];
    d.text = std::move(*text);
    d.version = version && version->is_number_integer() ? version->get<std::int64_t>() : 0;
    publish(*uri, d);
  } else if (method == "textDocument/didChange") {
    const auto it = documents_.find(*uri);
    Json* changes = member(params, "contentChanges");
    if (it == documents_.end() || !changes || !changes->is_array() || changes->empty()) return;
    // Full-text sync: the last change holds the whole text.
    std::string* text = text_member(changes->back(), "text");
    if (!text) return;
    it->second.text = std::move(*text);
    const Json* version = member(*document, "version");
    if (version && version->is_number_integer()) it->second.version = version->get<std::int64_t>();
    publish(*uri, it->second);
  } else if (method == "textDocument/didSave") {
    // The client's text, never the file on disk.
    const auto it = documents_.find(*uri);
    if (it != documents_.end()) publish(*uri, it->second);
  } else if (method == "textDocument/didClose") {
    if (documents_.erase(*uri) == 0) return;
    Json cleared = {{"uri", *uri}, {"diagnostics", Json::array()}};
    send_(Json{{"jsonrpc", "2.0"},
               {"method", "textDocument/publishDiagnostics"},
               {"params", cleared}}
              .dump());
  }
  // Any other notification, $/cancelRequest among them, needs nothing.
}

void Server::publish(const std::string& uri, const Document& document) {
  std::string message = R"({"jsonrpc":"2.0","method":"textDocument/publishDiagnostics","params":{"uri":)";
  append_json_string(message, uri);
  message += ",\"version\":";
  message += std::to_string(document.version);
  message += ",\"diagnostics\":";
  message += diagnostics(document.text, encoding_);
  message += "}}";
  send_(message);
}

void Server::respond(const Json& id, Json result) {
  send_(Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}.dump());
}

void Server::fail(const Json& id, int code, std::string_view message) {
  send_(Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}}
            .dump());
}

int serve(ByteSource input, const std::function<void(std::string_view)>& output,
          const std::function<void(std::string_view)>& errors, std::string version) {
  Server server([&](std::string_view body) { output(frame(body)); }, std::move(version));
  MessageReader reader(std::move(input));
  std::string body;
  std::string error;
  for (;;) {
    switch (reader.next(body, error)) {
      case MessageReader::Status::Message:
        if (!server.handle(body)) return server.exit_status();
        break;
      case MessageReader::Status::End:
        return server.exit_status();
      case MessageReader::Status::Broken:
        errors("linter-lsp: " + error + "; the message stream cannot be read on\n");
        return 1;
    }
  }
}

}  // namespace linter::lsp
