#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lexer/source.h"
#include "pages.h"

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

// The arrays a lexer fills. Payload: the name id for Ident, TypeKw and Keyword; for the
// kinds with a text or value (literals, Include) an index into offsets, where the
// token's source offset is; 0 for the others.
struct TokenStore {
  // Eight bytes: the texts together are no longer than the script, which is shorter
  // than 4 GiB (see kMaxScriptSize), and a lexer's word look-ups read an entry for
  // every word longer than eight bytes, so the table should stay small in cache.
  struct NameEntry {
    std::uint32_t offset;  // in name_text
    std::uint32_t length;
  };
  // Tokens from first_token on are on line, up to the next run. Eight bytes (a
  // script has fewer tokens and lines than 2^32, see kMaxScriptSize): on a script of
  // short lines the runs outweigh the tokens, and the warnings' line look-ups read
  // most of them.
  struct LineRun {
    std::uint32_t first_token;
    std::uint32_t line;
  };

  std::size_t size = 0;
  PageArray<TokenKind> kinds;
  PageArray<std::uint32_t> payloads;
  PageArray<std::uint32_t> offsets;  // 32 bits: the script is shorter than 4 GiB
  PageVector<NameEntry> names;  // by name id
  // The distinct words' texts, one after another. Read far more often than any one
  // place in the source (by the lexer's look-ups and by every report naming a name),
  // they are kept together, in a few hundred kilobytes that stay in cache, rather than
  // at their first uses, scattered over the whole source.
  PageArray<char> name_text;
  PageArray<LineRun> lines;
  // The line runs of a stretch lexed ahead on another thread, kept as that lexer made
  // them rather than renumbered and copied in behind `lines` (on a script of short
  // lines they outweigh the tokens): from token later_from on, a token's run is found
  // here by its number less later_from, and its line is the run's plus later_lines_before.
  PageArray<LineRun> later_lines;
  std::size_t later_from = 0;
  std::uint64_t later_lines_before = 0;

  void start_line(std::size_t first_token, std::uint64_t line) {
    const LineRun run{std::uint32_t(first_token), std::uint32_t(line)};
    if (!lines.empty() && lines.size() < lines.capacity()) {
      // Without a branch, which blank and comment lines would make unpredictable: a
      // line without tokens overwrites the run before it.
      LineRun* next = lines.data() + lines.size();
      const bool same = next[-1].first_token == run.first_token;
      next -= same;
      *next = run;
      lines.set_size(lines.size() + !same);
      return;
    }
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
    // Eight zero bytes stay past the last text: words are read eight bytes at a time.
    char* p = name_text.extend(length + 8);
    std::memcpy(p, text, length);
    std::memset(p + length, 0, 8);
    name_text.set_size(offset + length);
    names.push_back({std::uint32_t(offset), std::uint32_t(length)});
    return NameId(names.size() - 1);
  }
};

// Whether a kind's payload is a name id, or an index into the offsets.
inline bool is_name_kind(TokenKind k) {
  return k == TokenKind::Ident || k == TokenKind::TypeKw || k == TokenKind::Keyword;
}
inline bool has_offset(TokenKind k) {
  return k <= TokenKind::StringLit || k == TokenKind::Include;
}

// The token sequence of one script. It owns the script text, which every token's
// payload is read from, and the table of distinct words.
//
// A token takes five bytes: its kind and its payload. Values are read back from the
// source on demand: the analysis needs only names.
class TokenList {
 public:
  TokenList(SourceText source, TokenStore store);

  std::size_t size() const { return t_.size; }
  bool empty() const { return t_.size == 0; }
  TokenKind kind(std::size_t i) const { return t_.kinds[i]; }
  // All kinds, for scans that read many at a time.
  const TokenKind* kinds() const { return t_.kinds.data(); }
  bool is(std::size_t i, TokenKind k) const { return i < t_.size && t_.kinds[i] == k; }
  std::uint64_t line(std::size_t i) const;
  // Where line searches start: each ends where the one before it ended, since lookups
  // mostly come in order. A thread of its own needs hints of its own.
  struct LineHints {
    std::size_t first = 0;
    std::size_t later = 0;
  };
  std::uint64_t line(std::size_t i, LineHints& hints) const;
  // out[k] = line(ascending[k]) for tokens in ascending order.
  void lines_of(std::span<const std::uint32_t> ascending, std::span<std::uint64_t> out) const;

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
  std::string_view name(NameId id) const {
    const TokenStore::NameEntry& e = t_.names[id];
    return std::string_view(t_.name_text.data() + e.offset, e.length);
  }
  std::size_t name_count() const { return t_.names.size(); }
  // Where a literal or Include token's text starts in the source.
  std::uint64_t offset(std::size_t i) const { return t_.offsets[t_.payloads[i]]; }

  // Hands the script text's memory back. Only literal values and include paths are
  // read from it once lexing is done (text() of an Include, the *_value accessors,
  // render()); afterwards those throw std::logic_error. On a large script the
  // analysis then takes over the text's pages, already backed, instead of fresh ones,
  // which on a virtual machine cost more than filling them.
  void release_source();

 private:
  // The text, for the accessors that read it; throws once it is released.
  std::string_view kept_source() const;

  SourceText source_;
  bool source_released_ = false;
  TokenStore t_;
  // Where the last line searches ended, for line(i). On a cache line of their own: a
  // thread that asks for lines would otherwise take the list's other fields away from
  // one that reads tokens.
  alignas(64) mutable LineHints hints_;
};

}  // namespace linter
