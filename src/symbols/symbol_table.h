#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "symbols/symbol.h"

namespace linter {

using Scope = std::vector<Symbol>;

// The open lexical scopes, outermost first. Every lookup gives the result of a scan
// from the innermost scope outwards (earliest declaration first within a scope), but
// through a per-name index, so it costs O(1) whatever the nesting or the symbol count:
// for each name, the innermost scope declaring it, whose first such symbol links to
// the next scope out that declares it.
class SymbolTable {
 public:
  SymbolTable() { scopes_.emplace_back(); }

  void open_scope() { scopes_.emplace_back(); }
  // Appends to the innermost scope.
  void declare(const Symbol& symbol);
  // A read: marks the innermost declaration used and read; records a miss in unresolved.
  bool resolve(NameId name);
  // A plain assignment: marks the innermost declaration used.
  bool mark_written(NameId name);
  bool was_unresolved(NameId name) const { return name < unresolved_.size() && unresolved_[name]; }
  // The declaration a scan from the second-innermost scope outwards finds first.
  const Symbol* find_outer(NameId name) const;
  // Removes the innermost scope and moves its symbols into out; false when none is open.
  bool pop_scope(Scope& out);

  std::size_t scope_count() const { return scopes_.size(); }

 private:
  struct Entry {
    std::uint32_t level = kNone;
    std::uint32_t index = 0;
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    bool none() const { return level == kNone; }
  };
  // Per symbol that is the first of its name in its scope: the entry it covers.
  struct Link {
    Entry outer;
    bool head = false;
  };

  Entry top(NameId name) const { return name < top_.size() ? top_[name] : Entry{}; }
  Symbol* at(Entry e) { return &scopes_[e.level][e.index]; }

  std::vector<Scope> scopes_;
  std::vector<std::vector<Link>> links_;  // parallel to scopes_
  std::vector<Entry> top_;                // by name id
  std::vector<bool> unresolved_;          // by name id
};

}  // namespace linter
