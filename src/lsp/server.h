#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "lsp/framing.h"
#include "lsp/positions.h"

namespace linter::lsp {

using Json = nlohmann::ordered_json;

// Receives each message the server sends, as its JSON text.
using MessageSink = std::function<void(std::string_view body)>;

// The language server's state: the lifecycle of the session and the documents the
// client has open, whose text it lints on every change.
class Server {
 public:
  Server(MessageSink send, std::string version) : send_(std::move(send)), version_(std::move(version)) {}

  // Handles one message body. Returns false once the client has sent `exit`.
  bool handle(std::string_view body);
  // The status to exit with: 0 when the client asked for a shutdown first, else 1.
  int exit_status() const { return shut_down_ ? 0 : 1; }

 private:
  struct Document {
    std::string text;
    std::int64_t version = 0;
  };

  void request(const Json& id, const std::string& method, const Json& params);
  // Takes the documents' texts out of params rather than copying them.
  void notification(const std::string& method, Json& params);
  void initialize(const Json& id, const Json& params);
  void publish(const std::string& uri, const Document& document);
  void respond(const Json& id, Json result);
  void fail(const Json& id, int code, std::string_view message);

  MessageSink send_;
  std::string version_;
  bool initialized_ = false;  // `initialize` answered
  bool shut_down_ = false;    // `shutdown` answered
  Encoding encoding_ = Encoding::Utf16;
  std::map<std::string, Document> documents_;  // by URI
};

// Runs a server on messages from `input` until `exit` or the end of the input, sending
// its messages through `output` framed; a stream broken past reading goes to `errors`.
// Returns the exit status.
int serve(ByteSource input, const std::function<void(std::string_view)>& output,
          const std::function<void(std::string_view)>& errors, std::string version);

}  // namespace linter::lsp
