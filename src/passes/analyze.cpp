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

// Gives every warning its line and puts the warnings in line order, keeping the order
// they were made in among those of one line.
//
// The warnings name tokens (see kAtToken). A token's line is a binary search of the
// token list's line table, which on a large script is far bigger than the caches, and
// warnings come in no useful order (a scope's are made when it closes, members' at the
// end). Searched for in token order, successive searches share their path and read the
// table almost in order. So the warnings are ranked by token with a radix sort, their
// lines found in that order, which is line order too, and each run of warnings on one
// line put back in the order they were made; then the texts move once, into place.
void finish_warnings(const TokenList& tokens, WarningList& warnings) {
  const std::size_t n = warnings.size();
  constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
  bool all_tokens = n < kMax32;
  for (const Warning& w : warnings)
    all_tokens = all_tokens && (w.line & kAtToken) && (w.line & ~kAtToken) <= kMax32;
  if (!all_tokens) {
    for (Warning& w : warnings) w.line = line_of(tokens, w.line);
    std::stable_sort(warnings.items().begin(), warnings.items().end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return;
  }
  PageVector<std::uint32_t> token(n);
  for (std::size_t k = 0; k < n; ++k) token[k] = std::uint32_t(warnings[k].line & ~kAtToken);

  // Stable counting passes over 11-bit digits, lowest first.
  PageVector<std::uint32_t> order(n), next(n);
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  constexpr unsigned kDigitBits = 11;
  constexpr std::uint32_t kDigits = 1u << kDigitBits;
  for (unsigned shift = 0; shift < 32; shift += kDigitBits) {
    std::vector<std::uint32_t> start(kDigits + 1, 0);
    for (std::uint32_t k : order) ++start[((token[k] >> shift) & (kDigits - 1)) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (std::uint32_t k : order) next[start[(token[k] >> shift) & (kDigits - 1)]++] = k;
    order.swap(next);
  }

  // In token order, so that the warnings themselves are touched only when they move.
  PageVector<std::uint64_t> lines(n);
  for (std::size_t j = 0; j < n; ++j) lines[j] = tokens.line(token[order[j]]);
  for (std::size_t a = 0; a < n;) {
    std::size_t b = a + 1;
    while (b < n && lines[b] == lines[a]) ++b;
    if (b - a > 1) std::sort(order.begin() + std::ptrdiff_t(a), order.begin() + std::ptrdiff_t(b));
    a = b;
  }

  PageVector<Warning> out;
  out.reserve(n);
  for (std::size_t j = 0; j < n; ++j) {
    out.push_back(warnings[order[j]]);
    out.back().line = lines[j];
  }
  warnings.items() = std::move(out);
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
  finish_warnings(tokens, result.warnings);
  return result;
}

}  // namespace linter
