#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/symbol_table.h"

namespace linter {

enum class ScopeKind : std::uint8_t { Block, Params, ForInit };

std::string_view scope_kind_name(ScopeKind kind);

// Why a scope of the symbol table was opened, where it ends, and under which context
// name its unused symbols are reported.
struct ScopeFrame {
  std::optional<std::uint64_t> inline_end;  // token index closing a brace-less for scope
  ContextName ctx;
  std::uint64_t depth = 0;
  ScopeKind kind = ScopeKind::Block;
};

using ScopeStack = PageVector<ScopeFrame>;

// Pops the top frame and the innermost scope together and reports the scope.
void close_scope(bool debug, SymbolTable& table, ScopeStack& scope_stack,
                 WarningList& warnings);

}  // namespace linter
