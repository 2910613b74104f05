#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "lexer/token.h"
#include "pages.h"
#include "passes/classes.h"

namespace linter {

// Where a `for` header ends and how its scope closes, worked out once for every header
// so that nested or repeated headers never scan the same tokens twice.
struct ForHeader {
  std::size_t keyword = 0;
  bool block = false;                       // the body starts with `{`
  std::uint64_t inline_end = 0;             // without braces: the token that closes the scope
};

// What the walk needs to know about the whole script before it starts. The sets of
// names are flags by name id.
struct PreScan {
  enum : std::uint8_t {
    kTypeName = 1,
    kFunctionName = 2,
    kDotName = 4,
    // Words the walk tests by their text, flagged once here so that no token's text
    // is compared.
    kForWord = 8,         // for
    kSixtyFourBit = 16,   // int64, uint64
    kModifier = 32,       // final, const, override
    kOperatorMethod = 64,  // opAdd, opEquals and the other operator method names
  };
  PageVector<std::uint8_t> name_flags;  // by name id
  PageVector<Implementation> implementations;
  PageVector<ForHeader> for_headers;  // by keyword index, ascending

  bool has(NameId id, std::uint8_t flag) const {
    return id < name_flags.size() && (name_flags[id] & flag) != 0;
  }
  // A built-in type word, or a name declared by a class or interface header.
  bool is_type_name(const TokenList& tokens, std::size_t i) const {
    TokenKind k = tokens.kind(i);
    return k == TokenKind::TypeKw || (k == TokenKind::Ident && has(tokens.name_id(i), kTypeName));
  }
  // Indices into implementations whose class is that name, in order.
  std::span<const std::uint32_t> implementations_of(NameId name) const {
    if (name + std::size_t{1} >= implementations_start_.size()) return {};
    return std::span<const std::uint32_t>(implementations_by_class_)
        .subspan(implementations_start_[name],
                 implementations_start_[name + 1] - implementations_start_[name]);
  }

 private:
  friend PreScan prescan(const TokenList& tokens);
  // implementations_of for every name at once: by name id, where its run starts in
  // implementations_by_class_. Both stay empty when there are no implementations.
  PageVector<std::uint32_t> implementations_start_;
  PageVector<std::uint32_t> implementations_by_class_;
};

PreScan prescan(const TokenList& tokens);

// The name position after a type at index t: one optional `@`, then any number of
// empty `[]` pairs.
inline std::size_t name_position(const TokenList& tokens, std::size_t t) {
  std::size_t j = t + 1;
  if (tokens.is(t + 1, TokenKind::At)) j = t + 2;
  while (tokens.is(j, TokenKind::LBracket) && tokens.is(j + 1, TokenKind::RBracket) &&
         j + 2 < tokens.size())
    j += 2;
  return j;
}

}  // namespace linter
