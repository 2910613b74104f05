#pragma once

// Character tests and small scanners shared by the lexer and by the token payload
// accessors, which re-read a token's text from the source.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lexer/unicode.h"
#include "utf8.h"

namespace linter::scan {

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
