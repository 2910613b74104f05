#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lexer/token.h"
#include "passes/classes.h"
#include "passes/prescan.h"
#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/scope_stack.h"
#include "symbols/symbol_table.h"

namespace linter {

// Everything the single walk over the tokens reads and changes.
struct WalkState {
  WalkState(const TokenList& t, bool d, const PreScan& p, WarningList& w,
            std::vector<std::string>& tr)
      : tokens(t), debug(d), pre(p), warnings(w), trace(tr) {
    table.reserve_names(t.name_count());
    scope_stack.push_back({std::nullopt, kGlobalContext, 0, ScopeKind::Block});
  }

  const TokenList& tokens;
  const bool debug;
  const PreScan& pre;
  WarningList& warnings;
  std::vector<std::string>& trace;

  std::size_t i = 0;
  std::uint64_t brace_depth = 0;
  ContextName ctx = kGlobalContext;
  bool in_class = false;
  std::size_t current_class = 0;
  std::uint64_t class_depth = 0;
  std::optional<std::string_view> current_function;
  std::uint64_t function_depth = 0;
  SymbolTable table;
  ScopeStack scope_stack;
  ClassRegistry classes;
  std::deque<std::string> built_names;  // names the script spells in pieces (destructors)
  std::size_t next_for_header = 0;      // cursor into pre.for_headers
  // Where a read that fell through to the base types ended, by name id: valid when
  // `current_class` plus one is its stamp; then the record marked plus one, or 0 for
  // none. Within one class body no record on the base chain can gain members, so the
  // answer holds until the next class header. Record numbers fit in 32 bits: a record
  // takes tens of bytes, so 2^32 of them would not fit in memory.
  struct InheritedRead {
    std::uint32_t class_stamp = 0;
    std::uint32_t record = 0;
  };
  PageVector<InheritedRead> inherited_reads;  // sized on first use
  // The names a walk up the base chain has passed: by name id, the number of the last
  // walk that passed it.
  PageVector<std::size_t> chain_seen;
  std::size_t chain_walks = 0;
  // Where a walk up the base chain ends for a member name, once it has reached a base
  // name: key base << 32 | name, value the record marked plus one, or 0 for none. Only
  // walks that end at a member or at the top of the chain are kept: the records they
  // pass are older than the class being walked, so they gain no members, and each
  // name has one base, so any later walk that reaches that base goes the same way.
  // Without it a deep hierarchy costs its depth for every class body in it.
  std::unordered_map<std::uint64_t, std::uint32_t> chain_ends;
  std::vector<NameId> chain_path;  // the base names of the walk under way
  // Lines that shadowing messages name, cached by declaration token modulo the cache's
  // size: a shadowed declaration (a global, a common name) tends to be named again and
  // again, and each look-up in the token list's line table costs several cache misses
  // on a large script. An entry's where is 0 while empty (a token's has kAtToken set).
  struct KnownLine {
    std::uint64_t where = 0;
    std::uint64_t line = 0;
  };
  std::vector<KnownLine> known_lines;  // sized on first use
  // The line of a symbol's where (see kAtToken).
  std::uint64_t line_of_declaration(std::uint64_t where);

  std::string_view class_name() const { return classes.record(current_class).name; }
  void close_top_scope() { close_scope(debug, table, scope_stack, warnings); }
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

// Member bookkeeping; the name token is at index name_index.
void record_member_variable(WalkState& w, std::size_t name_index);
void record_member_function(WalkState& w, std::size_t name_index);
void read_member_fallback(WalkState& w, NameId name);

// Reads and writes of a bare name, with the member fallbacks inside a class body.
inline void read_name(WalkState& w, NameId name) {
  if (!w.table.resolve(name) && w.in_class) read_member_fallback(w, name);
}
inline void write_name(WalkState& w, NameId name) {
  if (!w.table.mark_written(name) && w.in_class) w.classes.mark_used(w.current_class, name);
}

// Shadowing of the name at name_index: for a declaration, and for a parameter (whose
// Params scope is innermost).
void check_shadowing(WalkState& w, std::size_t name_index);
void check_parameter_shadowing(WalkState& w, std::size_t name_index, const ContextName& ctx,
                               bool with_class);

}  // namespace linter
