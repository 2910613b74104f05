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
  // A script has about a warning and a class member for every forty tokens, and a
  // byte or two of warning text per token. Room for that from the start is not touched
  // until used, and spares the tables their growth: each larger copy is fresh memory
  // to fault in, then to fill with what the smaller one held.
  result.warnings.reserve(tokens.size() / 32, tokens.size() * 2);
  w.classes.reserve(tokens.size() / 32);
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
