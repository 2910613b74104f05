#pragma once

#include <string>
#include <vector>

#include "lexer/token.h"
#include "passes/warning.h"

namespace linter {

struct AnalysisResult {
  WarningList warnings;                  // in the order they are to be printed
  std::vector<std::string> scope_trace;  // debug only
  std::string class_dump;                // debug only: implementations and interfaces
};

// The whole scope analysis of one script's tokens: the pre-scans, the walk, the reports
// of the scopes still open and of the class members, and the warnings put in order.
AnalysisResult analyze(const TokenList& tokens, bool debug);

}  // namespace linter
