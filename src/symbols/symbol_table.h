#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "huge_pages.h"
#include "symbols/symbol.h"

namespace linter {

// The symbols of one scope, in declaration order.
using Scope = std::vector<Symbol>;

// The open lexical scopes, outermost first. Declarations only ever go into the
// innermost scope, so the symbols of all open scopes form one stack, and a scope is
// the stretch of it from where the scope opened.
//
// Every lookup gives the result of a scan from the innermost scope outwards (earliest
// declaration first within a scope), but through a per-name index, so it costs O(1)
// whatever the nesting or the symbol count: for each name, the first symbol of that
// name in the innermost scope declaring it, which links to the first symbol of that
// name in the next scope out that declares it.
class SymbolTable {
 public:
  // A table holding the file scope, with room for names with ids below name_count.
  explicit SymbolTable(std::size_t name_count = 0)
      : top_(name_count, 0), unresolved_(name_count, 0) {
    starts_.push_back(0);
  }

  void open_scope() { starts_.push_back(symbols_.size()); }
  // Appends to the innermost scope.
  void declare(const Symbol& symbol);
  // A read: marks the innermost declaration used and read; records a miss in unresolved.
  bool resolve(NameId name) {
    if (Ref e = top(name)) {
      symbols_[e - 1].used = true;
      symbols_[e - 1].read = true;
      return true;
    }
    if (name < unresolved_.size()) {
      unresolved_[name] = true;
    } else {
      note_unresolved(name);
    }
    return false;
  }
  // A plain assignment: marks the innermost declaration used.
  bool mark_written(NameId name) {
    Ref e = top(name);
    if (!e) return false;
    symbols_[e - 1].used = true;
    return true;
  }
  bool was_unresolved(NameId name) const { return name < unresolved_.size() && unresolved_[name]; }
  // The declaration a scan from the second-innermost scope outwards finds first.
  const Symbol* find_outer(NameId name) const;

  // Removes the innermost scope after handing its symbols, in declaration order, to
  // report; false when no scope is open.
  template <typename Report>
  bool close_innermost(Report&& report) {
    if (starts_.empty()) return false;
    const std::size_t begin = starts_.back();
    report(std::span<const Symbol>(symbols_).subspan(begin));
    drop_innermost();
    return true;
  }
  // The same, moving the symbols into out.
  bool pop_scope(Scope& out) {
    return close_innermost([&](std::span<const Symbol> s) { out.assign(s.begin(), s.end()); });
  }

  std::size_t scope_count() const { return starts_.size(); }

 private:
  // A position in symbols_ plus one; 0 for none.
  using Ref = std::uint32_t;

  Ref top(NameId name) const { return name < top_.size() ? top_[name] : 0; }
  void note_unresolved(NameId name);
  void drop_innermost();

  BigVector<Symbol> symbols_;
  BigVector<Ref> outer_;            // parallel to symbols_: the entry a first symbol covers
  BigVector<std::size_t> starts_;  // where each open scope begins in symbols_
  BigVector<Ref> top_;            // by name id
  BigVector<std::uint8_t> unresolved_;  // by name id: a read found nothing
};

}  // namespace linter
