#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lexer/token.h"
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
  enum : std::uint8_t { kTypeName = 1, kFunctionName = 2, kDotName = 4 };
  std::vector<std::uint8_t> name_flags;  // by name id
  std::vector<Implementation> implementations;
  // Indices into implementations, per class name, in order.
  std::unordered_map<NameId, std::vector<std::size_t>> implementations_of;
  std::vector<ForHeader> for_headers;  // by keyword index, ascending

  bool has(NameId id, std::uint8_t flag) const {
    return id < name_flags.size() && (name_flags[id] & flag) != 0;
  }
  // A built-in type word, or a name declared by a class or interface header.
  bool is_type_name(const TokenList& tokens, std::size_t i) const {
    TokenKind k = tokens.kind(i);
    return k == TokenKind::TypeKw || (k == TokenKind::Ident && has(tokens.name_id(i), kTypeName));
  }
};

PreScan prescan(const TokenList& tokens);

// The name position after a type at index t: one optional `@`, then any number of
// empty `[]` pairs.
std::size_t name_position(const TokenList& tokens, std::size_t t);

}  // namespace linter
