#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "huge_pages.h"
#include "lexer/token.h"

namespace linter {

// A class header's name and the first name of its base list.
struct Implementation {
  std::string_view class_name;
  std::string_view interface_name;
  NameId class_id = kNoName;
  NameId interface_id = kNoName;
};

// Where a `for` header's scope closes: at the `}` of a braced body, or at the token
// index inline_end, the end of a body without braces.
struct ForHeader {
  std::size_t keyword = 0;
  bool block = false;  // the body starts with `{`
  std::uint64_t inline_end = 0;
};

// What the walk needs to know about the whole script before it starts. The sets of
// names are flags by name id.
struct PreScan {
  enum : std::uint8_t {
    kTypeName = 1,      // type_names: follows `class` or `interface`
    kFunctionName = 2,  // function_names
    kDotName = 4,       // dot_names: follows a `.`
    // Words the walk tests by their text, flagged once here so that no token's text
    // is compared.
    kForWord = 8,          // for
    kSixtyFourBit = 16,    // int64, uint64
    kModifier = 32,        // final, const, override
    kOperatorMethod = 64,  // opAdd, opEquals and the other operator method names
  };
  BigVector<std::uint8_t> name_flags;  // by name id
  BigVector<Implementation> implementations;
  BigVector<ForHeader> for_headers;  // by keyword index, ascending

  bool has(NameId id, std::uint8_t flag) const {
    return id < name_flags.size() && (name_flags[id] & flag) != 0;
  }
  // is_type_name of token i: a built-in type word, or a name declared by a class or
  // interface header anywhere in the script.
  bool is_type_name(const TokenList& tokens, std::size_t i) const {
    const TokenKind k = tokens.kind(i);
    return k == TokenKind::TypeKw || (k == TokenKind::Ident && has(tokens.name_id(i), kTypeName));
  }
  // The implementations whose class is `name`, in order, as indices.
  std::span<const std::uint32_t> implementations_of(NameId name) const;

  // By class name id: where its implementations start in implementations_by_class.
  BigVector<std::uint32_t> implementations_start;
  BigVector<std::uint32_t> implementations_by_class;
};

PreScan prescan(const TokenList& tokens);

// The name position after a type at index t: one optional `@`, then any number of
// empty `[]` pairs (each only while a token follows it).
inline std::size_t name_position(const TokenList& tokens, std::size_t t) {
  std::size_t j = t + 1;
  if (tokens.is(t + 1, TokenKind::At)) j = t + 2;
  while (tokens.is(j, TokenKind::LBracket) && tokens.is(j + 1, TokenKind::RBracket) &&
         j + 2 < tokens.size())
    j += 2;
  return j;
}

}  // namespace linter
