#include "symbols/symbol.h"

namespace linter {

std::string_view kind_word(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::Variable: return "variable";
    case SymbolKind::Function: return "function";
    case SymbolKind::Parameter: return "parameter";
    case SymbolKind::Class: return "class";
    case SymbolKind::MemberVariable: return "member variable";
    case SymbolKind::MemberFunction: return "member function";
  }
  return "";
}

}  // namespace linter
