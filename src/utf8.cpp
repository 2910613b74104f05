#include "utf8.h"

#include <cstdint>
#include <cstring>

#include "side_by_side.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace linter {

namespace {

bool valid_range(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    // Skip ASCII 32 or eight bytes at a time; most scripts are mostly ASCII.
#if defined(__SSE2__)
    while (end - p >= 32) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
      if (_mm_movemask_epi8(_mm_or_si128(a, b))) break;
      p += 32;
    }
#endif
    while (end - p >= 8) {
      std::uint64_t chunk;
      std::memcpy(&chunk, p, 8);
      if (chunk & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p == end) break;
    unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    std::size_t need;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      if (b == 0xE0) lo = 0xA0;  // overlong
      if (b == 0xED) hi = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      if (b == 0xF0) lo = 0x90;  // overlong
      if (b == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (std::size_t(end - p) <= need) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (std::size_t k = 2; k <= need; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
    }
    p += need + 1;
  }
  return true;
}

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::size_t character_start(std::string_view text, std::size_t at) {
  for (int k = 0; k < 4 && at < text.size(); ++k, ++at)
    if (!is_continuation(text[at])) return at;
  return at < text.size() ? std::string_view::npos : text.size();
}

bool is_valid_utf8(std::string_view text) {
  // Below this a second thread costs more than it saves.
  constexpr std::size_t kSplitFrom = std::size_t{4} << 20;
  if (text.size() < kSplitFrom) return valid_range(text);
  // Cut at a character's first byte near the middle.
  const std::size_t cut = character_start(text, text.size() / 2);
  if (cut == std::string_view::npos) return false;
  bool first = false;
  bool rest = false;
  side_by_side([&] { rest = valid_range(text.substr(cut)); },
               [&] { first = valid_range(text.substr(0, cut)); });
  return first && rest;
}

bool Utf8Stream::take(std::size_t end) {
  // Hold back a last character whose bytes have not all come.
  std::size_t hold = end;
  for (std::size_t k = 1; k <= 3 && k <= end && end - k >= checked_; ++k) {
    const auto b = static_cast<unsigned char>(text_[end - k]);
    if (b < 0x80) break;
    if (b >= 0xC0) {
      const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      if (k < length) hold = end - k;
      break;
    }
  }
  if (hold > checked_) {
    ok_ = ok_ && valid_range(std::string_view(text_ + checked_, hold - checked_));
    checked_ = hold;
  }
  return ok_;
}

bool Utf8Stream::finish(std::size_t end) {
  if (end > checked_) ok_ = ok_ && valid_range(std::string_view(text_ + checked_, end - checked_));
  checked_ = end;
  return ok_;
}

}  // namespace linter
