#include "utf8.h"

#include <cstdint>
#include <cstring>

namespace linter {

bool is_valid_utf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    // Scripts are mostly ASCII: pass over it eight bytes at a time.
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

}  // namespace linter
