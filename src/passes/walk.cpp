#include "passes/walk.h"

#include <algorithm>
#include <array>

#include "output.h"
#include "passes/display.h"

namespace linter {

std::string WalkState::trace_head(std::uint64_t line) const {
  return "line " + pad4(line);
}

std::uint64_t WalkState::line_of_declaration(std::uint64_t where) {
  if (!(where & kAtToken)) return where;
  constexpr std::size_t kKnownLines = 4096;
  if (known_lines.empty()) known_lines.resize(kKnownLines);
  KnownLine& known = known_lines[(where & ~kAtToken) % kKnownLines];
  if (known.where != where) known = {where, tokens.line(std::size_t(where & ~kAtToken))};
  return known.line;
}

namespace {

void class_header(WalkState& w) {
  const TokenList& t = w.tokens;
  std::size_t i = w.i;
  if (!t.is(i + 1, TokenKind::Ident)) {
    w.i = i + 1;
    return;
  }
  NameId id = t.name_id(i + 1);
  std::string_view name = t.name(id);
  w.table.declare({name, at_token(i + 1), false, false, SymbolKind::Class, id});
  w.current_class =
      w.classes.add_record(name, id, at_token(i + 1), t.kind(i) == TokenKind::Interface);
  w.i = t.is(i + 2, TokenKind::Colon) ? i + 4 : i + 2;
  w.class_depth = w.brace_depth + 1;
  w.ctx = ContextName{name, "", ""};
  w.in_class = true;
}

void open_block(WalkState& w) {
  ++w.brace_depth;
  if (w.debug) {
    std::string line = w.trace_head(w.tokens.line(w.i));
    line += "  PUSH Block  depth=" + std::to_string(w.brace_depth) + "  ctx=";
    append_display(line, w.ctx, true);
    line += "  sync=" + std::to_string(w.table.scope_count()) + "/" +
            std::to_string(w.scope_stack.size());
    w.trace.push_back(std::move(line));
  }
  w.table.open_scope();
  w.scope_stack.push_back({std::nullopt, w.ctx, w.brace_depth, ScopeKind::Block});
  ++w.i;
}

void close_block(WalkState& w) {
  if (w.brace_depth == 0) {
    // A stray `}` with no brace open: nothing to close.
    ++w.i;
    return;
  }
  // Only the trace needs the line.
  const std::uint64_t line = w.debug ? w.tokens.line(w.i) : 0;
  if (w.debug) {
    w.trace.push_back(w.trace_head(line) + "  POP  Block  depth=" + std::to_string(w.brace_depth) +
                      "  stack_depth=" + std::to_string(w.scope_stack.size()));
  }
  // The file scope stays open until the end of the walk, whatever the braces say.
  if (w.scope_stack.size() > 1) w.close_top_scope();
  while (w.scope_stack.size() > 1) {
    const ScopeStack::Frame& top = w.scope_stack.back();
    if (top.kind == ScopeKind::Block || top.depth != w.brace_depth) break;
    if (w.debug) {
      w.trace.push_back(w.trace_head(line) + "  POP  " + std::string(scope_kind_name(top.kind)) +
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

// What the walk does at a token, by its kind.
enum class Step : std::uint8_t {
  Skip, Name, ClassHeader, Keyword, OpenBlock, CloseBlock, Dot, Tilde
};

constexpr std::array<Step, kTokenKindCount> steps() {
  std::array<Step, kTokenKindCount> s{};
  s[std::size_t(TokenKind::Ident)] = Step::Name;
  s[std::size_t(TokenKind::TypeKw)] = Step::Name;
  s[std::size_t(TokenKind::Class)] = Step::ClassHeader;
  s[std::size_t(TokenKind::Interface)] = Step::ClassHeader;
  s[std::size_t(TokenKind::Keyword)] = Step::Keyword;
  s[std::size_t(TokenKind::LBrace)] = Step::OpenBlock;
  s[std::size_t(TokenKind::RBrace)] = Step::CloseBlock;
  s[std::size_t(TokenKind::Dot)] = Step::Dot;
  s[std::size_t(TokenKind::Tilde)] = Step::Tilde;
  return s;
}

constexpr std::array<Step, kTokenKindCount> kSteps = steps();

// Closes the brace-less for scopes whose statement has ended by w.i; one that ended
// inside a nested header closes together with the inner one. Returns where the
// innermost one still open ends, or n.
std::size_t close_ended_for_scopes(WalkState& w, std::size_t n) {
  while (w.scope_stack.size() > 1) {
    const ScopeStack::Frame& top = w.scope_stack.back();
    if (!top.has_inline_end) break;
    if (top.inline_end > w.i) return std::size_t(std::min<std::uint64_t>(top.inline_end, n));
    w.close_top_scope();
  }
  return n;
}

}  // namespace

void walk(WalkState& w) {
  const TokenList& t = w.tokens;
  const std::size_t n = t.size();
  const std::uint8_t* name_flags = w.pre.name_flags.data();
  std::size_t limit = close_ended_for_scopes(w, n);
  std::size_t i = w.i;
  for (;;) {
    // Most tokens (operators, literals, punctuation) need nothing: pass over them up to
    // the next that does, or to where the innermost brace-less for scope ends.
    while (i < limit && kSteps[std::size_t(t.kind(i))] == Step::Skip) ++i;
    if (i >= limit) {
      if (i >= n) break;
      w.i = i;
      limit = close_ended_for_scopes(w, n);
      continue;
    }
    const Step step = kSteps[std::size_t(t.kind(i))];
    // Reads, writes and dots are most of what remains, and open or close no scope, so
    // the limit holds after them.
    if (step == Step::Name) {
      const NameId id = t.name_id(i);
      const std::uint8_t flags = name_flags[id];
      if (t.kind(i) != TokenKind::TypeKw && !(flags & PreScan::kTypeName)) {
        // A read, or a write when a plain `=` follows. A call of a declared function
        // name resolves it before the read does.
        const TokenKind next = i + 1 < n ? t.kind(i + 1) : TokenKind::Semicolon;
        if (next != TokenKind::Dot && (flags & PreScan::kFunctionName)) w.table.resolve(id);
        if (next == TokenKind::Equals) {
          write_name(w, id);
        } else {
          read_name(w, id);
        }
        ++i;
        continue;
      }
    } else if (step == Step::Dot) {
      w.i = i;
      handle_dot(w);
      i = w.i;
      continue;
    } else if (step == Step::Keyword) {
      // Only `for (` opens anything.
      if (!t.is(i + 1, TokenKind::LParen) || !(name_flags[t.name_id(i)] & PreScan::kForWord)) {
        ++i;
        continue;
      }
    }
    w.i = i;
    switch (step) {
      case Step::Name:
        handle_type_name(w);
        break;
      case Step::ClassHeader:
        class_header(w);
        break;
      case Step::Keyword:
        handle_for(w);
        break;
      case Step::OpenBlock:
        open_block(w);
        break;
      case Step::CloseBlock:
        close_block(w);
        break;
      case Step::Tilde:
        handle_tilde(w);
        break;
      case Step::Dot:
      case Step::Skip:
        break;
    }
    i = w.i;
    limit = close_ended_for_scopes(w, n);
  }
  w.i = i;
}

}  // namespace linter
