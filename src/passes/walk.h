#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "huge_pages.h"
#include "lexer/token.h"
#include "passes/classes.h"
#include "passes/pair_map.h"
#include "passes/prescan.h"
#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/scope_stack.h"
#include "symbols/symbol_table.h"

namespace linter {

// Where reads of a name that fell through to the base types ended, so that a deep
// hierarchy is not walked again for every read (see mark_inherited_member).
struct BaseChainMemo {
  // By name id: the answer for the class body being walked, valid when class_stamp is
  // its record plus one; record is the record marked plus one, or 0 for none. Within
  // one class body no record on the base chain can gain members.
  struct Answer {
    std::uint32_t class_stamp = 0;
    std::uint32_t record = 0;
  };
  BigVector<Answer> answers;  // sized on first use
  // By name id: the number of the last walk up a chain that passed that base name.
  BigVector<std::size_t> seen;
  std::size_t walks = 0;
  // Where a walk ends for a member name once it has reached a base name: key
  // base << 32 | name, value the record marked plus one, or 0 for none. Only walks that
  // end at a member or at the top of the chain are kept: each name has one base, so any
  // later walk that reaches that base goes the same way.
  PairMap<std::uint32_t> ends;
  std::vector<NameId> path;  // the base names of the walk under way
};

// The analysis while it walks the tokens: what it reads (the tokens, the pre-scan, the
// debug flag), the tables it fills (the scopes and their frames, the class records),
// what it produces (warnings and the scope trace), and where it stands.
struct Walk {
  Walk(const TokenList& t, const PreScan& p, bool d, WarningList& w, std::vector<std::string>& tr)
      : tokens(t), pre(p), debug(d), warnings(w), trace(tr), table(t.name_count()),
        classes(t.name_count()), line(t) {
    scope_stack.push_back({std::nullopt, kGlobalContext, 0, ScopeKind::Block});
  }

  const TokenList& tokens;
  const PreScan& pre;
  const bool debug;
  WarningList& warnings;
  std::vector<std::string>& trace;  // written only with debug

  SymbolTable table;
  ScopeStack scope_stack;
  ClassRegistry classes;
  BaseChainMemo base_chains;
  std::deque<std::string> built_names;  // names no word spells (destructors), kept for views

  std::size_t i = 0;  // the token being handled; each handler sets the next
  std::uint64_t brace_depth = 0;
  ContextName ctx = kGlobalContext;
  bool in_class = false;
  std::size_t current_class = 0;  // the record being filled, while in_class
  std::uint64_t class_depth = 0;
  std::optional<std::string_view> current_function;
  std::uint64_t function_depth = 0;
  std::size_t next_for_header = 0;  // cursor into pre.for_headers
  LineCursor line;                  // the line of a token, asked for as the walk goes

  std::optional<std::size_t> class_or_none() const {
    return in_class ? std::optional<std::size_t>(current_class) : std::nullopt;
  }
  std::string_view class_name() const { return classes.record(current_class).name; }
  // Opens a scope in the table together with its frame.
  void push_scope(std::optional<std::uint64_t> inline_end, std::uint64_t depth, ScopeKind kind,
                  const ContextName& frame_ctx) {
    table.open_scope();
    scope_stack.push_back({inline_end, frame_ctx, depth, kind});
  }
  // Pops the top frame and closes its scope, which reports it.
  void close_top_scope() { close_scope(debug, table, scope_stack, warnings); }
  // "line " and the token's line right-aligned in four columns: every trace line's start.
  std::string trace_head(std::size_t token);
};

// Walks the tokens once; leaves the scopes still open for close_remaining_scopes.
void walk(Walk& w);

// Token handlers, each leaving w.i at the next token to handle.
void handle_name(Walk& w);   // Ident or TypeKw: a declaration, a read or a write
void handle_dot(Walk& w);    // `.`
void handle_tilde(Walk& w);  // `~`
void handle_for(Walk& w);    // `for` followed by `(`

// The header of the function whose name is token name_index, followed by `(`.
void function_header(Walk& w, std::size_t name_index);
// The header after `~Name` (at tilde_index); name is "~Name".
void destructor_header(Walk& w, std::size_t tilde_index, std::string_view name);

// Member bookkeeping: recording members, and the fallbacks of reads and writes of a
// bare name that no open scope holds, inside a class body.
void record_member_variable(Walk& w, NameId id, std::uint64_t line);
void record_member_function(Walk& w, NameId id, std::uint64_t line);
void read_member_fallback(Walk& w, NameId id);
void write_member_fallback(Walk& w, NameId id);

// The shadowing checks, run before a declaration or parameter is recorded.
void check_shadowing(Walk& w, NameId id, std::uint64_t line);
void check_parameter_shadowing(Walk& w, NameId id, std::uint64_t line, const ContextName& ctx,
                               std::optional<std::size_t> cls);

}  // namespace linter
