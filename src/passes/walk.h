#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lexer/token.h"
#include "passes/effects.h"
#include "passes/prescan.h"
#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/scope_stack.h"

namespace linter {

// The walk's own state: where it is in the tokens and what it is inside of. What it
// finds goes to the tables as effects (see passes/effects.h).
struct alignas(64) WalkState {
  // queue: where effects go; none to apply each one at once.
  WalkState(const TokenList& t, bool d, const PreScan& p, Tables& tb, ContextLog& c,
            std::vector<std::string>& tr, EffectQueue* q)
      : tokens(t), debug(d), pre(p), tables(tb), contexts(c), trace(tr), queue(q), context(c),
        last_read(t.name_count(), 0) {
    ctx_id = contexts.add(kNoName, "", kNoName);
    scope_stack.push_back({std::nullopt, kGlobalContext, 0, ScopeKind::Block});
    frame_contexts.push_back(ctx_id);
  }

  const TokenList& tokens;
  const bool debug;
  const PreScan& pre;
  // Read by the walk only for the debug trace, which never runs with a queue: the
  // tables are then up to date with every effect.
  Tables& tables;
  ContextLog& contexts;
  std::vector<std::string>& trace;
  EffectQueue* queue;
  ContextCache context;

  std::size_t i = 0;
  std::uint64_t brace_depth = 0;
  std::uint32_t ctx_id = 0;  // the current context, in contexts
  bool in_class = false;
  std::size_t current_class = 0;  // the class record, numbered as the tables number them
  std::size_t classes_seen = 0;
  NameId current_class_id = kNoName;
  std::uint32_t class_ctx_id = 0;
  std::uint64_t class_depth = 0;
  std::optional<std::string_view> current_function;
  std::uint64_t function_depth = 0;
  ScopeStack scope_stack;
  PageArray<std::uint32_t> frame_contexts;  // parallel to scope_stack: the frame's context id
  std::deque<std::string> built_names;  // names the script spells in pieces (destructors)
  std::size_t next_for_header = 0;      // cursor into pre.for_headers
  // The frames at the top of scope_stack whose scopes the tables have not opened yet.
  std::size_t unopened = 0;
  // A read that repeats one with nothing in between that could change what it finds
  // (a declaration, a scope closing in the tables, a class body ending) would only
  // mark the same entries again, so it is not sent: that spares the tables' thread,
  // the slower of the two. By name id, the read_epoch of the name's last read sent.
  PageVector<std::uint32_t> last_read;
  std::uint32_t read_epoch = 1;

  void emit(const Effect& e) {
    if (queue) {
      queue->push(e);
    } else {
      tables.apply(e);
    }
  }
  // The class reference effects carry: the record plus one inside a class body, else 0.
  std::uint32_t class_ref() const { return in_class ? std::uint32_t(current_class + 1) : 0; }
  std::string_view class_name() const { return tokens.name(current_class_id); }
  const ContextName& ctx() { return context(ctx_id); }
  // A name read, written, called or after `.`.
  void on_name(Effect::Kind kind, NameId id) { emit({kind, 0, id, 0, class_ref(), 0}); }
  void read_once(NameId id) {
    std::uint32_t& last = last_read[id];
    if (last == read_epoch) return;
    last = read_epoch;
    on_name(Effect::Read, id);
  }
  // After anything that can change what a read finds.
  void new_read_epoch() {
    if (++read_epoch == 0) {
      std::fill(last_read.begin(), last_read.end(), 0);
      read_epoch = 1;
    }
  }
  // A declaration (or a type) at a token, in the current context and class.
  void declare(Effect::Kind kind, std::size_t token) {
    emit(declaration({kind, 0, tokens.name_id(token), ctx_id, class_ref(), token}));
  }
  // A declaration needs the scopes it goes into open in the tables: it opens up to
  // 255 of them itself, any more go first as effects of their own.
  Effect declaration(Effect e) {
    new_read_epoch();
    for (; unopened > 255; --unopened) emit({Effect::OpenScope});
    e.opens = std::uint8_t(unopened);
    unopened = 0;
    return e;
  }
  void open_pending_scopes() {
    for (; unopened > 0; --unopened) emit({Effect::OpenScope});
  }
  // Opens a symbol table scope and its frame, under context frame_ctx. Most scopes
  // never receive a declaration, so outside debug mode (whose trace counts the
  // tables' scopes) the tables open one only when a declaration arrives; until then
  // opening and closing it would change nothing there.
  void push_scope(std::optional<std::uint64_t> inline_end, std::uint64_t depth, ScopeKind kind,
                  std::uint32_t frame_ctx) {
    if (debug) {
      emit({Effect::OpenScope});
    } else {
      ++unopened;
    }
    scope_stack.push_back({inline_end, context(frame_ctx), depth, kind});
    frame_contexts.push_back(frame_ctx);
  }
  // Pops the top frame and closes its scope, which reports it.
  void close_top_scope() {
    if (scope_stack.empty()) return;
    const std::uint32_t frame_ctx = frame_contexts.back();
    frame_contexts.pop_back();
    scope_stack.pop_back();
    if (unopened > 0) {
      --unopened;
    } else {
      new_read_epoch();
      emit({Effect::CloseScope, 0, kNoName, frame_ctx});
    }
  }
  // "line " and the line right-aligned in four columns: the start of every trace line.
  std::string trace_head(std::uint64_t line) const;
};

// Walks the tokens once; leaves the scopes still open for close_remaining_scopes.
void walk(WalkState& w);

// Token handlers, each leaving w.i at the next token to handle.
void handle_type_name(WalkState& w);   // TypeKw, or an Ident naming a class or interface
void handle_dot(WalkState& w);         // `.`
void handle_tilde(WalkState& w);       // `~`
void handle_for(WalkState& w);         // `for` followed by `(`
// name_index is the function name's token.
void function_header(WalkState& w, std::size_t name_index);
// The header after `~Name` (at tilde_index); name is "~Name".
void destructor_header(WalkState& w, std::size_t tilde_index, std::string_view name);

// A read of a bare name.
inline void read_name(WalkState& w, NameId name) { w.on_name(Effect::Read, name); }

}  // namespace linter
