#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "symbols/symbol.h"

namespace linter {

using Scope = std::vector<Symbol>;

// The open lexical scopes, outermost first. Every lookup gives the result of a scan
// from the innermost scope outwards (earliest declaration first within a scope), but
// through a per-name index, so it costs O(1) whatever the nesting or the symbol count.
class SymbolTable {
 public:
  SymbolTable() { scopes_.emplace_back(); }

  void open_scope() { scopes_.emplace_back(); }
  // Appends to the innermost scope.
  void declare(const Symbol& symbol);
  // A read: marks the innermost declaration used and read; records a miss in unresolved.
  bool resolve(std::string_view name);
  // A plain assignment: marks the innermost declaration used.
  bool mark_written(std::string_view name);
  bool was_unresolved(std::string_view name) const { return unresolved_.count(name) != 0; }
  // The declaration a scan from the second-innermost scope outwards finds first.
  const Symbol* find_outer(std::string_view name) const;
  // Removes the innermost scope and moves its symbols into out; false when none is open.
  bool pop_scope(Scope& out);

  std::size_t scope_count() const { return scopes_.size(); }

 private:
  // The first symbol of a name within one scope.
  struct Entry {
    std::size_t level;
    std::size_t index;
  };

  Symbol* innermost(std::string_view name);

  std::vector<Scope> scopes_;
  // Per name, the scopes that declare it, innermost last.
  std::unordered_map<std::string_view, std::vector<Entry>> index_;
  std::unordered_set<std::string_view> unresolved_;
};

}  // namespace linter
