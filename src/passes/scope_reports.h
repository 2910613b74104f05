#pragma once

#include <span>
#include <vector>

#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/scope_stack.h"
#include "symbols/symbol_table.h"

namespace linter {

// Appends the warnings for the symbols of one closed scope.
void report_scope(std::span<const Symbol> scope, const ContextName& ctx, bool debug,
                  WarningList& warnings);

// Closes every frame still open at the end of the walk, innermost first.
void close_remaining_scopes(ScopeStack& scope_stack, SymbolTable& table,
                            bool debug, WarningList& warnings);

}  // namespace linter
