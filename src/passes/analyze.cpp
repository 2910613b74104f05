#include "passes/analyze.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <exception>
#include <limits>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>

#include "passes/class_reports.h"
#include "passes/prescan.h"
#include "passes/scope_reports.h"
#include "passes/walk.h"
#include "platform.h"

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

  // Stable counting passes, lowest digit first: two of up to 12 bits when the tokens
  // fit in 24 bits (a script of up to 16 million tokens), else three of 11.
  PageVector<std::uint32_t> order(n), next(n);
  std::iota(order.begin(), order.end(), std::uint32_t{0});
  std::uint32_t largest = 0;
  for (std::uint32_t t : token) largest = std::max(largest, t);
  const int bits = std::bit_width(largest);
  const unsigned digit_bits = bits <= 24 ? unsigned(std::max(1, (bits + 1) / 2)) : 11;
  const std::uint32_t digits = 1u << digit_bits;
  for (unsigned shift = 0; shift < unsigned(std::max(bits, 1)); shift += digit_bits) {
    std::vector<std::uint32_t> start(digits + 1, 0);
    for (std::uint32_t k : order) ++start[((token[k] >> shift) & (digits - 1)) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    for (std::uint32_t k : order) next[start[(token[k] >> shift) & (digits - 1)]++] = k;
    order.swap(next);
  }

  // In token order, so that the warnings themselves are touched only when they move.
  PageVector<std::uint32_t>& ascending = next;  // the sort's scratch, free again
  for (std::size_t j = 0; j < n; ++j) ascending[j] = token[order[j]];
  PageVector<std::uint64_t> lines(n);
  tokens.lines_of(ascending, lines);
  for (std::size_t a = 0; a < n;) {
    std::size_t b = a + 1;
    while (b < n && lines[b] == lines[a]) ++b;
    if (b - a > 1) std::sort(order.begin() + std::ptrdiff_t(a), order.begin() + std::ptrdiff_t(b));
    a = b;
  }

  PageArray<Warning> out;
  out.reserve(n);
  for (std::size_t j = 0; j < n; ++j) {
    out.push_back(warnings[order[j]]);
    out.back().line = lines[j];
  }
  warnings.items() = std::move(out);
}

// The walk with its effects applied on a second thread, fed through w's queue.
// Returns false, having done nothing, when no thread is to be had.
bool walk_beside_tables(WalkState& w, EffectQueue& queue, Tables& tables) {
  std::exception_ptr failed;
  std::thread applier;
  try {
    applier = std::thread([&] {
      try {
        queue.drain([&](const Effect& e) { tables.apply(e); });
      } catch (...) {
        failed = std::current_exception();
        queue.abandon();
      }
    });
  } catch (const std::system_error&) {
    return false;
  }
  try {
    walk(w);
  } catch (...) {
    queue.abandon();
    applier.join();
    throw;
  }
  queue.finish();
  applier.join();
  if (failed) std::rethrow_exception(failed);
  return true;
}

}  // namespace

AnalysisResult analyze(const TokenList& tokens, bool debug) {
  return analyze(tokens, debug, kTwoThreadWalkFrom);
}

AnalysisResult analyze(const TokenList& tokens, bool debug, std::size_t two_threads_from) {
  AnalysisResult result;
  PreScan pre = prescan(tokens);
  ContextLog contexts(tokens, tokens.size() + 2);
  Tables tables(tokens, debug, pre, contexts, result.warnings, result.scope_trace);
  // The debug trace reads the tables as the walk goes, so they must keep up with it.
  // The two threads wait for each other by spinning, which only pays when each has a
  // processor of its own.
  std::optional<EffectQueue> queue;
  if (!debug && tokens.size() >= two_threads_from && usable_processors() > 1) queue.emplace();
  // Outlives the walk: the tables keep views of the names it builds.
  WalkState w(tokens, debug, pre, tables, contexts, result.scope_trace,
              queue ? &*queue : nullptr);
  if (!queue || !walk_beside_tables(w, *queue, tables)) {
    w.queue = nullptr;
    walk(w);
  }
  close_remaining_scopes(w.scope_stack, tables.table, debug, result.warnings);
  if (debug) result.class_dump = dump_classes(pre.implementations, tables.classes);
  report_members(tables.classes, pre, debug, result.warnings);
  finish_warnings(tokens, result.warnings);
  return result;
}

}  // namespace linter
