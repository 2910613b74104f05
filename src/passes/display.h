#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "passes/warning.h"
#include "symbols/context.h"

namespace linter {

// 32-bit FNV-1a, continuing from hash (start with kFnvBasis).
inline constexpr std::uint32_t kFnvBasis = 0x811C9DC5u;
std::uint32_t fnv1a(std::string_view bytes, std::uint32_t hash = kFnvBasis);
// A context name's hash: that of its three pieces written out one after the other.
inline std::uint32_t fnv1a(const ContextName& ctx) {
  return fnv1a(ctx.tail, fnv1a(ctx.sep, fnv1a(ctx.head)));
}

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
// A literal's size is known at compile time; converting it to a string_view would
// measure it at run time.
template <std::size_t N>
constexpr std::size_t piece_size(const char (&)[N]) {
  return N - 1;
}
inline std::size_t piece_size(const Shown& s) { return s.debug ? 8 : s.name.size(); }
inline std::size_t piece_size(const ContextName& c) {
  return c.head.size() + c.sep.size() + c.tail.size();
}
inline std::size_t piece_size(const ShownContext& c) { return c.debug ? 8 : piece_size(c.ctx); }

// Each writes its piece at p and returns the end of what it wrote.
inline char* write_piece(char* p, std::string_view text) {
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  return p + text.size();
}
template <std::size_t N>
char* write_piece(char* p, const char (&text)[N]) {
  std::memcpy(p, text, N - 1);
  return p + (N - 1);
}
char* write_hex8(char* p, std::uint32_t value);
inline char* write_piece(char* p, const Shown& s) {
  return s.debug ? write_hex8(p, fnv1a(s.name)) : write_piece(p, s.name);
}
inline char* write_piece(char* p, const ContextName& c) {
  return write_piece(write_piece(write_piece(p, c.head), c.sep), c.tail);
}
inline char* write_piece(char* p, const ShownContext& c) {
  if (c.debug) return write_hex8(p, fnv1a(c.ctx));
  return write_piece(p, c.ctx);
}

// A warning "[<context>] <body>", its body the pieces joined, written straight into the
// list's text. The first name shown in the body is the warning's subject, the name it
// is about.
template <typename Context, typename... Body>
void add_warning(WarningList& list, std::uint64_t line, const Context& context,
                 const Body&... body) {
  const std::size_t context_size = piece_size(context);
  const std::size_t head = context_size + 3;  // "[", "] "
  Warning& w = list.append(line, head + (piece_size(body) + ...));
  char* const start = list.text(w);
  char* p = start;
  *p++ = '[';
  p = write_piece(p, context);
  *p++ = ']';
  *p++ = ' ';
  auto put = [&](const auto& piece) {
    char* const before = p;
    p = write_piece(p, piece);
    if constexpr (std::is_same_v<std::decay_t<decltype(piece)>, Shown>) {
      if (w.subject_length == 0) w.set_subject(std::size_t(before - start), std::size_t(p - before));
    }
  };
  (put(body), ...);
  w.context = context_size;
}

}  // namespace linter
