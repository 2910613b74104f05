#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace linter::lsp {

// Reads up to n bytes into the buffer; returns how many, 0 at the end of the input.
using ByteSource = std::function<std::size_t(char* buffer, std::size_t n)>;

// The largest message body accepted: a larger length is taken for a broken stream.
inline constexpr std::size_t kMaxBody = std::size_t{64} << 20;

// Messages as the protocol frames them: header lines ("Content-Length: <n>", others
// ignored), an empty line, then n bytes of body.
class MessageReader {
 public:
  explicit MessageReader(ByteSource source) : source_(std::move(source)) {}

  enum class Status {
    Message,  // body holds the next message's bytes
    End,      // the input ended (a message cut short ends it too)
    Broken,   // a header the stream cannot be read past; error says why
  };
  Status next(std::string& body, std::string& error);

 private:
  // The next header line without its line break; false at the end of the input.
  bool header_line(std::string& line);
  bool fill();

  ByteSource source_;
  std::string buffer_;
  std::size_t at_ = 0;  // first unread byte in buffer_
};

// The message with its header, ready to write.
std::string frame(std::string_view body);

}  // namespace linter::lsp
