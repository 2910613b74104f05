#include "passes/display.h"

namespace linter {

std::uint32_t fnv1a(std::string_view bytes, std::uint32_t hash) {
  for (unsigned char b : bytes) {
    hash ^= b;
    hash *= 0x01000193u;
  }
  return hash;
}

char* write_hex8(char* p, std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = 28; shift >= 0; shift -= 4) *p++ = kDigits[(value >> shift) & 0xF];
  return p;
}

void append_hex8(std::string& out, std::uint32_t value) {
  char digits[8];
  out.append(digits, write_hex8(digits, value));
}

void append_display(std::string& out, std::string_view name, bool debug) {
  if (debug) {
    append_hex8(out, fnv1a(name));
  } else {
    out.append(name);
  }
}

void append_display(std::string& out, const ContextName& ctx, bool debug) {
  if (debug) {
    append_hex8(out, fnv1a(ctx));
  } else {
    ctx.append_to(out);
  }
}

std::string display_name(std::string_view name, bool debug) {
  std::string out;
  append_display(out, name, debug);
  return out;
}

}  // namespace linter
