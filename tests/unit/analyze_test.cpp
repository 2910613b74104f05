// Whole-analysis properties that the golden cases do not pin down: the order of the
// warnings when they are produced out of line order, and the same findings whether
// the walk's effects are applied on its own thread or on a second one.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "lexer/lexer.h"
#include "output.h"
#include "passes/analyze.h"
#include "passes/effects.h"

namespace linter {
namespace {

std::vector<std::string> lines(const AnalysisResult& r) {
  std::vector<std::string> out;
  for (const Warning& w : r.warnings)
    out.push_back(std::to_string(w.line) + " " + std::string(r.warnings.message(w)));
  return out;
}

std::vector<std::string> report(const std::string& text) {
  Output diagnostics;
  TokenList tokens = tokenize(text, diagnostics);
  return lines(analyze(tokens, false));
}

// f's locals are reported when f closes, a and f themselves only at the end: line 2's
// warnings come first, and those on one line keep the order they were made in.
std::string out_of_order(std::size_t blank_lines) {
  return "int a;\n" + std::string(blank_lines, '\n') + "void f() { int b; int c; }\n";
}

TEST(AnalyzeOrder, ByLineThenAsProduced) {
  // Also with many lines for few warnings: the order must not depend on how they are
  // ranked.
  for (std::size_t blank : {std::size_t{0}, std::size_t{200000}}) {
    const std::string f = std::to_string(blank + 2);
    EXPECT_EQ(report(out_of_order(blank)),
              (std::vector<std::string>{"1 [global] Unused variable 'a'",
                                        f + " [f] Unused variable 'b'",
                                        f + " [f] Unused variable 'c'",
                                        f + " [global] Unused function 'f'"}))
        << blank;
  }
}

TEST(AnalyzeOrder, MembersAfterScopesOnTheSameLine) {
  // Scope warnings are made during the walk, member warnings after it.
  EXPECT_EQ(report("class K { int m; void g(int p) { } }\nint z;\n"),
            (std::vector<std::string>{"1 [K::g] Parameter 'p' is never read",
                                      "1 [K] Unused member variable: 'm'",
                                      "1 [K] Unused member function: 'g'",
                                      "2 [global] Unused variable 'z'"}));
}

// The walk on one thread with the tables on another, against both on this one.
void expect_same_on_two_threads(const std::string& text) {
  Output diagnostics;
  TokenList tokens = tokenize(text, diagnostics);
  EXPECT_EQ(lines(analyze(tokens, false, 0)), lines(analyze(tokens, false, SIZE_MAX))) << text;
}

// Everything the walk hands to the tables: classes and interfaces with bases and
// members, inherited reads, destructors, operator methods, parameters that shadow,
// reads, writes and calls, dots, 64-bit types, for scopes with and without braces,
// prototypes, and stray braces.
const std::vector<std::string> kPieces = {
    "class A : I { int m; void g(int m) { m = 1; n; } ~A() { int q; } }",
    "interface I { void h(); }", "class B : A { void k() { m; h(); g(2); } int opAdd; }",
    "int64 big;", "void f(int a, string b = g(1, 2)) { int a; a = b; }", "f(3);", "x.m;",
    "int x = 1;", "x = 2;", "for (int i = 0; i < 3; i++) x = i;", "for (;;) { int i; }",
    "{", "}", "}", "~Z() { }", "void p(int v);", "int f;", "f = 1;", "A@ h;", "int[] arr;",
    "uint64 u(int64 w) { return w; }", "class C { C() { } int c; void c2() const { c; } }",
    "if (x) { int y; y = x; }", "dictionary d;", "m;", "n = m;", "g;", "k = g;",
};

TEST(AnalyzeTwoThreads, SameWarningsAsOneThread) {
  std::mt19937 rng(20261208);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    for (std::size_t k = rng() % 40; k > 0; --k) text += kPieces[rng() % kPieces.size()] + '\n';
    expect_same_on_two_threads(text);
    if (HasFailure()) return;
  }
}

// Long enough for the queue between the threads to fill and wrap around many times.
TEST(AnalyzeTwoThreads, LongScriptsThroughAFullQueue) {
  std::mt19937 rng(7);
  std::string text;
  for (int k = 0; k < 60000; ++k) text += kPieces[rng() % kPieces.size()] + '\n';
  expect_same_on_two_threads(text);
}

}  // namespace
}  // namespace linter

namespace linter {
namespace {

// Context names are kept in chunks that double in size: every id, across the chunks'
// borders, gives back what was added under it.
TEST(ContextLogChunks, EveryIdGivesBackItsEntry) {
  Output diag;
  TokenList tokens = tokenize(std::string_view("a b c d e f g h"), diag);
  ASSERT_EQ(tokens.name_count(), 8u);
  const std::size_t count = 200000;  // into the sixth chunk
  ContextLog log(tokens, count);
  const std::string_view seps[] = {"", "::", "::~"};
  auto head = [](std::size_t k) { return NameId(k % 8); };
  auto tail = [](std::size_t k) { return k % 3 == 0 ? kNoName : NameId(k / 8 % 8); };
  for (std::size_t k = 0; k < count; ++k)
    ASSERT_EQ(log.add(head(k), seps[k % 3], tail(k)), k);
  EXPECT_THROW(log.add(0, "", 0), std::length_error);
  for (std::size_t k = 0; k < count; ++k) {
    const ContextName ctx = log[std::uint32_t(k)];
    ASSERT_EQ(ctx.head, tokens.name(head(k))) << k;
    ASSERT_EQ(ctx.sep, seps[k % 3]) << k;
    ASSERT_EQ(ctx.tail, tail(k) == kNoName ? std::string_view() : tokens.name(tail(k))) << k;
  }
}

}  // namespace
}  // namespace linter
