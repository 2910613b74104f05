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

// The token sequence of one script. It owns the script text, which every token's
// payload is read from, and the table of distinct words.
//
// A token takes five bytes: its kind, and a 32-bit payload that is the name id for
// Ident, TypeKw and Keyword, or for the kinds with a text or value (literals, Include)
// the index of the token's source offset in a side table; other kinds need none.
// Values are read back from the source on demand: the analysis needs only names.
class TokenList {
 public:
  explicit TokenList(std::string source) : source_(std::move(source)) {}

  std::size_t size() const { return kinds_.size(); }
  bool empty() const { return kinds_.empty(); }
  TokenKind kind(std::size_t i) const { return kinds_[i]; }
  bool is(std::size_t i, TokenKind k) const { return i < kinds_.size() && kinds_[i] == k; }
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
  NameId name_id(std::size_t i) const { return payloads_[i]; }
  std::string_view name(NameId id) const {
    const NameEntry& e = names_[id];
    return std::string_view(source_).substr(e.offset, e.length);
  }
  std::size_t name_count() const { return names_.size(); }
  // Where a literal or Include token's text starts in the source.
  std::uint64_t offset(std::size_t i) const { return offsets_[payloads_[i]]; }

  const std::string& source() const { return source_; }

  // Used by the lexer only: payload is the name id of a word, else the source offset.
  void push(TokenKind kind, std::uint64_t payload, std::uint64_t line) {
    if (line != last_line_) {
      lines_.push_back({kinds_.size(), line});
      last_line_ = line;
    }
    kinds_.push_back(kind);
    if (is_name_kind(kind)) {
      payloads_.push_back(std::uint32_t(payload));
    } else if (kind <= TokenKind::StringLit || kind == TokenKind::Include) {
      payloads_.push_back(std::uint32_t(offsets_.size()));
      offsets_.push_back(payload);
    } else {
      payloads_.push_back(0);
    }
  }
  // Room for about n tokens, so that growing never copies them.
  void reserve(std::size_t n) {
    kinds_.reserve(n);
    payloads_.reserve(n);
    offsets_.reserve(n / 4);
    lines_.reserve(n / 4);
  }
  static bool is_name_kind(TokenKind k) {
    return k == TokenKind::Ident || k == TokenKind::TypeKw || k == TokenKind::Keyword;
  }
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
  std::vector<TokenKind> kinds_;
  std::vector<std::uint32_t> payloads_;
  std::vector<std::uint64_t> offsets_;  // source offsets of literal and Include tokens
  std::vector<NameEntry> names_;
  // Lines are stored once per run of tokens that share a line.
  std::vector<LineRun> lines_;
  std::uint64_t last_line_ = 0;
  mutable std::size_t line_hint_ = 0;  // the walk asks for lines mostly in order
};

}  // namespace linter
