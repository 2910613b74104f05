#include "symbols/symbol_table.h"

namespace linter {

void SymbolTable::declare(const Symbol& symbol) {
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

void SymbolTable::note_unresolved(NameId name) {
  if (name == kNoName) return;
  if (name >= unresolved_.size()) unresolved_.resize(std::size_t(name) + 1, 0);
  unresolved_[name] = true;
}

const Symbol* SymbolTable::find_outer(NameId name) const {
  if (starts_.size() < 2) return nullptr;
  Ref e = top(name);
  if (e && e - 1 >= starts_.back()) e = outer_[e - 1];
  return e ? &symbols_[e - 1] : nullptr;
}

void SymbolTable::drop_innermost() {
  const std::size_t begin = starts_.back();
  starts_.pop_back();
  for (std::size_t k = symbols_.size(); k-- > begin;) {
    const NameId id = symbols_[k].id;
    if (id != kNoName && top_[id] == k + 1) top_[id] = outer_[k];
  }
  symbols_.resize(begin);
  outer_.resize(begin);
}

}  // namespace linter
