// Scopes that do not start at a brace: function parameter lists and `for` headers.
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

void push_params_trace(WalkState& w, std::uint64_t line, const ContextName& ctx) {
  if (!w.debug) return;
  std::string t = w.trace_head(line) +
                  "  PUSH Params  body_brace_depth=" + std::to_string(w.brace_depth + 1) + "  ctx=";
  append_display(t, ctx, true);
  w.trace.push_back(std::move(t));
}

bool is_modifier(const WalkState& w, std::size_t i) {
  return w.tokens.is(i, TokenKind::Ident) && w.pre.has(w.tokens.name_id(i), PreScan::kModifier);
}

// Declares the parameters of a list whose `(` is just before w.i and leaves w.i after
// its `)`. Parentheses inside default values are counted; elsewhere the first `)` ends
// the list.
void parse_parameters(WalkState& w, std::uint32_t ctx_id, std::uint32_t class_ref) {
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
    w.emit(w.declaration({Effect::Parameter, 0, t.name_id(p), ctx_id, class_ref, p}));
    if (!t.is(p + 1, TokenKind::Equals)) {
      w.i = p + 1;
      continue;
    }
    // Skip the default value: it neither uses nor declares anything.
    std::size_t q = p + 2;
    std::uint64_t parens = 0;
    for (; q < n; ++q) {
      TokenKind k = t.kind(q);
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

void function_header(WalkState& w, std::size_t name_index) {
  const TokenList& t = w.tokens;
  std::string_view name = t.name(t.name_id(name_index));
  // Class::name in a class body, else name alone.
  const std::uint32_t ctx_id =
      w.contexts.add(w.in_class ? w.current_class_id : t.name_id(name_index),
                     w.in_class ? "::" : "", w.in_class ? t.name_id(name_index) : kNoName);
  if (w.debug) push_params_trace(w, t.line(name_index), w.context(ctx_id));
  w.push_scope(std::nullopt, w.brace_depth + 1, ScopeKind::Params, ctx_id);
  w.i = name_index + 2;
  parse_parameters(w, ctx_id, w.class_ref());
  while (is_modifier(w, w.i)) ++w.i;
  if (t.is(w.i, TokenKind::LBrace)) {
    w.ctx_id = ctx_id;
    w.current_function = name;
    w.function_depth = w.brace_depth + 1;
  } else {
    // A prototype: the parameter scope ends with the header.
    w.close_top_scope();
  }
}

void destructor_header(WalkState& w, std::size_t tilde_index, std::string_view name) {
  const TokenList& t = w.tokens;
  const std::size_t n = t.size();
  std::size_t i = tilde_index + 2;
  if (t.is(i, TokenKind::LParen)) {
    std::size_t q = i + 1;
    while (q < n && t.kind(q) != TokenKind::RParen) ++q;
    i = q + 1;
  }
  if (t.is(i, TokenKind::LBrace)) {
    // Class::~Name, or ::~Name outside a class body.
    const NameId head = w.in_class ? w.current_class_id : kNoName;
    const std::uint32_t ctx_id = w.contexts.add(head, "::~", t.name_id(tilde_index + 1));
    if (w.debug) push_params_trace(w, t.line(tilde_index + 1), w.context(ctx_id));
    w.push_scope(std::nullopt, w.brace_depth + 1, ScopeKind::Params, ctx_id);
    w.ctx_id = ctx_id;
    w.current_function = name;
    w.function_depth = w.brace_depth + 1;
  }
  w.i = i;
}

void handle_for(WalkState& w) {
  const std::size_t f = w.i;
  const PageVector<ForHeader>& headers = w.pre.for_headers;
  while (w.next_for_header < headers.size() && headers[w.next_for_header].keyword < f)
    ++w.next_for_header;
  // Every `for (` has a header entry and the walk meets them in order; should one be
  // missing, the keyword is simply stepped over.
  if (w.next_for_header == headers.size() || headers[w.next_for_header].keyword != f) {
    w.i = f + 1;
    return;
  }
  const ForHeader& h = headers[w.next_for_header];
  std::uint64_t depth = h.block ? w.brace_depth + 1 : 0;
  std::optional<std::uint64_t> inline_end;
  if (!h.block) inline_end = h.inline_end;
  if (w.debug) {
    std::string line = w.trace_head(w.tokens.line(f)) +
                       "  PUSH ForInit  body_brace_depth=" + std::to_string(depth) +
                       "  inline_end=" +
                       (inline_end ? "Some(" + std::to_string(*inline_end) + ")" : "None") +
                       "  block=" + (h.block ? "true" : "false");
    w.trace.push_back(std::move(line));
  }
  w.push_scope(inline_end, depth, ScopeKind::ForInit, w.ctx_id);
  w.i = f + 1;
}

}  // namespace linter
