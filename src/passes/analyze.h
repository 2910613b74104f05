#pragma once

#include <string>
#include <vector>

#include "lexer/token.h"
#include "passes/warning.h"

namespace linter {

struct AnalysisResult {
  WarningList warnings;         // in the order they are to be printed
  std::vector<std::string> scope_trace;  // debug only
  std::string class_dump;                // debug only: implementations and interfaces
};

// The whole scope analysis of one script's tokens.
AnalysisResult analyze(const TokenList& tokens, bool debug);

// The same, with the walk and the tables it fills on two threads, and the walk's
// warnings ranked on one while the last reports are made on the other, for scripts of
// at least `two_threads_from` tokens (analyze uses kTwoThreadWalkFrom).
inline constexpr std::size_t kTwoThreadWalkFrom = std::size_t{1} << 18;
AnalysisResult analyze(const TokenList& tokens, bool debug, std::size_t two_threads_from);

}  // namespace linter
