#include "output.h"

#include <cerrno>
#include <charconv>

namespace linter {

Output& Output::operator<<(unsigned long long n) {
  char digits[24];
  auto r = std::to_chars(digits, digits + sizeof digits, n);
  write(std::string_view(digits, std::size_t(r.ptr - digits)));
  return *this;
}

bool Output::flush() {
  if (!file_) return !failed_;
  if (!buffer_.empty() && !failed_) {
    errno = 0;
    std::size_t n = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    if (n != buffer_.size()) {
      failed_ = true;
      error_ = errno;
    }
  }
  buffer_.clear();
  if (!failed_ && std::fflush(file_) != 0) {
    failed_ = true;
    error_ = errno;
  }
  return !failed_;
}

std::string pad4(unsigned long long n) {
  std::string s = std::to_string(n);
  if (s.size() < 4) s.insert(0, 4 - s.size(), ' ');
  return s;
}

}  // namespace linter
