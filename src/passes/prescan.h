#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
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

// What the walk needs to know about the whole script before it starts.
struct PreScan {
  std::unordered_set<std::string_view> type_names;
  std::unordered_set<std::string_view> function_names;
  std::vector<Implementation> implementations;
  std::unordered_set<std::string_view> dot_names;
  // Indices into implementations, per class name, in order.
  std::unordered_map<std::string_view, std::vector<std::size_t>> implementations_of;
  std::vector<ForHeader> for_headers;  // by keyword index, ascending

  // A built-in type word, or a name declared by a class or interface header.
  bool is_type_name(const TokenList& tokens, std::size_t i) const {
    TokenKind k = tokens.kind(i);
    return k == TokenKind::TypeKw ||
           (k == TokenKind::Ident && type_names.count(tokens.text(i)) != 0);
  }
};

PreScan prescan(const TokenList& tokens);

// The name position after a type at index t: one optional `@`, then any number of
// empty `[]` pairs.
std::size_t name_position(const TokenList& tokens, std::size_t t);

}  // namespace linter
