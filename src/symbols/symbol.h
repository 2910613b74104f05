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

// Where a symbol was declared: its line, or the index of the token naming it marked
// with kAtToken. A token's line takes a search of the token list's line table and most
// declarations are never reported, so the walk records tokens and the analysis finds
// lines only for what it reports.
inline constexpr std::uint64_t kAtToken = std::uint64_t{1} << 63;
inline std::uint64_t at_token(std::size_t i) { return kAtToken | i; }
inline std::uint64_t line_of(const TokenList& tokens, std::uint64_t where) {
  return (where & kAtToken) ? tokens.line(std::size_t(where & ~kAtToken)) : where;
}

// A declared name. The text it views lives as long as the analysis: in the script's
// source, or in the analysis' own storage for names it builds (destructors).
// Its id is the word's NameId (kNoName for a name no token spells, such as "~Name").
struct Symbol {
  std::string_view name;
  std::uint64_t line = 0;  // or a token, see kAtToken
  bool used = false;
  bool read = false;
  SymbolKind kind = SymbolKind::Variable;
  NameId id = kNoName;
};

}  // namespace linter
