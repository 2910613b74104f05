// Scopes that do not start at a brace: function parameter lists and `for` headers.
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

void push_params_trace(Walk& w, std::size_t name_token, const ContextName& ctx) {
  if (!w.debug) return;
  std::string line = w.trace_head(name_token) + "  PUSH Params  body_brace_depth=" +
                     std::to_string(w.brace_depth + 1) + "  ctx=";
  append_display(line, ctx, true);
  w.trace.push_back(std::move(line));
}

bool is_modifier(const Walk& w, std::size_t i) {
  return w.tokens.is(i, TokenKind::Ident) && w.pre.has(w.tokens.name_id(i), PreScan::kModifier);
}

// Declares the parameters of a list whose `(` is just before w.i and leaves w.i after
// its `)`. Parentheses inside default values are counted; elsewhere the first `)` ends
// the list.
void parse_parameters(Walk& w, const ContextName& ctx, std::optional<std::size_t> cls) {
  const TokenList& t = w.tokens;
  const std::size_t n = t.size();
  while (w.i < n) {
    const std::size_t type = w.i;
    if (t.kind(type) == TokenKind::RParen) {
      w.i = type + 1;
      return;
    }
    if (!w.pre.is_type_name(t, type)) {
      w.i = type + 1;
      continue;
    }
    std::size_t p = type + 1;
    if (t.is(p, TokenKind::At)) p = type + 2;
    while (t.is(p, TokenKind::LBracket) && t.is(p + 1, TokenKind::RBracket)) p += 2;
    if (!t.is(p, TokenKind::Ident)) {
      w.i = type + 1;
      continue;
    }
    const NameId id = t.name_id(p);
    const std::uint64_t line = w.line(p);
    check_parameter_shadowing(w, id, line, ctx, cls);
    w.table.declare({t.name(id), line, false, false, SymbolKind::Parameter, id});
    if (!t.is(p + 1, TokenKind::Equals)) {
      w.i = p + 1;
      continue;
    }
    // Skip the default value: it neither uses nor declares anything.
    std::size_t q = p + 2;
    std::uint64_t parens = 0;
    for (; q < n; ++q) {
      const TokenKind k = t.kind(q);
      if (k == TokenKind::LParen) {
        ++parens;
      } else if (k == TokenKind::RParen) {
        if (parens == 0) break;
        --parens;
      } else if (k == TokenKind::Comma && parens == 0) {
        break;
      }
    }
    w.i = q;
  }
}

}  // namespace

void function_header(Walk& w, std::size_t name_index) {
  const TokenList& t = w.tokens;
  const std::string_view name = t.name(t.name_id(name_index));
  // Class::name in a class body, else name alone.
  const ContextName ctx =
      w.in_class ? ContextName{w.class_name(), "::", name} : ContextName{name, "", ""};
  push_params_trace(w, name_index, ctx);
  w.push_scope(std::nullopt, w.brace_depth + 1, ScopeKind::Params, ctx);
  w.i = name_index + 2;
  parse_parameters(w, ctx, w.class_or_none());
  while (is_modifier(w, w.i)) ++w.i;
  if (t.is(w.i, TokenKind::LBrace)) {
    w.ctx = ctx;
    w.current_function = name;
    w.function_depth = w.brace_depth + 1;
  } else {
    // A prototype: the parameter scope ends with the header.
    w.close_top_scope();
  }
}

void destructor_header(Walk& w, std::size_t tilde_index, std::string_view name) {
  const TokenList& t = w.tokens;
  const std::size_t n = t.size();
  std::size_t i = tilde_index + 2;
  if (t.is(i, TokenKind::LParen)) {
    // Nested parentheses are not counted: the first `)` ends the list.
    std::size_t q = i + 1;
    while (q < n && t.kind(q) != TokenKind::RParen) ++q;
    i = q + 1;
  }
  if (t.is(i, TokenKind::LBrace)) {
    // Class::~Name, or ::~Name outside a class body.
    const ContextName ctx{w.in_class ? w.class_name() : std::string_view(), "::~",
                          t.name(t.name_id(tilde_index + 1))};
    push_params_trace(w, tilde_index + 1, ctx);
    w.push_scope(std::nullopt, w.brace_depth + 1, ScopeKind::Params, ctx);
    w.ctx = ctx;
    w.current_function = name;
    w.function_depth = w.brace_depth + 1;
  }
  w.i = i;
}

void handle_for(Walk& w) {
  const std::size_t f = w.i;
  const BigVector<ForHeader>& headers = w.pre.for_headers;
  while (w.next_for_header < headers.size() && headers[w.next_for_header].keyword < f)
    ++w.next_for_header;
  // Every `for (` has a header and the walk meets them in order; should one be
  // missing, the keyword is simply stepped over.
  if (w.next_for_header == headers.size() || headers[w.next_for_header].keyword != f) {
    w.i = f + 1;
    return;
  }
  const ForHeader& h = headers[w.next_for_header];
  const std::uint64_t depth = h.block ? w.brace_depth + 1 : 0;
  std::optional<std::uint64_t> inline_end;
  if (!h.block) inline_end = h.inline_end;
  if (w.debug) {
    w.trace.push_back(w.trace_head(f) + "  PUSH ForInit  body_brace_depth=" +
                      std::to_string(depth) + "  inline_end=" +
                      (inline_end ? "Some(" + std::to_string(*inline_end) + ")" : "None") +
                      "  block=" + (h.block ? "true" : "false"));
  }
  w.push_scope(inline_end, depth, ScopeKind::ForInit, w.ctx);
  // The header's tokens are walked as ordinary tokens: `int k = 0` inside it declares k
  // in the new scope.
  w.i = f + 1;
}

}  // namespace linter
