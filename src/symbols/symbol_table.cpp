#include "symbols/symbol_table.h"

namespace linter {

void SymbolTable::declare(const Symbol& symbol) {
  if (links_.size() < scopes_.size()) links_.resize(scopes_.size());
  std::uint32_t level = std::uint32_t(scopes_.size() - 1);
  Scope& scope = scopes_.back();
  std::vector<Link>& links = links_[level];
  Link link;
  NameId id = symbol.id;
  if (id != kNoName) {
    if (id >= top_.size()) top_.resize(std::size_t(id) + 1);
    Entry& t = top_[id];
    if (t.level != level) {
      link.outer = t;
      link.head = true;
      t = Entry{level, std::uint32_t(scope.size())};
    }
  }
  links.push_back(link);
  scope.push_back(symbol);
}

bool SymbolTable::resolve(NameId name) {
  Entry e = top(name);
  if (!e.none()) {
    Symbol* s = at(e);
    s->used = true;
    s->read = true;
    return true;
  }
  if (name != kNoName) {
    if (name >= unresolved_.size()) unresolved_.resize(std::size_t(name) + 1);
    unresolved_[name] = true;
  }
  return false;
}

bool SymbolTable::mark_written(NameId name) {
  Entry e = top(name);
  if (e.none()) return false;
  at(e)->used = true;
  return true;
}

const Symbol* SymbolTable::find_outer(NameId name) const {
  if (scopes_.size() < 2) return nullptr;
  Entry e = top(name);
  if (e.none()) return nullptr;
  if (e.level == scopes_.size() - 1) e = links_[e.level][e.index].outer;
  if (e.none()) return nullptr;
  return &scopes_[e.level][e.index];
}

bool SymbolTable::pop_scope(Scope& out) {
  if (scopes_.empty()) return false;
  std::size_t level = scopes_.size() - 1;
  out = std::move(scopes_.back());
  scopes_.pop_back();
  if (level < links_.size()) {
    std::vector<Link>& links = links_[level];
    for (std::size_t k = 0; k < links.size(); ++k) {
      if (links[k].head) top_[out[k].id] = links[k].outer;
    }
    links.clear();
  }
  return true;
}

}  // namespace linter
