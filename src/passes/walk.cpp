// The walk's loop and dispatch, braces and class headers.
#include "passes/walk.h"

#include <algorithm>
#include <array>

#include "output.h"
#include "passes/display.h"

namespace linter {

std::string Walk::trace_head(std::size_t token) { return "line " + pad4(line(token)); }

namespace {

void class_header(Walk& w) {
  const TokenList& t = w.tokens;
  const std::size_t i = w.i;
  if (!t.is(i + 1, TokenKind::Ident)) {
    w.i = i + 1;
    return;
  }
  const NameId id = t.name_id(i + 1);
  const std::string_view name = t.name(id);
  const std::uint64_t line = w.line(i + 1);
  const bool is_interface = t.kind(i) == TokenKind::Interface;
  w.table.declare({name, line, false, false, SymbolKind::Class, id});
  w.current_class = w.classes.add_record(name, id, line, is_interface);
  // The colon and the first base name are passed over; further base names are walked.
  w.i = t.is(i + 2, TokenKind::Colon) ? i + 4 : i + 2;
  w.class_depth = w.brace_depth + 1;
  w.ctx = {name, "", ""};
  w.in_class = true;
}

void open_block(Walk& w) {
  ++w.brace_depth;
  if (w.debug) {
    std::string line = w.trace_head(w.i);
    line += "  PUSH Block  depth=" + std::to_string(w.brace_depth) + "  ctx=";
    append_display(line, w.ctx, true);
    line += "  sync=" + std::to_string(w.table.scope_count()) + "/" +
            std::to_string(w.scope_stack.size());
    w.trace.push_back(std::move(line));
  }
  w.push_scope(std::nullopt, w.brace_depth, ScopeKind::Block, w.ctx);
  ++w.i;
}

void close_block(Walk& w) {
  if (w.brace_depth == 0) {
    // A stray `}` with no brace open: nothing to close.
    ++w.i;
    return;
  }
  if (w.debug) {
    w.trace.push_back(w.trace_head(w.i) + "  POP  Block  depth=" + std::to_string(w.brace_depth) +
                      "  stack_depth=" + std::to_string(w.scope_stack.size()));
  }
  // The file scope stays open until the end of the walk, whatever the braces say.
  if (w.scope_stack.size() > 1) w.close_top_scope();
  // The parameter scope of a function body, and the scope of a `for` with a braced
  // body, close together with the body's block.
  while (w.scope_stack.size() > 1) {
    const ScopeStack::Frame& top = w.scope_stack.back();
    if (top.kind == ScopeKind::Block || top.depth != w.brace_depth) break;
    if (w.debug) {
      w.trace.push_back(w.trace_head(w.i) + "  POP  " + std::string(scope_kind_name(top.kind)) +
                        "  depth=" + std::to_string(w.brace_depth) +
                        "  stack_depth=" + std::to_string(w.scope_stack.size()));
    }
    w.close_top_scope();
  }
  if (w.current_function && w.function_depth == w.brace_depth) {
    w.ctx = w.in_class ? ContextName{w.class_name(), "", ""} : kGlobalContext;
    w.current_function.reset();
  }
  if (w.in_class && w.class_depth == w.brace_depth) {
    w.ctx = kGlobalContext;
    w.in_class = false;
  }
  --w.brace_depth;
  ++w.i;
}

// Closes the scopes of brace-less `for` bodies that have ended by token w.i. A body can
// end inside a nested header or parameter list, which the walk passes over whole, so
// a scope closes at the first step at or after its end. Returns where the innermost
// body still open ends, or the end of the tokens.
std::size_t close_ended_for_scopes(Walk& w) {
  while (w.scope_stack.size() > 1) {
    const ScopeStack::Frame& top = w.scope_stack.back();
    if (!top.has_inline_end) break;
    if (top.inline_end > w.i) return std::size_t(std::min<std::uint64_t>(top.inline_end, w.tokens.size()));
    w.close_top_scope();
  }
  return w.tokens.size();
}

// The kinds the walk does something with; every other token is stepped over.
constexpr std::array<bool, kTokenKindCount> handled_kinds() {
  std::array<bool, kTokenKindCount> h{};
  for (TokenKind k : {TokenKind::Ident, TokenKind::TypeKw, TokenKind::Class, TokenKind::Interface,
                      TokenKind::Keyword, TokenKind::LBrace, TokenKind::RBrace, TokenKind::Dot,
                      TokenKind::Tilde})
    h[std::size_t(k)] = true;
  return h;
}
constexpr std::array<bool, kTokenKindCount> kHandled = handled_kinds();

}  // namespace

void walk(Walk& w) {
  const TokenList& t = w.tokens;
  const std::span<const TokenKind> kind = t.kinds();
  while (w.i < kind.size()) {
    const std::size_t stop = close_ended_for_scopes(w);
    // Most tokens (literals, operators, punctuation) need nothing: pass over them, but
    // not past where a brace-less `for` body ends.
    while (w.i < stop && !kHandled[std::size_t(kind[w.i])]) ++w.i;
    if (w.i == stop) continue;
    // Names are most of what is left.
    if (kind[w.i] == TokenKind::Ident || kind[w.i] == TokenKind::TypeKw) {
      handle_name(w);
      continue;
    }
    switch (kind[w.i]) {
      case TokenKind::Class:
      case TokenKind::Interface:
        class_header(w);
        break;
      case TokenKind::Keyword:
        if (w.pre.has(t.name_id(w.i), PreScan::kForWord) && t.is(w.i + 1, TokenKind::LParen)) {
          handle_for(w);
        } else {
          ++w.i;
        }
        break;
      case TokenKind::LBrace:
        open_block(w);
        break;
      case TokenKind::RBrace:
        close_block(w);
        break;
      case TokenKind::Dot:
        handle_dot(w);
        break;
      case TokenKind::Tilde:
        handle_tilde(w);
        break;
      default:
        break;
    }
  }
}

}  // namespace linter
