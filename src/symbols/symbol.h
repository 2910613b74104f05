#pragma once

#include <cstdint>
#include <string_view>

#include "lexer/token.h"

namespace linter {

enum class SymbolKind : std::uint8_t {
  Variable,
  Function,
  Parameter,
  Class,
  MemberVariable,
  MemberFunction,
};

// The word the reports print for a kind, such as "member variable".
std::string_view kind_word(SymbolKind kind);

// A declared name. Its text lives as long as the analysis: in the token list's words,
// or in the analysis' own storage for the names it builds (destructors). Its id is the
// word's NameId, kNoName for a name no token spells, such as "~Name".
struct Symbol {
  std::string_view name;
  std::uint64_t line = 0;
  bool used = false;
  bool read = false;
  SymbolKind kind = SymbolKind::Variable;
  NameId id = kNoName;
};

}  // namespace linter
