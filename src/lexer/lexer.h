#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "lexer/token.h"

namespace linter {

// Receives each lexical problem the moment the lexer finds it, in source order: the
// line and the problem's text, such as "unknown character '?'".
using ProblemSink = std::function<void(std::uint64_t line, std::string_view problem)>;

// Lexes a whole script, which must be valid UTF-8 and shorter than kMaxScriptSize.
TokenList tokenize(SourceText text, const ProblemSink& problems);
TokenList tokenize(std::string_view text, const ProblemSink& problems);

}  // namespace linter
