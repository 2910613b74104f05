#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "pages.h"
#include "symbols/symbol.h"

namespace linter {

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
  SymbolTable() { starts_.push_back(0); }

  void open_scope() { starts_.push_back(symbols_.size()); }
  // Appends to the innermost scope.
  void declare(const Symbol& symbol) {
    Ref outer = 0;
    const NameId id = symbol.id;
    if (id != kNoName) {
      if (id >= top_.size()) top_.resize(std::size_t(id) + 1, 0);
      Ref& t = top_[id];
      // Only the first symbol of a name within a scope enters the index.
      if (t == 0 || t - 1 < starts_.back()) {
        outer = t;
        t = Ref(symbols_.size() + 1);
      }
    }
    symbols_.push_back(symbol);
    outer_.push_back(outer);
  }
  // A read: marks the innermost declaration used and read; records a miss in unresolved.
  bool resolve(NameId name) {
    if (Ref e = top(name)) {
      Symbol& s = symbols_[e - 1];
      s.used = true;
      s.read = true;
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
  const Symbol* find_outer(NameId name) const {
    if (starts_.size() < 2) return nullptr;
    Ref e = top(name);
    if (e && e - 1 >= starts_.back()) e = outer_[e - 1];
    return e ? &symbols_[e - 1] : nullptr;
  }
  // Room for names with ids below count, so that lookups never grow the tables.
  void reserve_names(std::size_t count) {
    if (top_.size() < count) top_.resize(count, 0);
    if (unresolved_.size() < count) unresolved_.resize(count, 0);
  }

  // Removes the innermost scope after handing its symbols, in declaration order, to
  // report; false when no scope is open.
  template <typename Report>
  bool close_innermost(Report&& report) {
    if (starts_.empty()) return false;
    const std::size_t begin = starts_.back();
    if (begin == symbols_.size()) {
      // Most blocks declare nothing: nothing to report or to unlink.
      starts_.pop_back();
      return true;
    }
    report(std::span<const Symbol>(symbols_.data() + begin, symbols_.size() - begin));
    drop_innermost();
    return true;
  }
  // The same, moving the symbols into out.
  bool pop_scope(Scope& out);

  std::size_t scope_count() const { return starts_.size(); }

 private:
  // A position in symbols_ plus one; 0 for none.
  using Ref = std::uint32_t;

  Ref top(NameId name) const { return name < top_.size() ? top_[name] : 0; }
  void note_unresolved(NameId name);
  void drop_innermost();

  // Grown in place, keeping their pages (see PageArray).
  PageArray<Symbol> symbols_;
  PageArray<Ref> outer_;           // parallel to symbols_: the entry a first symbol covers
  PageArray<std::size_t> starts_;  // where each open scope begins in symbols_
  PageVector<Ref> top_;             // by name id
  PageVector<std::uint8_t> unresolved_;  // by name id: a read found nothing
};

}  // namespace linter
