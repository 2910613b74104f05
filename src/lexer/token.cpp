#include "lexer/token.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "lexer/scan.h"
#include "side_by_side.h"

namespace linter {

namespace {
constexpr std::array<std::string_view, kTokenKindCount> kKindNames = {
    "IntLit", "DoubleLit", "BoolLit", "StringLit", "Ident", "TypeKw", "Class", "Interface",
    "Return", "Keyword", "LBrace", "RBrace", "LParen", "RParen", "LBracket", "RBracket",
    "Semicolon", "Comma", "Equals", "Dot", "Colon", "Tilde", "At", "Hash", "Plus", "Minus",
    "Star", "Slash", "Percent", "Lt", "Gt", "LtEq", "GtEq", "EqEq", "BangEq", "Bang", "And",
    "Or", "PlusPlus", "MinusMinus", "BitAnd", "BitOr", "BitXor", "LShift", "RShift", "PlusEq",
    "MinusEq", "StarEq", "SlashEq", "PercentEq", "AndEq", "OrEq", "XorEq", "LShiftEq",
    "RShiftEq", "Include",
};
}  // namespace

std::string_view kind_name(TokenKind kind) { return kKindNames[std::size_t(kind)]; }

TokenList::TokenList(SourceText source, TokenStore store)
    : source_(std::move(source)), t_(std::move(store)) {
  if (t_.lines.empty()) t_.start_line(0, 1);
}

namespace {

// The last run in runs that starts at or before token i (there is one: runs start at
// token 0). Lookups mostly move forward a little from the previous one, so the search
// starts there, stepping and then galloping: the cost grows with the log of the
// distance, not of the table, whose far parts are out of cache.
constexpr std::size_t kNearRuns = 32;

const TokenStore::LineRun& run_of(const PageArray<TokenStore::LineRun>& runs, std::size_t i,
                                  std::size_t& hint) {
  const std::size_t n = runs.size();
  auto starts_after = [&](std::size_t r) { return r < n && runs[r].first_token > i; };
  std::size_t lo, hi;  // runs[lo] starts at or before i, runs[hi] after it (or hi == n)
  std::size_t h = hint < n ? hint : 0;
  if (runs[h].first_token <= i) {
    lo = h;
    // Most lookups land within a few runs: stepping there one by one costs less than
    // the mispredicted branches of a search.
    const std::size_t near = std::min(n - 1, lo + kNearRuns);
    while (lo < near && runs[lo + 1].first_token <= i) ++lo;
    if (lo < near || lo == n - 1) {
      hint = lo;
      return runs[lo];
    }
    std::size_t step = 1;
    while (lo + step < n && !starts_after(lo + step)) {
      lo += step;
      step *= 2;
    }
    hi = lo + step < n ? lo + step : n;
  } else {
    hi = h;
    std::size_t step = 1;
    while (hi >= step && starts_after(hi - step)) {
      hi -= step;
      step *= 2;
    }
    lo = hi >= step ? hi - step : 0;
  }
  while (hi - lo > 1) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (starts_after(mid)) {
      hi = mid;
    } else {
      lo = mid;
    }
  }
  hint = lo;
  return runs[lo];
}

}  // namespace

std::uint64_t TokenList::line(std::size_t i) const { return line(i, hints_); }

std::uint64_t TokenList::line(std::size_t i, LineHints& hints) const {
  if (!t_.later_lines.empty() && i >= t_.later_from)
    return run_of(t_.later_lines, i - t_.later_from, hints.later).line + t_.later_lines_before;
  return run_of(t_.lines, i, hints.first).line;
}

void TokenList::lines_of(std::span<const std::uint32_t> ascending,
                         std::span<std::uint64_t> out) const {
  // One thread, each segment's runs in one sweep: the look-ups are bound by reading
  // the runs, and on a machine whose two processors share their core's memory paths, a
  // second thread reading the other half slowed each as much as it helped.
  LineHints hints;
  const std::size_t n = ascending.size();
  std::size_t k = 0;
  for (; k < n && (t_.later_lines.empty() || ascending[k] < t_.later_from); ++k)
    out[k] = run_of(t_.lines, ascending[k], hints.first).line;
  for (; k < n; ++k)
    out[k] = run_of(t_.later_lines, ascending[k] - t_.later_from, hints.later).line +
             t_.later_lines_before;
}

void TokenList::release_source() {
  source_ = SourceText();
  source_released_ = true;
}

std::string_view TokenList::kept_source() const {
  if (source_released_) throw std::logic_error("the script text was released after lexing");
  return source_.view();
}

std::string_view TokenList::text(std::size_t i) const {
  if (is_name_kind(kind(i))) return name(name_id(i));
  std::string_view src = kept_source();
  std::size_t start = offset(i);
  return src.substr(start, scan::include_path_end(src, start) - start);
}

std::string TokenList::string_value(std::size_t i) const {
  std::string out;
  scan::scan_string(kept_source(), offset(i), &out);
  return out;
}

std::int64_t TokenList::int_value(std::size_t i) const {
  std::size_t p = offset(i);
  std::string_view src = kept_source();
  std::size_t end = scan::digits_end(src, p);
  std::uint64_t v = 0;
  constexpr std::uint64_t kMax = 9223372036854775807ULL;
  for (; p < end; ++p) {
    std::uint64_t d = std::uint64_t(src[p] - '0');
    if (v > (kMax - d) / 10) return 0;  // beyond 2^63-1 reads as 0
    v = v * 10 + d;
  }
  return std::int64_t(v);
}

double TokenList::double_value(std::size_t i) const {
  std::size_t p = offset(i);
  std::string_view src = kept_source();
  std::size_t end = scan::digits_end(src, scan::digits_end(src, p) + 1);
  double v = 0;
  auto r = std::from_chars(src.data() + p, src.data() + end, v);
  if (r.ec == std::errc::result_out_of_range) {
    // Beyond the double range or below its normal range: strtod still rounds to the
    // nearest value (infinity, or a subnormal or zero).
    std::string digits(src.substr(p, end - p));
    v = std::strtod(digits.c_str(), nullptr);
  }
  return v;
}

bool TokenList::bool_value(std::size_t i) const { return kept_source()[offset(i)] == 't'; }

std::string TokenList::render(std::size_t i) const {
  std::string out(kind_name(kind(i)));
  switch (kind(i)) {
    case TokenKind::IntLit:
      out += '(' + std::to_string(int_value(i)) + ')';
      break;
    case TokenKind::DoubleLit: {
      char buf[64];
      auto r = std::to_chars(buf, buf + sizeof buf, double_value(i));
      out += '(';
      out.append(buf, r.ptr);
      out += ')';
      break;
    }
    case TokenKind::BoolLit:
      out += bool_value(i) ? "(true)" : "(false)";
      break;
    case TokenKind::StringLit:
      out += "(\"" + string_value(i) + "\")";
      break;
    case TokenKind::Ident:
    case TokenKind::TypeKw:
    case TokenKind::Keyword:
    case TokenKind::Include:
      out += "(\"";
      out.append(text(i));
      out += "\")";
      break;
    default:
      break;
  }
  return out;
}

}  // namespace linter
