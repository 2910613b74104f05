// The pre-scan against a plain reference: one simple pass per question, the way the
// answers are defined, checked on hand-picked scripts and on random token soups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "lex_helper.h"
#include "passes/prescan.h"

namespace linter {
namespace {

using K = TokenKind;

TokenList lex(const std::string& text) { return lex_text(text); }

bool is_word(const TokenList& t, std::size_t i, std::string_view word) {
  return is_name_kind(t.kind(i)) && t.text(i) == word;
}

struct Expected {
  std::vector<std::uint8_t> flags;  // kTypeName, kFunctionName and kDotName only
  std::vector<std::size_t> implementations;  // token index of each pair's class name
  std::vector<ForHeader> headers;
};

// A statement end for a body starting at b: the first `;` (ending past it) or `}`
// (ending at it) from b on whose depth before it equals the depth before b.
std::uint64_t statement_end(const TokenList& t, std::size_t b) {
  std::int64_t depth = 0;
  for (std::size_t k = b; k < t.size(); ++k) {
    if (depth == 0 && t.kind(k) == K::Semicolon) return k + 1;
    if (depth == 0 && t.kind(k) == K::RBrace) return k;
    if (t.kind(k) == K::LBrace) ++depth;
    if (t.kind(k) == K::RBrace) --depth;
  }
  return t.size();
}

Expected reference(const TokenList& t) {
  const std::size_t n = t.size();
  Expected e;
  e.flags.assign(t.name_count(), 0);
  for (std::size_t k = 0; k + 1 < n; ++k)
    if ((t.kind(k) == K::Class || t.kind(k) == K::Interface) && t.kind(k + 1) == K::Ident)
      e.flags[t.name_id(k + 1)] |= PreScan::kTypeName;
  for (std::size_t k = 0; k < n; ++k) {
    bool type = t.kind(k) == K::TypeKw ||
                (t.kind(k) == K::Ident && (e.flags[t.name_id(k)] & PreScan::kTypeName));
    if (!type) continue;
    std::size_t j = name_position(t, k);
    if (j + 1 < n && t.kind(j) == K::Ident && t.kind(j + 1) == K::LParen)
      e.flags[t.name_id(j)] |= PreScan::kFunctionName;
  }
  for (std::size_t k = 0; k + 3 < n; ++k)
    if (t.kind(k) == K::Class && t.kind(k + 1) == K::Ident && t.kind(k + 2) == K::Colon &&
        t.kind(k + 3) == K::Ident && (e.flags[t.name_id(k + 3)] & PreScan::kTypeName))
      e.implementations.push_back(k + 1);
  for (std::size_t k = 0; k + 1 < n; ++k)
    if (t.kind(k) == K::Dot && t.kind(k + 1) == K::Ident)
      e.flags[t.name_id(k + 1)] |= PreScan::kDotName;
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (t.kind(k) != K::Keyword || !is_word(t, k, "for") || t.kind(k + 1) != K::LParen) continue;
    ForHeader h;
    h.keyword = k;
    std::size_t close = k + 1;
    for (std::int64_t parens = 0; close < n; ++close) {
      if (t.kind(close) == K::LParen) ++parens;
      if (t.kind(close) == K::RParen && --parens == 0) break;
    }
    const std::size_t body = close + 1;  // n + 1 when the header never closes
    if (body < n && t.kind(body) == K::LBrace) {
      h.block = true;
    } else {
      h.inline_end = body >= n ? body : statement_end(t, body);
    }
    e.headers.push_back(h);
  }
  return e;
}

void expect_same(const std::string& text) {
  TokenList t = lex(text);
  PreScan pre = prescan(t);
  Expected e = reference(t);
  ASSERT_EQ(pre.name_flags.size(), e.flags.size()) << text;
  constexpr std::uint8_t kSets = PreScan::kTypeName | PreScan::kFunctionName | PreScan::kDotName;
  for (std::size_t id = 0; id < e.flags.size(); ++id)
    EXPECT_EQ(pre.name_flags[id] & kSets, e.flags[id]) << t.name(NameId(id)) << " in: " << text;

  ASSERT_EQ(pre.implementations.size(), e.implementations.size()) << text;
  for (std::size_t k = 0; k < e.implementations.size(); ++k) {
    EXPECT_EQ(pre.implementations[k].class_id, t.name_id(e.implementations[k])) << text;
    EXPECT_EQ(pre.implementations[k].interface_id, t.name_id(e.implementations[k] + 2)) << text;
  }
  // Every name's run lists exactly its pairs, in order.
  for (NameId id = 0; id < t.name_count(); ++id) {
    std::vector<std::uint32_t> want;
    for (std::size_t k = 0; k < pre.implementations.size(); ++k)
      if (pre.implementations[k].class_id == id) want.push_back(std::uint32_t(k));
    std::span<const std::uint32_t> got = pre.implementations_of(id);
    EXPECT_EQ(std::vector<std::uint32_t>(got.begin(), got.end()), want) << text;
  }

  ASSERT_EQ(pre.for_headers.size(), e.headers.size()) << text;
  for (std::size_t k = 0; k < e.headers.size(); ++k) {
    EXPECT_EQ(pre.for_headers[k].keyword, e.headers[k].keyword) << text;
    EXPECT_EQ(pre.for_headers[k].block, e.headers[k].block) << text;
    if (!e.headers[k].block) {
      EXPECT_EQ(pre.for_headers[k].inline_end, e.headers[k].inline_end) << text;
    }
  }
}

TEST(PreScanNames, TypeFunctionAndDotNames) {
  expect_same("class A { }  interface I { }  int f(); A g(); A@ h(); A[][] k(); B m(); x.y; x.A;");
  // A return type declared only further down still makes a function name.
  expect_same("Late make(); Late@ more(); class Late { }");
  // A name at the very end, and types with nothing after them.
  expect_same("int a; A b; class A");
  expect_same("int");
  expect_same("x.");
  expect_same("int f(");
}

TEST(PreScanNames, ImplementationsNeedATypeAfterTheColon) {
  expect_same("class A : I { } interface I { } class B : Nothing { } class C : I, J { }"
              "class A : J {} interface J {} interface K : I {}");
  expect_same("class A :");
  expect_same("class A : I");
}

TEST(PreScanNames, WordsTheWalkTestsAreFlagged) {
  TokenList t = lex("for int64 uint64 final const override int forx");
  PreScan pre = prescan(t);
  EXPECT_TRUE(pre.has(t.name_id(0), PreScan::kForWord));
  EXPECT_TRUE(pre.has(t.name_id(1), PreScan::kSixtyFourBit));
  EXPECT_TRUE(pre.has(t.name_id(2), PreScan::kSixtyFourBit));
  for (std::size_t i : {3, 4, 5}) EXPECT_TRUE(pre.has(t.name_id(i), PreScan::kModifier));
  for (std::size_t i : {6, 7}) EXPECT_EQ(pre.name_flags[t.name_id(i)], 0);
}

TEST(PreScanForHeaders, BlockAndInlineBodies) {
  expect_same("for (int i = 0; i < 3; i++) { x; }");
  expect_same("for (;;) x = 1; y;");
  expect_same("for (;;) ;");
  expect_same("{ for (;;) } y;");
  expect_same("for (;;) if (a) { b; c; } d;");
  expect_same("for (;;) { } for (;;) x;");
}

TEST(PreScanForHeaders, NestedAndUnclosedHeaders) {
  // Headers inside headers, and bodies that end together.
  expect_same("for (for (for (;;) a;;) b;;) c; d;");
  expect_same("for (a; (b); (c(d))) for (;;) for (;;) e; f;");
  expect_same("for ((;;) x;");
  expect_same("for (");
  expect_same("for (;;)");
  expect_same("for");
  expect_same("x ) ) for (a) ) b;");
}

TEST(PreScanForHeaders, StrayBracesAroundBodies) {
  expect_same("} } for (;;) } x;");
  expect_same("for (;;) { } } ;");
  expect_same("for (;;) a { b; } c; }");
  expect_same("for (;;) { { for (;;) } x; } }");
  expect_same("{ { { for (;;) x");
}

// Random soups of the tokens the pre-scan cares about, and a few it does not.
TEST(PreScanRandom, MatchesTheReference) {
  const std::vector<std::string> words = {
      "for", "(", ")", "{", "}", ";", ".", "class", "interface", ":", "@", "[", "]", "int",
      "int64", "A", "B", "f", "x", "=", ",", "if", "const", "while"};
  std::mt19937 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    std::size_t length = rng() % (round % 3 == 0 ? 400 : 60);
    for (std::size_t k = 0; k < length; ++k) {
      text += words[rng() % words.size()];
      text += ' ';
    }
    expect_same(text);
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace linter
