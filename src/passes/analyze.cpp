#include "passes/analyze.h"

#include <algorithm>

#include "passes/class_reports.h"
#include "passes/prescan.h"
#include "passes/scope_reports.h"
#include "passes/walk.h"

namespace linter {

AnalysisResult analyze(const TokenList& tokens, bool debug) {
  AnalysisResult result;
  const PreScan pre = prescan(tokens);
  Walk w(tokens, pre, debug, result.warnings, result.scope_trace);
  walk(w);
  close_remaining_scopes(w.scope_stack, w.table, debug, result.warnings);
  if (debug) result.class_dump = dump_classes(pre.implementations, w.classes);
  report_members(w.classes, pre, debug, result.warnings);
  // By line; warnings on one line keep the order they were made in, which is the order
  // of their texts in the list's text.
  BigVector<Warning>& items = result.warnings.items();
  std::sort(items.begin(), items.end(), [](const Warning& a, const Warning& b) {
    return a.line != b.line ? a.line < b.line : a.begin < b.begin;
  });
  return result;
}

}  // namespace linter
