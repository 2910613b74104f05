#include "passes/analyze.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>

#include "passes/class_reports.h"
#include "passes/prescan.h"
#include "passes/scope_reports.h"
#include "passes/walk.h"
#include "platform.h"
#include "side_by_side.h"

namespace linter {

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

// Whether warnings [from, to) all name tokens that fit in 32 bits (see kAtToken), as
// a ranking needs.
bool all_at_tokens(const WarningList& warnings, std::size_t from, std::size_t to) {
  if (to >= kMax32) return false;
  for (std::size_t k = from; k < to; ++k) {
    const std::uint64_t line = warnings[k].line;
    if (!(line & kAtToken) || (line & ~kAtToken) > kMax32) return false;
  }
  return true;
}

// Warnings in line order: order[j] is the j-th warning (numbered from the first one
// ranked), lines[j] its line.
struct Ranking {
  PageVector<std::uint32_t> order;
  PageVector<std::uint64_t> lines;
};

// Ranks warnings by line, keeping the order they were made in among those of one line;
// token[k] is the k-th warning's token.
//
// A token's line is a binary search of the token list's line table, which on a large
// script is far bigger than the caches, and warnings come in no useful order (a
// scope's are made when it closes, members' at the end). Searched for in token order,
// successive searches share their path and read the table almost in order. So the
// warnings are ranked by token with a radix sort, their lines found in that order,
// which is line order too, and each run of warnings on one line put back in the order
// they were made.
Ranking rank_by_line(const TokenList& tokens, const PageVector<std::uint32_t>& token) {
  const std::size_t n = token.size();
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
  return {std::move(order), std::move(lines)};
}

PageVector<std::uint32_t> tokens_of(const WarningList& warnings, std::size_t from,
                                    std::size_t to) {
  PageVector<std::uint32_t> token(to - from);
  for (std::size_t k = from; k < to; ++k)
    token[k - from] = std::uint32_t(warnings[k].line & ~kAtToken);
  return token;
}

// Gives every warning its line and puts the warnings in line order, keeping the order
// they were made in among those of one line. Given a ranking of the first `ranked`
// warnings, and perhaps of the others, both made beforehand (see analyze), what is not
// ranked yet is ranked here and the two merged; among warnings on one line the earlier
// ones come first, as they were made first. Then the warnings move once, into place.
void finish_warnings(const TokenList& tokens, WarningList& warnings,
                     const std::optional<Ranking>& first_ranked, std::size_t ranked,
                     std::optional<Ranking>& rest_ranked) {
  const std::size_t n = warnings.size();
  if (!first_ranked) {
    ranked = 0;
    rest_ranked.reset();
  }
  if (!rest_ranked && !all_at_tokens(warnings, ranked, n)) {
    for (Warning& w : warnings)
      if (w.line & kAtToken) w.line = tokens.line(std::size_t(w.line & ~kAtToken));
    // Stable: among warnings on one line, the order they were made in.
    std::stable_sort(warnings.items().begin(), warnings.items().end(),
                     [](const Warning& a, const Warning& b) { return a.line < b.line; });
    return;
  }
  if (!rest_ranked) rest_ranked = rank_by_line(tokens, tokens_of(warnings, ranked, n));
  const Ranking& rest = *rest_ranked;
  const Ranking none;
  const Ranking& first = first_ranked ? *first_ranked : none;

  PageArray<Warning> out;
  out.reserve(n);
  std::size_t a = 0, b = 0;
  const std::size_t first_count = first.order.size(), rest_count = rest.order.size();
  while (a < first_count || b < rest_count) {
    const bool from_first =
        b == rest_count || (a < first_count && first.lines[a] <= rest.lines[b]);
    if (from_first) {
      out.push_back(warnings[first.order[a]]);
      out.back().line = first.lines[a++];
    } else {
      out.push_back(warnings[ranked + rest.order[b]]);
      out.back().line = rest.lines[b++];
    }
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
  auto report_the_rest = [&] {
    close_remaining_scopes(w.scope_stack, tables.table, debug, result.warnings);
    if (debug) result.class_dump = dump_classes(pre.implementations, tables.classes);
    report_members(tables.classes, pre, debug, result.warnings);
  };
  // The walk's warnings (most of them) are ranked by line on a second thread while the
  // file scope and the class members are reported, and their warnings ranked, here.
  const std::size_t walk_warnings = result.warnings.size();
  std::optional<Ranking> walk_ranked, rest_ranked;
  if (!debug && walk_warnings > 0 && tokens.size() >= two_threads_from &&
      usable_processors() > 1 && all_at_tokens(result.warnings, 0, walk_warnings)) {
    const PageVector<std::uint32_t> token = tokens_of(result.warnings, 0, walk_warnings);
    side_by_side(
        [&] {
          try {
            walk_ranked = rank_by_line(tokens, token);
          } catch (const std::bad_alloc&) {
            walk_ranked.reset();  // all are ranked together below
          }
        },
        [&] {
          report_the_rest();
          const std::size_t n = result.warnings.size();
          if (all_at_tokens(result.warnings, walk_warnings, n))
            rest_ranked = rank_by_line(tokens, tokens_of(result.warnings, walk_warnings, n));
        });
  } else {
    report_the_rest();
  }
  finish_warnings(tokens, result.warnings, walk_ranked, walk_warnings, rest_ranked);
  return result;
}

}  // namespace linter
