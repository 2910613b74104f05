// Lexing for the unit tests: the lexical problems, when asked for, as the driver prints
// them.
#pragma once

#include <string>
#include <string_view>

#include "lexer/lexer.h"

namespace linter {

inline TokenList lex_text(std::string_view text, std::string* problems = nullptr) {
  return tokenize(text, [problems](std::uint64_t line, std::string_view problem) {
    if (problems)
      *problems += "Warning [line " + std::to_string(line) + "]: " + std::string(problem) + "\n";
  });
}

}  // namespace linter
