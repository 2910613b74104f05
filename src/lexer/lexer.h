#pragma once

#include <cstddef>
#include <string_view>

#include "lexer/token.h"
#include "output.h"

namespace linter {

// Lexes a whole script, which must be valid UTF-8. Lexical problems are written to
// diagnostics as "Warning [line N]: ..." lines the moment they are found.
TokenList tokenize(SourceText text, Output& diagnostics);
TokenList tokenize(std::string_view text, Output& diagnostics);

// The same result, with the part from `split` on (a line start) lexed on a second thread
// while the first part is lexed here; 0 lexes it all here. Large scripts are split in
// the middle.
TokenList tokenize_split(SourceText text, Output& diagnostics, std::size_t split);

}  // namespace linter
