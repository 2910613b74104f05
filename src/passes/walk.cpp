#include "passes/walk.h"

#include <algorithm>
#include <array>

#include "output.h"
#include "passes/display.h"

namespace linter {

std::string WalkState::trace_head(std::uint64_t line) const {
  return "line " + pad4(line);
}

namespace {

void class_header(WalkState& w) {
  const TokenList& t = w.tokens;
  std::size_t i = w.i;
  if (!t.is(i + 1, TokenKind::Ident)) {
    w.i = i + 1;
    return;
  }
  const NameId id = t.name_id(i + 1);
  w.declare(t.kind(i) == TokenKind::Interface ? Effect::InterfaceHeader : Effect::ClassHeader,
            i + 1);
  w.current_class = w.classes_seen++;
  w.current_class_id = id;
  w.i = t.is(i + 2, TokenKind::Colon) ? i + 4 : i + 2;
  w.class_depth = w.brace_depth + 1;
  w.ctx_id = w.contexts.add(id, "", kNoName);
  w.class_ctx_id = w.ctx_id;
  w.in_class = true;
}

void open_block(WalkState& w) {
  ++w.brace_depth;
  if (w.debug) {
    std::string line = w.trace_head(w.tokens.line(w.i));
    line += "  PUSH Block  depth=" + std::to_string(w.brace_depth) + "  ctx=";
    append_display(line, w.ctx(), true);
    line += "  sync=" + std::to_string(w.tables.table.scope_count()) + "/" +
            std::to_string(w.scope_stack.size());
    w.trace.push_back(std::move(line));
  }
  w.push_scope(std::nullopt, w.brace_depth, ScopeKind::Block, w.ctx_id);
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
    w.ctx_id = w.in_class ? w.class_ctx_id : 0;
    w.current_function.reset();
  }
  if (w.in_class && w.class_depth == w.brace_depth) {
    w.ctx_id = 0;
    w.in_class = false;
    w.new_read_epoch();  // reads now fall back to no class
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
        // A read, or a write when a plain `=` follows. A declared function name is
        // resolved as a call before either (which a read then repeats).
        const TokenKind next = i + 1 < n ? t.kind(i + 1) : TokenKind::Semicolon;
        if (next == TokenKind::Equals) {
          const bool call = flags & PreScan::kFunctionName;
          w.on_name(call ? Effect::CallThenWrite : Effect::Write, id);
        } else {
          w.read_once(id);
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
  // The scopes still open are reported from the frames, one for one.
  w.open_pending_scopes();
}

}  // namespace linter
