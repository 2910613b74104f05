#include "lexer/token.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "lexer/scan.h"

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

// The run that token i is in: the last one starting at or before it (runs start at
// token 0, so there is one).
std::size_t run_of(std::span<const TokenStore::LineRun> runs, std::size_t i) {
  auto after = std::upper_bound(runs.begin(), runs.end(), i,
                                [](std::size_t t, const TokenStore::LineRun& r) {
                                  return t < r.first_token;
                                });
  return std::size_t(after - runs.begin()) - 1;
}

}  // namespace

std::uint64_t TokenList::line(std::size_t i) const { return t_.lines[run_of(t_.lines, i)].line; }

std::uint64_t LineCursor::operator()(std::size_t i) {
  if (i < runs_[at_].first_token) {
    at_ = run_of(runs_, i);
  } else {
    while (at_ + 1 < runs_.size() && runs_[at_ + 1].first_token <= i) ++at_;
  }
  return runs_[at_].line;
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
