#pragma once

#include <cstddef>
#include <string_view>

namespace linter {

// Strict UTF-8: rejects overlong forms, surrogates, code points above U+10FFFF and
// sequences cut short.
bool is_valid_utf8(std::string_view text);

// Where the first character at or after `at` starts (text's size when none does before
// it ends); npos after four continuation bytes in a row, which no valid text has. Text
// cut there is valid exactly when both parts are: a character that would span the cut
// is cut short in the first part.
std::size_t character_start(std::string_view text, std::size_t at);

// The same check on text that arrives in pieces, in order, as it is read: a character
// cut by the end of one piece is checked once the next has come.
class Utf8Stream {
 public:
  // Checks text[from, ...): from must be where a character starts.
  explicit Utf8Stream(const char* text, std::size_t from = 0) : text_(text), checked_(from) {}
  // The bytes before end have arrived; false once the text is known to be invalid.
  bool take(std::size_t end);
  // The text ends at end: checks what was held back; whether the whole text is valid.
  bool finish(std::size_t end);

 private:
  const char* text_;
  std::size_t checked_;  // everything before this is whole, valid characters
  bool ok_ = true;
};

// Decodes the character starting at p in text already known to be valid; returns its
// length in bytes.
inline std::size_t decode_utf8(const unsigned char* p, char32_t& out) {
  unsigned char b = p[0];
  if (b < 0x80) {
    out = b;
    return 1;
  }
  if (b < 0xE0) {
    out = char32_t(b & 0x1F) << 6 | (p[1] & 0x3F);
    return 2;
  }
  if (b < 0xF0) {
    out = char32_t(b & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    return 3;
  }
  out = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
        (p[3] & 0x3F);
  return 4;
}

}  // namespace linter
