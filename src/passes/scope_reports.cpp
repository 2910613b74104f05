#include "passes/scope_reports.h"

#include "passes/display.h"
#include "symbols/scope_stack.h"

namespace linter {

void report_scope(std::span<const Symbol> scope, const ContextName& ctx, bool debug,
                  WarningList& warnings) {
  for (const Symbol& s : scope) {
    std::string_view before;  // text between the context and the name; none, no warning
    std::string_view after = "'";
    switch (s.kind) {
      case SymbolKind::Variable:
        if (!s.used) {
          before = "Unused variable '";
        } else if (!s.read) {
          before = "Variable '";
          after = "' is written but never read";
        }
        break;
      case SymbolKind::Function:
        if (!s.used && s.name != "main") before = "Unused function '";
        break;
      case SymbolKind::Parameter:
        if (!s.read) {
          before = "Parameter '";
          after = "' is never read";
        }
        break;
      default:
        break;
    }
    if (before.empty()) continue;
    add_warning(warnings, s.line, ShownContext{ctx, debug}, before, Shown{s.name, debug}, after);
  }
}

void close_remaining_scopes(ScopeStack& scope_stack, SymbolTable& table,
                            bool debug, WarningList& warnings) {
  while (!scope_stack.empty()) {
    const ContextName ctx = scope_stack.context(scope_stack.back());
    scope_stack.pop_back();
    table.close_innermost(
        [&](std::span<const Symbol> scope) { report_scope(scope, ctx, debug, warnings); });
  }
}

}  // namespace linter
