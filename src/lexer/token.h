#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace linter {

// The declaration order is part of the contract: a kind's number is its position.
enum class TokenKind : std::uint8_t {
  IntLit, DoubleLit, BoolLit, StringLit, Ident, TypeKw, Class, Interface, Return, Keyword,
  LBrace, RBrace, LParen, RParen, LBracket, RBracket, Semicolon, Comma, Equals, Dot, Colon,
  Tilde, At, Hash, Plus, Minus, Star, Slash, Percent, Lt, Gt, LtEq, GtEq, EqEq, BangEq, Bang,
  And, Or, PlusPlus, MinusMinus, BitAnd, BitOr, BitXor, LShift, RShift, PlusEq, MinusEq,
  StarEq, SlashEq, PercentEq, AndEq, OrEq, XorEq, LShiftEq, RShiftEq, Include,
};

inline constexpr int kTokenKindCount = 56;

std::string_view kind_name(TokenKind kind);

// One token packed into eight bytes: the byte offset of its source text, the length of
// that text (saturated for very long words), and the kind. Payloads are not stored: they
// are read back from the source on demand, since the analysis needs only word texts.
struct Token {
  std::uint64_t bits = 0;

  static constexpr std::uint64_t kOffsetBits = 40;
  static constexpr std::uint64_t kLengthBits = 16;
  static constexpr std::uint64_t kMaxLength = (std::uint64_t{1} << kLengthBits) - 1;

  Token() = default;
  Token(TokenKind kind, std::uint64_t offset, std::uint64_t length)
      : bits(offset | (std::min(length, kMaxLength) << kOffsetBits) |
             (std::uint64_t(kind) << (kOffsetBits + kLengthBits))) {}

  TokenKind kind() const { return TokenKind(bits >> (kOffsetBits + kLengthBits)); }
  std::uint64_t offset() const { return bits & ((std::uint64_t{1} << kOffsetBits) - 1); }
  std::uint64_t stored_length() const { return (bits >> kOffsetBits) & kMaxLength; }
};
static_assert(sizeof(Token) == 8);

// The token sequence of one script. It owns the script text, which every token's
// payload is read from.
class TokenList {
 public:
  explicit TokenList(std::string source) : source_(std::move(source)) {}

  std::size_t size() const { return tokens_.size(); }
  bool empty() const { return tokens_.empty(); }
  TokenKind kind(std::size_t i) const { return tokens_[i].kind(); }
  bool is(std::size_t i, TokenKind k) const { return i < tokens_.size() && kind(i) == k; }
  std::uint64_t line(std::size_t i) const;

  // Text of an Ident, TypeKw or Keyword token (the word) or of an Include token (the path).
  std::string_view text(std::size_t i) const;
  // Content of a StringLit token with its escapes resolved.
  std::string string_value(std::size_t i) const;
  std::int64_t int_value(std::size_t i) const;
  double double_value(std::size_t i) const;
  bool bool_value(std::size_t i) const;

  // Diagnostic rendering: the kind's name, and its payload in parentheses.
  std::string render(std::size_t i) const;

  const std::string& source() const { return source_; }

  // Used by the lexer only.
  void push(TokenKind kind, std::uint64_t offset, std::uint64_t length, std::uint64_t line);
  void reserve(std::size_t n) { tokens_.reserve(n); }

 private:
  struct LineRun {
    std::uint64_t first_token;
    std::uint64_t line;
  };

  std::string source_;
  std::vector<Token> tokens_;
  // Lines are stored once per run of tokens that share a line.
  std::vector<LineRun> lines_;
};

}  // namespace linter
