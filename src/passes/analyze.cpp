#include "passes/analyze.h"

#include <algorithm>

#include "passes/class_reports.h"
#include "passes/prescan.h"
#include "passes/scope_reports.h"
#include "passes/walk.h"

namespace linter {

AnalysisResult analyze(const TokenList& tokens, bool debug) {
  AnalysisResult result;
  PreScan pre = prescan(tokens);
  WalkState w(tokens, debug, pre, result.warnings, result.scope_trace);
  walk(w);
  close_remaining_scopes(w.scope_stack, w.table, debug, result.warnings);
  if (debug) result.class_dump = dump_classes(pre.implementations, w.classes);
  report_members(w.classes, pre, debug, result.warnings);
  std::stable_sort(result.warnings.begin(), result.warnings.end(),
                   [](const Warning& a, const Warning& b) { return a.line < b.line; });
  return result;
}

}  // namespace linter
