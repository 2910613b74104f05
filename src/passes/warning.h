#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "pages.h"

namespace linter {

// One finding of the analysis: its line, and where its text (without file, line or
// prefix) sits in its list's text.
// (Until the analysis returns, line may hold a token, see kAtToken in symbols/symbol.h.)
struct Warning {
  std::uint64_t line = 0;
  std::uint64_t begin = 0;
  std::uint64_t length = 0;
};

// The findings of one analysis. Their texts share one buffer: a large script has a
// warning for every few dozen tokens, and an allocation each would cost more than
// making them.
class WarningList {
 public:
  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  Warning& operator[](std::size_t i) { return items_[i]; }
  const Warning& operator[](std::size_t i) const { return items_[i]; }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  std::string_view message(const Warning& w) const {
    return {text_.data() + w.begin, static_cast<std::size_t>(w.length)};
  }
  // Adds a warning whose text of `length` bytes the caller writes at the pointer returned.
  char* append(std::uint64_t line, std::size_t length) {
    items_.push_back({line, text_.size(), length});
    return text_.extend(length);
  }
  void push_back(std::string_view message, std::uint64_t line) {
    char* p = append(line, message.size());
    if (!message.empty()) std::memcpy(p, message.data(), message.size());
  }
  // The warnings themselves, for reordering; their texts stay where they are.
  PageArray<Warning>& items() { return items_; }

 private:
  PageArray<Warning> items_;
  PageArray<char> text_;
};

}  // namespace linter
