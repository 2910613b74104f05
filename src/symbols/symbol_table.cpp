#include "symbols/symbol_table.h"

namespace linter {

void SymbolTable::declare(const Symbol& symbol) {
  std::size_t level = scopes_.size() - 1;
  Scope& scope = scopes_.back();
  std::vector<Entry>& entries = index_[symbol.name];
  if (entries.empty() || entries.back().level != level) entries.push_back({level, scope.size()});
  scope.push_back(symbol);
}

Symbol* SymbolTable::innermost(std::string_view name) {
  auto it = index_.find(name);
  if (it == index_.end() || it->second.empty()) return nullptr;
  const Entry& e = it->second.back();
  return &scopes_[e.level][e.index];
}

bool SymbolTable::resolve(std::string_view name) {
  if (Symbol* s = innermost(name)) {
    s->used = true;
    s->read = true;
    return true;
  }
  unresolved_.insert(name);
  return false;
}

bool SymbolTable::mark_written(std::string_view name) {
  if (Symbol* s = innermost(name)) {
    s->used = true;
    return true;
  }
  return false;
}

const Symbol* SymbolTable::find_outer(std::string_view name) const {
  if (scopes_.size() < 2) return nullptr;
  auto it = index_.find(name);
  if (it == index_.end() || it->second.empty()) return nullptr;
  const std::vector<Entry>& entries = it->second;
  std::size_t innermost_level = scopes_.size() - 1;
  const Entry* e = &entries.back();
  if (e->level == innermost_level) {
    if (entries.size() < 2) return nullptr;
    e = &entries[entries.size() - 2];
  }
  return &scopes_[e->level][e->index];
}

bool SymbolTable::pop_scope(Scope& out) {
  if (scopes_.empty()) return false;
  std::size_t level = scopes_.size() - 1;
  out = std::move(scopes_.back());
  scopes_.pop_back();
  for (const Symbol& s : out) {
    auto it = index_.find(s.name);
    if (it != index_.end() && !it->second.empty() && it->second.back().level == level)
      it->second.pop_back();
  }
  return true;
}

}  // namespace linter
