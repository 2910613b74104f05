#include "symbols/scope_stack.h"

#include <stdexcept>

#include "passes/scope_reports.h"

namespace linter {

std::string_view scope_kind_name(ScopeKind kind) {
  switch (kind) {
    case ScopeKind::Block: return "Block";
    case ScopeKind::Params: return "Params";
    case ScopeKind::ForInit: return "ForInit";
  }
  return "";
}

void close_scope(bool debug, SymbolTable& table, ScopeStack& scope_stack,
                 std::vector<Warning>& warnings) {
  if (scope_stack.empty()) return;
  ScopeFrame frame = scope_stack.back();
  scope_stack.pop_back();
  Scope scope;
  if (!table.pop_scope(scope)) {
    // Frames and scopes are always pushed and popped together; this cannot happen.
    throw std::logic_error(
        "scope_stack and scopes.scopes desynced: stack had entry but scopes was empty");
  }
  report_scope(scope, frame.ctx, debug, warnings);
}

}  // namespace linter
