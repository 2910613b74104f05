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
                 WarningList& warnings) {
  if (scope_stack.empty()) return;
  const ContextName ctx = scope_stack.context(scope_stack.back());
  scope_stack.pop_back();
  bool closed = table.close_innermost(
      [&](std::span<const Symbol> scope) { report_scope(scope, ctx, debug, warnings); });
  // Frames and scopes are pushed and popped together: this cannot happen.
  if (!closed)
    throw std::logic_error(
        "scope_stack and scopes.scopes desynced: stack had entry but scopes was empty");
}

}  // namespace linter
