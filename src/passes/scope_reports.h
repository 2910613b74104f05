#pragma once

#include <span>
#include <vector>

#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/symbol_table.h"

namespace linter {

struct ScopeFrame;

// Appends the warnings for the symbols of one closed scope.
void report_scope(std::span<const Symbol> scope, const ContextName& ctx, bool debug,
                  std::vector<Warning>& warnings);

// Closes every frame still open at the end of the walk, innermost first.
void close_remaining_scopes(std::vector<ScopeFrame>& scope_stack, SymbolTable& table,
                            bool debug, std::vector<Warning>& warnings);

}  // namespace linter
