#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lexer/source.h"

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

// Whether a kind's payload is a name id, or an index into the literal offsets.
inline bool is_name_kind(TokenKind k) {
  return k == TokenKind::Ident || k == TokenKind::TypeKw || k == TokenKind::Keyword;
}
inline bool has_offset(TokenKind k) {
  return k <= TokenKind::StringLit || k == TokenKind::Include;
}

// What the lexer fills. A token is its kind and a 32-bit payload: the name id for
// Ident, TypeKw and Keyword; for the kinds with a text or value (literals, Include) an
// index into offsets, where the token's text starts in the source; 0 for the others.
// Every count fits in 32 bits because a script is shorter than 4 GiB (kMaxScriptSize).
struct TokenStore {
  struct NameEntry {
    std::uint32_t offset;  // in name_text
    std::uint32_t length;
  };
  // Tokens from first_token on are on `line`, up to the next run.
  struct LineRun {
    std::uint32_t first_token;
    std::uint32_t line;
  };

  BigVector<TokenKind> kinds;
  BigVector<std::uint32_t> payloads;
  BigVector<std::uint32_t> offsets;
  BigVector<NameEntry> names;  // by name id
  // The distinct words' texts, each followed by eight zero bytes so that a word can be
  // read eight bytes at a time. Kept together, they stay in cache.
  BigVector<char> name_text;
  BigVector<LineRun> lines;

  void start_line(std::size_t first_token, std::uint64_t line) {
    const LineRun run{std::uint32_t(first_token), std::uint32_t(line)};
    // A line without tokens gives way to the next one.
    if (!lines.empty() && lines.back().first_token == run.first_token) {
      lines.back() = run;
    } else {
      lines.push_back(run);
    }
  }
  std::uint32_t add_offset(std::uint64_t offset) {
    offsets.push_back(std::uint32_t(offset));
    return std::uint32_t(offsets.size() - 1);
  }
  NameId add_name(const char* text, std::size_t length) {
    const std::size_t offset = name_text.size();
    name_text.insert(name_text.end(), text, text + length);
    name_text.insert(name_text.end(), 8, '\0');
    names.push_back({std::uint32_t(offset), std::uint32_t(length)});
    return NameId(names.size() - 1);
  }
  std::string_view name(NameId id) const {
    return {name_text.data() + names[id].offset, names[id].length};
  }
};

// The token sequence of one script. It owns the script text, which literal values are
// read back from, and the table of distinct words.
class TokenList {
 public:
  TokenList(SourceText source, TokenStore store);

  std::size_t size() const { return t_.kinds.size(); }
  bool empty() const { return t_.kinds.empty(); }
  TokenKind kind(std::size_t i) const { return t_.kinds[i]; }
  bool is(std::size_t i, TokenKind k) const { return i < t_.kinds.size() && t_.kinds[i] == k; }
  // All kinds and payloads at once, for the passes over every token.
  std::span<const TokenKind> kinds() const { return t_.kinds; }
  std::span<const std::uint32_t> payloads() const { return t_.payloads; }
  // The line of token i, by a search of the line runs; see LineCursor for many.
  std::uint64_t line(std::size_t i) const;
  std::span<const TokenStore::LineRun> line_runs() const { return t_.lines; }

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
  NameId name_id(std::size_t i) const { return t_.payloads[i]; }
  std::string_view name(NameId id) const { return t_.name(id); }
  std::size_t name_count() const { return t_.names.size(); }
  // Where a literal or Include token's text starts in the source.
  std::uint64_t offset(std::size_t i) const { return t_.offsets[t_.payloads[i]]; }
  // Hands the script text's memory back: the analysis needs only the tokens and the
  // words, and on a large script its tables then take over memory the system already
  // backs. Afterwards the accessors that read the text (literal values, include paths)
  // throw std::logic_error.
  void release_source();

 private:
  // The text, for the accessors that read it; throws once it is released.
  std::string_view kept_source() const;

  SourceText source_;
  bool source_released_ = false;
  TokenStore t_;
};

// The lines of tokens asked for in ascending order, as a walk over the tokens asks for
// them: each lookup steps forward from the last, so a whole sweep reads the line runs
// once. A token before the last one asked for is found by a search.
class LineCursor {
 public:
  explicit LineCursor(const TokenList& tokens) : runs_(tokens.line_runs()) {}
  std::uint64_t operator()(std::size_t i);

 private:
  std::span<const TokenStore::LineRun> runs_;
  std::size_t at_ = 0;  // the run of the last token asked for
};

}  // namespace linter
