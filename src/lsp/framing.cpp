#include "lsp/framing.h"

#include <algorithm>
#include <cctype>

namespace linter::lsp {

namespace {

constexpr std::string_view kLengthHeader = "content-length:";

// The value of a Content-Length header, or false when it is no plain decimal number
// within kMaxBody.
bool parse_length(std::string_view value, std::size_t& length, std::string& error) {
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.empty() || value.size() > 20 ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    error = "Content-Length is not a number: '" + std::string(value.substr(0, 40)) + "'";
    return false;
  }
  length = 0;
  for (char c : value) {
    length = length * 10 + std::size_t(c - '0');
    if (length > kMaxBody) {
      error = "Content-Length " + std::string(value) + " is more than the 64 MiB a message may have";
      return false;
    }
  }
  return true;
}

}  // namespace

bool MessageReader::fill() {
  if (at_ > 0) {
    buffer_.erase(0, at_);
    at_ = 0;
  }
  const std::size_t before = buffer_.size();
  buffer_.resize(before + (std::size_t{1} << 16));
  const std::size_t got = source_(buffer_.data() + before, buffer_.size() - before);
  buffer_.resize(before + got);
  return got > 0;
}

bool MessageReader::header_line(std::string& line) {
  for (;;) {
    const std::size_t lf = buffer_.find('\n', at_);
    if (lf != std::string::npos) {
      std::size_t end = lf;
      if (end > at_ && buffer_[end - 1] == '\r') --end;
      line.assign(buffer_, at_, end - at_);
      at_ = lf + 1;
      return true;
    }
    // A header line is short; a stream that sends megabytes without a line break is
    // not sending headers.
    if (buffer_.size() - at_ > 8192) {
      line.assign(buffer_, at_, 8192);
      at_ = buffer_.size();
      return true;
    }
    if (!fill()) return false;
  }
}

MessageReader::Status MessageReader::next(std::string& body, std::string& error) {
  std::string line;
  bool have_length = false;
  std::size_t length = 0;
  bool any_header = false;
  for (;;) {
    if (!header_line(line)) return Status::End;
    if (line.empty()) {
      if (!any_header) continue;  // stray line breaks between messages
      break;
    }
    any_header = true;
    std::string lower = line.substr(0, kLengthHeader.size());
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (lower == kLengthHeader) {
      if (!parse_length(std::string_view(line).substr(kLengthHeader.size()), length, error))
        return Status::Broken;
      have_length = true;
    } else if (line.find(':') == std::string::npos) {
      error = "not a message header: '" + line.substr(0, 40) + "'";
      return Status::Broken;
    }
  }
  if (!have_length) {
    error = "a message header without Content-Length";
    return Status::Broken;
  }
  while (buffer_.size() - at_ < length) {
    if (!fill()) return Status::End;
  }
  body.assign(buffer_, at_, length);
  at_ += length;
  return Status::Message;
}

std::string frame(std::string_view body) {
  std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  out.append(body);
  return out;
}

}  // namespace linter::lsp
