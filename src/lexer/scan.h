#pragma once

// Character tests and small scanners shared by the lexer and by the token payload
// accessors, which re-read a token's text from the source.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <string>
#include <string_view>

#include "lexer/unicode.h"
#include "utf8.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace linter::scan {

// The number of line feeds in s[0, n): sixteen bytes at a time where the machine can,
// else eight.
inline std::size_t count_newlines(const char* s, std::size_t n) {
  std::size_t count = 0, i = 0;
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  while (n - i >= 16) {
    // Per-byte counts (a match is -1, subtracted) for up to 255 blocks, then summed.
    __m128i counts = zero;
    const std::size_t blocks = std::min<std::size_t>((n - i) / 16, 255);
    for (std::size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(c, newline));
    }
    const __m128i sums = _mm_sad_epu8(counts, zero);
    count += std::size_t(_mm_cvtsi128_si32(sums)) +
             std::size_t(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
#else
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s + i, 8);
    std::uint64_t x = w ^ (kOnes * '\n');  // line feeds become zero bytes
    // A byte's top bit ends up set unless the byte is zero; no carry crosses bytes.
    std::uint64_t t = ((x & (kOnes * 0x7F)) + kOnes * 0x7F) | x;
    // One bit per line feed, at the bottom of its byte; the multiply sums the bytes.
    count += std::size_t((((~t & (kOnes * 0x80)) >> 7) * kOnes) >> 56);
  }
#endif
  for (; i < n; ++i) count += s[i] == '\n';
  return count;
}

inline bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool is_ascii_alpha(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Length in bytes of the character at pos if it may continue a word, else 0.
inline std::size_t word_char(std::string_view s, std::size_t pos) {
  auto c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) return (is_ascii_alpha(c) || is_digit(c) || c == '_') ? 1 : 0;
  char32_t cp;
  std::size_t n = decode_utf8(reinterpret_cast<const unsigned char*>(s.data()) + pos, cp);
  return (is_alphabetic(cp) || is_numeric(cp)) ? n : 0;
}

// Length in bytes of the character at pos if it is alphabetic, else 0.
inline std::size_t alpha_char(std::string_view s, std::size_t pos) {
  auto c = static_cast<unsigned char>(s[pos]);
  if (c < 0x80) return is_ascii_alpha(c) ? 1 : 0;
  char32_t cp;
  std::size_t n = decode_utf8(reinterpret_cast<const unsigned char*>(s.data()) + pos, cp);
  return is_alphabetic(cp) ? n : 0;
}

inline std::size_t word_end(std::string_view s, std::size_t pos) {
  while (pos < s.size()) {
    std::size_t n = word_char(s, pos);
    if (n == 0) break;
    pos += n;
  }
  return pos;
}

inline std::size_t digits_end(std::string_view s, std::size_t pos) {
  while (pos < s.size() && is_digit(static_cast<unsigned char>(s[pos]))) ++pos;
  return pos;
}

// End of an #include path that starts at pos: the next double quote, line feed or the end.
inline std::size_t include_path_end(std::string_view s, std::size_t pos) {
  while (pos < s.size() && s[pos] != '"' && s[pos] != '\n') ++pos;
  return pos;
}

struct StringScan {
  std::size_t end;      // position after the literal (after the closing quote, if any)
  std::uint64_t lines;  // line feeds consumed inside it (escaped ones)
  bool terminated;
};

// Scans a string literal whose opening quote is at pos. With out set, the content with
// escapes resolved is appended to it.
inline StringScan scan_string(std::string_view s, std::size_t pos, std::string* out) {
  StringScan r{0, 0, false};
  std::size_t i = pos + 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '"') {
      r.end = i + 1;
      r.terminated = true;
      return r;
    }
    if (c == '\n') break;
    if (c == '\\') {
      if (i + 1 >= s.size()) {
        if (out) out->push_back('\\');
        ++i;
        continue;
      }
      char e = s[i + 1];
      if (static_cast<unsigned char>(e) >= 0x80) {
        // The escaped character is added whole, without the backslash.
        std::size_t start = i + 1;
        std::size_t len = 1;
        while (start + len < s.size() && (static_cast<unsigned char>(s[start + len]) & 0xC0) == 0x80)
          ++len;
        if (out) out->append(s.substr(start, len));
        i = start + len;
        continue;
      }
      if (e == '\n') ++r.lines;
      if (out) out->push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e);
      i += 2;
      continue;
    }
    if (out) out->push_back(c);
    ++i;
  }
  r.end = i;
  return r;
}

}  // namespace linter::scan
