#pragma once

#include <string>

#include "lexer/token.h"
#include "output.h"

namespace linter {

// Lexes a whole script, which must be valid UTF-8. Lexical problems are written to
// diagnostics as "Warning [line N]: ..." lines the moment they are found.
TokenList tokenize(std::string text, Output& diagnostics);

}  // namespace linter
