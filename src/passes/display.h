#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "symbols/context.h"

namespace linter {

// 32-bit FNV-1a, continuing from hash (start with kFnvBasis).
inline constexpr std::uint32_t kFnvBasis = 0x811C9DC5u;
std::uint32_t fnv1a(std::string_view bytes, std::uint32_t hash = kFnvBasis);

// Eight lowercase hexadecimal digits.
void append_hex8(std::string& out, std::uint32_t value);

// How a name appears in warnings and dumps: itself, or with debug its hash.
void append_display(std::string& out, std::string_view name, bool debug);
void append_display(std::string& out, const ContextName& ctx, bool debug);
std::string display_name(std::string_view name, bool debug);

// Pieces of a warning's text: plain text, a name or a context name shown as
// append_display shows them, or a context name written out whatever the mode.
struct Shown {
  std::string_view name;
  bool debug;
};
struct ShownContext {
  const ContextName& ctx;
  bool debug;
};

inline std::size_t piece_size(std::string_view text) { return text.size(); }
inline std::size_t piece_size(const Shown& s) { return s.debug ? 8 : s.name.size(); }
inline std::size_t piece_size(const ContextName& c) {
  return c.head.size() + c.sep.size() + c.tail.size();
}
inline std::size_t piece_size(const ShownContext& c) { return c.debug ? 8 : piece_size(c.ctx); }

inline void append_piece(std::string& out, std::string_view text) { out.append(text); }
inline void append_piece(std::string& out, const Shown& s) { append_display(out, s.name, s.debug); }
inline void append_piece(std::string& out, const ContextName& c) { c.append_to(out); }
inline void append_piece(std::string& out, const ShownContext& c) {
  append_display(out, c.ctx, c.debug);
}

// The pieces joined, in one allocation of the exact size: there can be a warning for
// every few tokens.
template <typename... Pieces>
std::string join(const Pieces&... pieces) {
  std::string out;
  out.reserve((piece_size(pieces) + ...));
  (append_piece(out, pieces), ...);
  return out;
}

}  // namespace linter
