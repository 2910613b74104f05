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

// Identifies a distinct word of the script: every occurrence of the same word, whether
// identifier, type word or keyword, carries the same id, so the analysis indexes names
// by array position instead of hashing text.
using NameId = std::uint32_t;
inline constexpr NameId kNoName = 0xFFFFFFFFu;

// One token packed into eight bytes: the kind, and either the name id (for Ident, TypeKw,
// Keyword) or the byte offset of the token's source text (for every other kind). Other
// payloads are not stored: they are read back from the source on demand.
struct Token {
  std::uint64_t bits = 0;

  static constexpr unsigned kPayloadBits = 56;

  Token() = default;
  Token(TokenKind kind, std::uint64_t payload)
      : bits(payload | (std::uint64_t(kind) << kPayloadBits)) {}

  TokenKind kind() const { return TokenKind(bits >> kPayloadBits); }
  std::uint64_t payload() const { return bits & ((std::uint64_t{1} << kPayloadBits) - 1); }
};
static_assert(sizeof(Token) == 8);

// The token sequence of one script. It owns the script text, which every token's
// payload is read from, and the table of distinct words.
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

  // The word of an Ident, TypeKw or Keyword token, as an id; and the text of an id.
  NameId name_id(std::size_t i) const { return NameId(tokens_[i].payload()); }
  std::string_view name(NameId id) const {
    const NameEntry& e = names_[id];
    return std::string_view(source_).substr(e.offset, e.length);
  }
  std::size_t name_count() const { return names_.size(); }

  const std::string& source() const { return source_; }

  // Used by the lexer only.
  void push(TokenKind kind, std::uint64_t payload, std::uint64_t line) {
    if (line != last_line_) {
      lines_.push_back({tokens_.size(), line});
      last_line_ = line;
    }
    tokens_.emplace_back(kind, payload);
  }
  void reserve(std::size_t n) { tokens_.reserve(n); }
  // Adds a distinct word found at offset; returns its id.
  NameId add_name(std::uint64_t offset, std::uint64_t length) {
    names_.push_back({offset, length});
    return NameId(names_.size() - 1);
  }

 private:
  struct LineRun {
    std::uint64_t first_token;
    std::uint64_t line;
  };
  struct NameEntry {
    std::uint64_t offset;
    std::uint64_t length;
  };

  std::string source_;
  std::vector<Token> tokens_;
  std::vector<NameEntry> names_;
  // Lines are stored once per run of tokens that share a line.
  std::vector<LineRun> lines_;
  std::uint64_t last_line_ = 0;
  mutable std::size_t line_hint_ = 0;  // the walk asks for lines mostly in order
};

}  // namespace linter
