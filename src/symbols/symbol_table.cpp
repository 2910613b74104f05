#include "symbols/symbol_table.h"

namespace linter {

void SymbolTable::note_unresolved(NameId name) {
  if (name == kNoName) return;
  if (name >= unresolved_.size()) unresolved_.resize(std::size_t(name) + 1, 0);
  unresolved_[name] = true;
}

void SymbolTable::drop_innermost() {
  std::size_t begin = starts_.back();
  starts_.pop_back();
  for (std::size_t k = symbols_.size(); k-- > begin;) {
    NameId id = symbols_[k].id;
    if (id != kNoName && top_[id] == k + 1) top_[id] = outer_[k];
  }
  symbols_.set_size(begin);
  outer_.set_size(begin);
}

bool SymbolTable::pop_scope(Scope& out) {
  out.clear();
  return close_innermost(
      [&](std::span<const Symbol> symbols) { out.assign(symbols.begin(), symbols.end()); });
}

}  // namespace linter
