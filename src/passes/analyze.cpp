#include "passes/analyze.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>

#include "passes/class_reports.h"
#include "passes/prescan.h"
#include "passes/scope_reports.h"
#include "passes/walk.h"

namespace linter {

namespace {

// Orders the warnings by line, keeping the order of those on one line. Warnings come
// in runs (a scope's are reported when it closes, members' at the end), so they are
// ranked by a counting sort over the lines when the lines are few enough for its
// table, else by a stable sort of their positions; either way the texts move once.
void sort_by_line(std::vector<Warning>& warnings) {
  const std::size_t n = warnings.size();
  std::uint64_t max_line = 0;
  bool sorted = true;
  for (std::size_t k = 0; k < n; ++k) {
    max_line = std::max(max_line, warnings[k].line);
    if (k > 0 && warnings[k].line < warnings[k - 1].line) sorted = false;
  }
  if (sorted) return;
  if (n >= std::numeric_limits<std::uint32_t>::max()) {
    std::stable_sort(warnings.begin(), warnings.end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return;
  }
  std::vector<std::uint32_t> order(n);
  // The table costs four bytes a line; bounded so, it stays below the warnings' own size.
  if (max_line <= 16 * std::uint64_t(n) + 65536) {
    std::vector<std::uint32_t> start(std::size_t(max_line) + 2, 0);
    for (const Warning& w : warnings) ++start[std::size_t(w.line) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (std::size_t k = 0; k < n; ++k)
      order[start[std::size_t(warnings[k].line)]++] = std::uint32_t(k);
  } else {
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return warnings[a].line < warnings[b].line;
    });
  }
  std::vector<Warning> out;
  out.reserve(n);
  for (std::uint32_t k : order) out.push_back(std::move(warnings[k]));
  warnings = std::move(out);
}

}  // namespace

AnalysisResult analyze(const TokenList& tokens, bool debug) {
  AnalysisResult result;
  PreScan pre = prescan(tokens);
  WalkState w(tokens, debug, pre, result.warnings, result.scope_trace);
  walk(w);
  close_remaining_scopes(w.scope_stack, w.table, debug, result.warnings);
  if (debug) result.class_dump = dump_classes(pre.implementations, w.classes);
  report_members(w.classes, pre, debug, result.warnings);
  for (Warning& warning : result.warnings) warning.line = line_of(tokens, warning.line);
  sort_by_line(result.warnings);
  return result;
}

}  // namespace linter
