#pragma once

#include <cstddef>
#include <string_view>

namespace linter {

// Strict UTF-8: rejects overlong forms, surrogates, code points above U+10FFFF and
// sequences cut short.
bool is_valid_utf8(std::string_view text);

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
