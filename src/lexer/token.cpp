#include "lexer/token.h"

#include <array>
#include <charconv>

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

void TokenList::push(TokenKind kind, std::uint64_t offset, std::uint64_t length,
                     std::uint64_t line) {
  if (lines_.empty() || lines_.back().line != line) lines_.push_back({tokens_.size(), line});
  tokens_.emplace_back(kind, offset, length);
}

std::uint64_t TokenList::line(std::size_t i) const {
  // The last run that starts at or before token i.
  std::size_t lo = 0, hi = lines_.size();
  while (hi - lo > 1) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (lines_[mid].first_token <= i) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lines_[lo].line;
}

std::string_view TokenList::text(std::size_t i) const {
  const Token& t = tokens_[i];
  std::size_t len = t.stored_length();
  if (len == Token::kMaxLength) {
    // Saturated: find the real end again.
    std::size_t end = t.kind() == TokenKind::Include
                          ? scan::include_path_end(source_, t.offset())
                          : scan::word_end(source_, t.offset());
    len = end - t.offset();
  }
  return std::string_view(source_).substr(t.offset(), len);
}

std::string TokenList::string_value(std::size_t i) const {
  std::string out;
  scan::scan_string(source_, tokens_[i].offset(), &out);
  return out;
}

std::int64_t TokenList::int_value(std::size_t i) const {
  std::size_t p = tokens_[i].offset();
  std::size_t end = scan::digits_end(source_, p);
  std::uint64_t v = 0;
  constexpr std::uint64_t kMax = 9223372036854775807ULL;
  for (; p < end; ++p) {
    std::uint64_t d = std::uint64_t(source_[p] - '0');
    if (v > (kMax - d) / 10) return 0;  // beyond 2^63-1 reads as 0
    v = v * 10 + d;
  }
  return std::int64_t(v);
}

double TokenList::double_value(std::size_t i) const {
  std::size_t p = tokens_[i].offset();
  std::size_t end = scan::digits_end(source_, scan::digits_end(source_, p) + 1);
  double v = 0;
  std::from_chars(source_.data() + p, source_.data() + end, v);
  return v;
}

bool TokenList::bool_value(std::size_t i) const { return source_[tokens_[i].offset()] == 't'; }

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
