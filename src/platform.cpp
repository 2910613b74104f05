#include "platform.h"

#include <algorithm>
#include <cerrno>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace linter {

#ifdef _WIN32

std::string to_utf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(wide[i + 1]) - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring to_utf16(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2
              : (b & 0xF8) == 0xF0 ? 3 : -1;
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra >= 0 && i + std::size_t(extra) < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(utf8[i + k]);
      if ((t & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (t & 0x3F);
    }
    if (!ok || c > 0x10FFFF) {
      out += wchar_t(0xFFFD);
      ++i;
      continue;
    }
    i += std::size_t(extra) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += wchar_t(0xD800 + (c >> 10));
      out += wchar_t(0xDC00 + (c & 0x3FF));
    } else {
      out += wchar_t(c);
    }
  }
  return out;
}

std::FILE* open_for_reading(const std::string& utf8_path) {
  return _wfopen(to_utf16(utf8_path).c_str(), L"rb");
}

std::filesystem::path native_path(const std::string& utf8_path) {
  return std::filesystem::path(to_utf16(utf8_path));
}

void set_binary_stdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::size_t read_stdin_some(char* buffer, std::size_t n) {
  const int got = _read(_fileno(stdin), buffer, unsigned(std::min<std::size_t>(n, 1u << 30)));
  return got > 0 ? std::size_t(got) : 0;
}

#else

std::FILE* open_for_reading(const std::string& utf8_path) {
  return std::fopen(utf8_path.c_str(), "rb");
}

std::filesystem::path native_path(const std::string& utf8_path) {
  return std::filesystem::path(utf8_path);
}

void set_binary_stdio() {}

std::size_t read_stdin_some(char* buffer, std::size_t n) {
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, std::min<std::size_t>(n, 1u << 30));
    if (got >= 0) return std::size_t(got);
    if (errno != EINTR) return 0;
  }
}

#endif

}  // namespace linter
