#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace linter {

// A stream written through one large buffer. Without a FILE it only collects text,
// which is how tests and the fuzzer run the whole program in memory.
class Output {
 public:
  explicit Output(std::FILE* file = nullptr) : file_(file) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;
  ~Output() { flush(); }

  void write(std::string_view s) {
    buffer_.append(s);
    if (file_ && buffer_.size() >= kFlushAt) flush();
  }
  void put(char c) {
    buffer_.push_back(c);
    if (file_ && buffer_.size() >= kFlushAt) flush();
  }
  Output& operator<<(std::string_view s) {
    write(s);
    return *this;
  }
  Output& operator<<(char c) {
    put(c);
    return *this;
  }
  Output& operator<<(unsigned long long n);

  // Writes out what is buffered; false once any write to the file has failed.
  bool flush();
  bool has_file() const { return file_ != nullptr; }
  bool failed() const { return failed_; }
  int error() const { return error_; }
  // Everything written so far, for an Output without a file.
  const std::string& text() const { return buffer_; }

 private:
  static constexpr std::size_t kFlushAt = std::size_t{1} << 16;
  std::FILE* file_;
  std::string buffer_;
  bool failed_ = false;
  int error_ = 0;
};

// Decimal right-aligned in four columns, longer numbers in full.
std::string pad4(unsigned long long n);

}  // namespace linter
