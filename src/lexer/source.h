#pragma once

#include <cstddef>
#include <string_view>

#include "huge_pages.h"

namespace linter {

// The largest script, in bytes, that can be linted: tokens, lines, literals and
// distinct words are numbered in 32 bits, and none of them can outnumber the bytes
// (plus one, for lines).
inline constexpr std::size_t kMaxScriptSize = 0xFFFFFFFEu;

// The bytes of one script. Zero bytes always follow the text, so that the lexer can
// stop on a zero instead of testing for the end at every character, and read sixteen
// bytes at a time near the end.
class SourceText {
 public:
  static constexpr std::size_t kPadding = 16;

  SourceText() { reserve(0); }
  explicit SourceText(std::string_view text);

  // Room for at least n bytes of text, keeping the text there is.
  void reserve(std::size_t n);
  std::size_t capacity() const { return bytes_.size() - kPadding; }
  // Sets the text's length to n (at most the capacity), as after writing into data().
  void resize(std::size_t n);

  char* data() { return bytes_.data(); }
  const char* data() const { return bytes_.data(); }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data(), size_}; }

 private:
  BigVector<char> bytes_;  // capacity plus the padding; unfilled past the text
  std::size_t size_ = 0;
};

}  // namespace linter
