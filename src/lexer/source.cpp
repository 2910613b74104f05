#include "lexer/source.h"

#include <cstring>
#include <new>

namespace linter {

SourceText::SourceText(std::string_view text) {
  reserve(text.size());
  if (!text.empty()) std::memcpy(data(), text.data(), text.size());
  resize(text.size());
}

void SourceText::reserve(std::size_t n) {
  if (!bytes_.empty() && n <= capacity()) return;
  if (n > static_cast<std::size_t>(-1) - kPadding) throw std::bad_alloc();
  BigVector<char> bigger;
  bigger.resize(n + kPadding);
  if (size_ > 0) std::memcpy(bigger.data(), bytes_.data(), size_);
  bytes_.swap(bigger);
  resize(size_);
}

void SourceText::resize(std::size_t n) {
  size_ = n;
  std::memset(data() + n, 0, kPadding);
}

}  // namespace linter
