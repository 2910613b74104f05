// Symbol table lookups, scope closing and the reports of closed scopes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "lex_helper.h"
#include "passes/analyze.h"
#include "passes/scope_reports.h"
#include "symbols/scope_stack.h"
#include "symbols/symbol_table.h"

namespace linter {
namespace {

// Name ids for the names the tests use, as the lexer would hand them out.
NameId id(std::string_view name) {
  static std::vector<std::string> names;
  for (std::size_t k = 0; k < names.size(); ++k)
    if (names[k] == name) return NameId(k);
  names.emplace_back(name);
  return NameId(names.size() - 1);
}

Symbol sym(std::string_view name, std::uint64_t line, SymbolKind kind = SymbolKind::Variable,
           bool used = false, bool read = false) {
  return Symbol{name, line, used, read, kind, id(name)};
}

Scope pop(SymbolTable& table) {
  Scope out;
  EXPECT_TRUE(table.pop_scope(out));
  return out;
}

std::vector<std::string> texts(const WarningList& warnings) {
  std::vector<std::string> out;
  for (const Warning& w : warnings) out.push_back(std::string(warnings.message(w)));
  return out;
}

std::vector<std::uint64_t> lines(const WarningList& warnings) {
  std::vector<std::uint64_t> out;
  for (const Warning& w : warnings) out.push_back(w.line);
  return out;
}

ScopeFrame frame(ContextName ctx, std::uint64_t depth = 0, ScopeKind kind = ScopeKind::Block) {
  return ScopeFrame{std::nullopt, ctx, depth, kind};
}

// --- lookups -------------------------------------------------------------------------

TEST(SymbolTableLookup, FreshTableRecordsReadMissesOnly) {
  SymbolTable table;
  EXPECT_EQ(table.scope_count(), 1u);
  EXPECT_FALSE(table.was_unresolved(id("x")));
  EXPECT_FALSE(table.mark_written(id("w")));
  EXPECT_FALSE(table.was_unresolved(id("w")));
  EXPECT_FALSE(table.resolve(id("x")));
  EXPECT_TRUE(table.was_unresolved(id("x")));
  EXPECT_FALSE(table.was_unresolved(id("w")));
  // Byte-exact keys.
  EXPECT_FALSE(table.was_unresolved(id("X")));
  EXPECT_FALSE(table.was_unresolved(id("x ")));
}

TEST(SymbolTableLookup, UnresolvedOnlyGrows) {
  SymbolTable table;
  EXPECT_FALSE(table.resolve(id("late")));
  table.declare(sym("late", 3));
  EXPECT_TRUE(table.resolve(id("late")));
  EXPECT_TRUE(table.was_unresolved(id("late")));
  // A hit records nothing.
  table.declare(sym("hit", 4));
  EXPECT_TRUE(table.resolve(id("hit")));
  EXPECT_FALSE(table.was_unresolved(id("hit")));
}

TEST(SymbolTableLookup, NameOfClosedScopeIsUnresolved) {
  SymbolTable table;
  table.open_scope();
  table.declare(sym("gone", 2));
  pop(table);
  EXPECT_FALSE(table.mark_written(id("gone")));
  EXPECT_FALSE(table.was_unresolved(id("gone")));
  EXPECT_FALSE(table.resolve(id("gone")));
  EXPECT_TRUE(table.was_unresolved(id("gone")));
}

TEST(SymbolTableLookup, SameScopeDuplicatesMarkOnlyTheFirst) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.declare(sym("x", 2));
  EXPECT_TRUE(table.resolve(id("x")));
  EXPECT_TRUE(table.resolve(id("x")));
  Scope s = pop(table);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].line, 1u);
  EXPECT_TRUE(s[0].used);
  EXPECT_TRUE(s[0].read);
  EXPECT_FALSE(s[1].used);
  EXPECT_FALSE(s[1].read);
}

TEST(SymbolTableLookup, SameScopeDuplicatesWriteOnlyTheFirst) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.declare(sym("y", 2));
  table.declare(sym("x", 3));
  EXPECT_TRUE(table.mark_written(id("x")));
  Scope s = pop(table);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_TRUE(s[0].used);
  EXPECT_FALSE(s[1].used);
  EXPECT_FALSE(s[2].used);
}

TEST(SymbolTableLookup, InnerDeclarationHidesOuter) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.open_scope();
  table.declare(sym("x", 2));
  EXPECT_TRUE(table.resolve(id("x")));
  Scope inner = pop(table);
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_TRUE(inner[0].used && inner[0].read);
  Scope outer = pop(table);
  ASSERT_EQ(outer.size(), 1u);
  EXPECT_FALSE(outer[0].used);
  EXPECT_FALSE(outer[0].read);
}

TEST(SymbolTableLookup, OuterFoundAgainAfterInnerCloses) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.open_scope();
  table.declare(sym("x", 2));
  table.declare(sym("x", 3));
  pop(table);
  EXPECT_TRUE(table.resolve(id("x")));
  EXPECT_FALSE(table.was_unresolved(id("x")));
  Scope outer = pop(table);
  ASSERT_EQ(outer.size(), 1u);
  EXPECT_TRUE(outer[0].used && outer[0].read);
}

TEST(SymbolTableLookup, MiddleScopeWithoutTheNameIsSkipped) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.open_scope();
  table.declare(sym("y", 2));
  table.open_scope();
  table.declare(sym("x", 3));
  table.open_scope();
  EXPECT_TRUE(table.resolve(id("x")));
  pop(table);
  Scope third = pop(table);
  EXPECT_TRUE(third[0].read);
  Scope second = pop(table);
  EXPECT_FALSE(second[0].used);
  Scope first = pop(table);
  EXPECT_FALSE(first[0].used);
}

TEST(SymbolTableLookup, ReopenedLevelSeesOnlyItsOwnDeclarations) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.open_scope();
  table.declare(sym("x", 2));
  pop(table);
  table.open_scope();
  table.declare(sym("y", 3));
  EXPECT_TRUE(table.resolve(id("x")));  // the file-level x, not the closed one
  table.open_scope();
  table.declare(sym("x", 4));
  EXPECT_TRUE(table.mark_written(id("x")));
  Scope innermost = pop(table);
  EXPECT_TRUE(innermost[0].used);
  EXPECT_FALSE(innermost[0].read);
  pop(table);
  Scope file = pop(table);
  EXPECT_TRUE(file[0].used && file[0].read);
}

TEST(SymbolTableLookup, MarkWrittenSetsUsedOnly) {
  SymbolTable table;
  table.declare(sym("w", 1));
  table.declare(sym("r", 2));
  EXPECT_TRUE(table.mark_written(id("w")));
  EXPECT_TRUE(table.resolve(id("r")));
  EXPECT_TRUE(table.mark_written(id("r")));  // read stays set
  Scope s = pop(table);
  EXPECT_TRUE(s[0].used);
  EXPECT_FALSE(s[0].read);
  EXPECT_TRUE(s[1].used);
  EXPECT_TRUE(s[1].read);
}

TEST(SymbolTableLookup, LookupIsCaseAndByteExact) {
  SymbolTable table;
  table.declare(sym("Count", 1));
  EXPECT_FALSE(table.resolve(id("count")));
  EXPECT_FALSE(table.resolve(id("Count2")));
  EXPECT_FALSE(table.resolve(id("Coun")));
  Scope s = pop(table);
  EXPECT_FALSE(s[0].used);
}

TEST(SymbolTableFindOuter, SkipsInnermostAndTakesFirstOfNearestOuter) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.open_scope();
  table.declare(sym("y", 2));
  table.declare(sym("x", 3));
  table.declare(sym("x", 4));
  table.open_scope();
  table.declare(sym("x", 5));
  const Symbol* found = table.find_outer(id("x"));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->line, 3u);
  // Finding marks nothing.
  pop(table);
  Scope middle = pop(table);
  EXPECT_FALSE(middle[1].used);
}

TEST(SymbolTableFindOuter, InnermostWithoutTheNameStillSkipped) {
  SymbolTable table;
  table.declare(sym("x", 1));
  table.open_scope();
  table.declare(sym("x", 2));
  table.open_scope();
  const Symbol* found = table.find_outer(id("x"));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->line, 2u);
}

TEST(SymbolTableFindOuter, GapsAndMisses) {
  SymbolTable table;
  table.declare(sym("x", 1));
  EXPECT_EQ(table.find_outer(id("x")), nullptr);  // one scope: nothing is outer
  table.open_scope();
  table.open_scope();
  table.declare(sym("x", 3));
  const Symbol* found = table.find_outer(id("x"));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->line, 1u);
  EXPECT_EQ(table.find_outer(id("z")), nullptr);
  EXPECT_FALSE(table.was_unresolved(id("z")));
  pop(table);
  pop(table);
  EXPECT_EQ(table.find_outer(id("x")), nullptr);
}

TEST(SymbolTableFindOuter, OnlyInnermostHoldsTheName) {
  SymbolTable table;
  table.open_scope();
  table.declare(sym("x", 2));
  table.declare(sym("x", 3));
  EXPECT_EQ(table.find_outer(id("x")), nullptr);
}

// --- ScopeStack ----------------------------------------------------------------------

// Frames share a stored context while it stays the same; each frame must still give
// back its own context, depth, kind and end after any mix of pushes and pops.
TEST(ScopeStack, FramesKeepTheirOwnContextsThroughPushesAndPops) {
  const ContextName a{"A", "", ""}, b{"A", "::", "f"}, c{"A", "::~", "A"};
  ScopeStack stack;
  auto text = [&] { return stack.context(stack.back()).str(); };
  stack.push_back(frame(kGlobalContext));
  stack.push_back(frame(a, 1));
  stack.push_back(frame(a, 2));
  stack.push_back(ScopeFrame{7, b, 3, ScopeKind::ForInit});
  stack.push_back(frame(b, 4, ScopeKind::Params));
  EXPECT_EQ(text(), "A::f");
  EXPECT_EQ(stack.back().depth, 4u);
  EXPECT_EQ(stack.back().kind, ScopeKind::Params);
  EXPECT_FALSE(stack.back().has_inline_end);
  stack.pop_back();
  EXPECT_EQ(text(), "A::f");
  EXPECT_TRUE(stack.back().has_inline_end);
  EXPECT_EQ(stack.back().inline_end, 7u);
  stack.pop_back();
  EXPECT_EQ(text(), "A");
  stack.push_back(frame(c, 3));  // a new context where the popped one was
  EXPECT_EQ(text(), "A::~A");
  stack.push_back(frame(a, 4));  // the same text again, after another
  EXPECT_EQ(text(), "A");
  stack.pop_back();
  stack.pop_back();
  EXPECT_EQ(text(), "A");
  EXPECT_EQ(stack.back().depth, 2u);
  stack.pop_back();
  stack.pop_back();
  EXPECT_EQ(text(), "global");
  stack.pop_back();
  EXPECT_TRUE(stack.empty());
  // 100,000 nested frames of one context, then back down.
  for (std::uint64_t d = 0; d < 100000; ++d) stack.push_back(frame(d % 2 ? a : b, d));
  for (std::uint64_t d = 100000; d-- > 0;) {
    ASSERT_EQ(stack.back().depth, d);
    ASSERT_EQ(text(), d % 2 ? "A" : "A::f");
    stack.pop_back();
  }
  EXPECT_TRUE(stack.empty());
}

// --- close_scope ---------------------------------------------------------------------

TEST(CloseScope, EmptyStackDoesNothing) {
  SymbolTable table;
  table.declare(sym("g", 1));
  ScopeStack stack;
  WarningList warnings;
  close_scope(false, table, stack, warnings);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(table.scope_count(), 1u);
  EXPECT_TRUE(stack.empty());
}

TEST(CloseScope, EachCloseReportsOneScopeUnderItsFramesContext) {
  SymbolTable table;
  table.declare(sym("g", 1));
  table.open_scope();
  table.declare(sym("n", 4));
  ScopeStack stack{frame(kGlobalContext), frame(ContextName{"K", "::", "m"}, 2)};
  WarningList warnings;

  close_scope(false, table, stack, warnings);
  EXPECT_EQ(texts(warnings), std::vector<std::string>{"[K::m] Unused variable 'n'"});
  EXPECT_EQ(lines(warnings), std::vector<std::uint64_t>{4});
  EXPECT_EQ(table.scope_count(), 1u);
  EXPECT_EQ(stack.size(), 1u);

  close_scope(false, table, stack, warnings);
  EXPECT_EQ(texts(warnings),
            (std::vector<std::string>{"[K::m] Unused variable 'n'", "[global] Unused variable 'g'"}));
  EXPECT_EQ(table.scope_count(), 0u);
  EXPECT_TRUE(stack.empty());

  close_scope(false, table, stack, warnings);
  EXPECT_EQ(warnings.size(), 2u);
}

TEST(CloseScope, DebugHashesContextAndName) {
  SymbolTable table;
  table.open_scope();
  table.declare(sym("n", 4));
  ScopeStack stack{frame(kGlobalContext), frame(ContextName{"K", "::", "m"}, 2)};
  WarningList warnings;
  close_scope(true, table, stack, warnings);
  EXPECT_EQ(texts(warnings), std::vector<std::string>{"[9993fa09] Unused variable 'eb0c3431'"});
}

TEST(CloseScope, FrameKindDoesNotChangeTheReport) {
  SymbolTable table;
  table.open_scope();
  table.declare(sym("p", 7, SymbolKind::Parameter));
  ScopeStack stack{frame(kGlobalContext), frame(ContextName{"f", "", ""}, 1, ScopeKind::Params)};
  WarningList warnings;
  warnings.push_back("earlier", 99);
  close_scope(false, table, stack, warnings);
  EXPECT_EQ(texts(warnings),
            (std::vector<std::string>{"earlier", "[f] Parameter 'p' is never read"}));
}

TEST(CloseScope, DesyncedStacksStopWithTheInternalError) {
  SymbolTable table;
  Scope drop;
  ASSERT_TRUE(table.pop_scope(drop));
  ScopeStack stack{frame(kGlobalContext)};
  WarningList warnings;
  try {
    close_scope(false, table, stack, warnings);
    FAIL() << "expected the internal error";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(),
                 "scope_stack and scopes.scopes desynced: stack had entry but scopes was empty");
  }
  EXPECT_TRUE(warnings.empty());
}

// --- report_scope --------------------------------------------------------------------

std::vector<std::string> report(const Scope& scope, ContextName ctx = kGlobalContext,
                                bool debug = false) {
  WarningList warnings;
  report_scope(scope, ctx, debug, warnings);
  return texts(warnings);
}

TEST(ReportScope, EmptyScopeAddsNothing) {
  WarningList warnings;
  warnings.push_back("keep", 1);
  report_scope(Scope{}, kGlobalContext, false, warnings);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings.message(warnings[0]), "keep");
}

TEST(ReportScope, Variables) {
  Scope s{sym("a", 1), sym("b", 2, SymbolKind::Variable, true, false),
          sym("c", 3, SymbolKind::Variable, true, true)};
  EXPECT_EQ(report(s), (std::vector<std::string>{"[global] Unused variable 'a'",
                                                 "[global] Variable 'b' is written but never read"}));
}

TEST(ReportScope, FunctionsAndTheMainExemption) {
  Scope s{sym("main", 1, SymbolKind::Function),
          sym("Main", 2, SymbolKind::Function),
          sym("main2", 3, SymbolKind::Function),
          sym("_main", 4, SymbolKind::Function),
          sym("used_not_read", 5, SymbolKind::Function, true, false),
          sym("used", 6, SymbolKind::Function, true, true),
          sym("mai", 7, SymbolKind::Function)};
  EXPECT_EQ(report(s), (std::vector<std::string>{"[global] Unused function 'Main'",
                                                 "[global] Unused function 'main2'",
                                                 "[global] Unused function '_main'",
                                                 "[global] Unused function 'mai'"}));
}

TEST(ReportScope, MainExemptionIsForFunctionsOnly) {
  Scope s{sym("main", 1, SymbolKind::Variable), sym("main", 2, SymbolKind::Parameter)};
  EXPECT_EQ(report(s, ContextName{"f", "", ""}),
            (std::vector<std::string>{"[f] Unused variable 'main'",
                                      "[f] Parameter 'main' is never read"}));
}

TEST(ReportScope, ParametersNeedARead) {
  Scope s{sym("unused", 1, SymbolKind::Parameter),
          sym("assigned", 2, SymbolKind::Parameter, true, false),
          sym("read", 3, SymbolKind::Parameter, true, true)};
  EXPECT_EQ(report(s, ContextName{"Player", "::", "move"}),
            (std::vector<std::string>{"[Player::move] Parameter 'unused' is never read",
                                      "[Player::move] Parameter 'assigned' is never read"}));
}

TEST(ReportScope, ClassAndMemberKindsNeverReport) {
  Scope s{sym("C", 1, SymbolKind::Class), sym("mv", 2, SymbolKind::MemberVariable),
          sym("mf", 3, SymbolKind::MemberFunction),
          sym("mv2", 4, SymbolKind::MemberVariable, true, false)};
  EXPECT_TRUE(report(s).empty());
}

TEST(ReportScope, DuplicatesReportedEachWithItsLineInOrder) {
  Scope s{sym("d", 9), sym("e", 2, SymbolKind::Variable, true, true), sym("d", 4)};
  WarningList warnings;
  report_scope(s, kGlobalContext, false, warnings);
  EXPECT_EQ(texts(warnings), (std::vector<std::string>{"[global] Unused variable 'd'",
                                                       "[global] Unused variable 'd'"}));
  // Declaration order, not line order: sorting is the post-walk stage's job.
  EXPECT_EQ(lines(warnings), (std::vector<std::uint64_t>{9, 4}));
}

TEST(ReportScope, DebugHashesBothPlaceholders) {
  Scope s{sym("count", 12), sym("x", 13, SymbolKind::Variable, true, false),
          sym("f", 14, SymbolKind::Function), sym("p", 15, SymbolKind::Parameter)};
  EXPECT_EQ(report(s, kGlobalContext, true),
            (std::vector<std::string>{"[1dff06ae] Unused variable '39b1ddf4'",
                                      "[1dff06ae] Variable 'fd0c5087' is written but never read",
                                      "[1dff06ae] Unused function 'e30c2799'",
                                      "[1dff06ae] Parameter 'f50c43ef' is never read"}));
  EXPECT_EQ(report(Scope{sym("hp", 3, SymbolKind::Parameter)}, ContextName{"K", "::", "m"}, true),
            std::vector<std::string>{"[9993fa09] Parameter '513ad265' is never read"});
  // "main" is exempt by its name, not its hash.
  EXPECT_TRUE(report(Scope{sym("main", 1, SymbolKind::Function)}, kGlobalContext, true).empty());
}

// --- close_remaining_scopes ----------------------------------------------------------

TEST(CloseRemainingScopes, InnermostFirstEachUnderItsOwnContext) {
  SymbolTable table;
  table.declare(sym("g", 1));
  table.open_scope();
  table.declare(sym("q", 1, SymbolKind::Parameter));
  table.open_scope();
  table.declare(sym("a", 1));
  ScopeStack stack{frame(kGlobalContext), frame(ContextName{"f", "", ""}, 1, ScopeKind::Params),
                   frame(ContextName{"f", "", ""}, 1)};
  WarningList warnings;
  close_remaining_scopes(stack, table, false, warnings);
  EXPECT_EQ(texts(warnings), (std::vector<std::string>{"[f] Unused variable 'a'",
                                                       "[f] Parameter 'q' is never read",
                                                       "[global] Unused variable 'g'"}));
  EXPECT_TRUE(stack.empty());
}

TEST(CloseRemainingScopes, SurplusFramesAreDroppedSilently) {
  SymbolTable table;
  table.declare(sym("g", 1));
  table.open_scope();
  table.declare(sym("b", 2));
  // Three frames, two scopes: the innermost two frames take the two scopes.
  ScopeStack stack{frame(ContextName{"outer", "", ""}), frame(ContextName{"mid", "", ""}),
                   frame(ContextName{"top", "", ""})};
  WarningList warnings;
  close_remaining_scopes(stack, table, false, warnings);
  EXPECT_EQ(texts(warnings), (std::vector<std::string>{"[top] Unused variable 'b'",
                                                       "[mid] Unused variable 'g'"}));
  EXPECT_TRUE(stack.empty());
}

TEST(CloseRemainingScopes, SurplusScopesAreDroppedUnreported) {
  SymbolTable table;
  table.declare(sym("g", 1));
  table.open_scope();
  table.declare(sym("b", 2));
  ScopeStack stack{frame(ContextName{"only", "", ""})};
  WarningList warnings;
  close_remaining_scopes(stack, table, false, warnings);
  EXPECT_EQ(texts(warnings), std::vector<std::string>{"[only] Unused variable 'b'"});
}

// --- the walk through analyze ----------------------------------------------------------

AnalysisResult run(const std::string& text, bool debug) {
  TokenList tokens = lex_text(text);
  return analyze(tokens, debug);
}

TEST(AnalyzeWalk, DebugChangesTextsNotFindings) {
  const std::string text =
      "int count;\nclass K {\n  void m(int hp) {\n    int n;\n  }\n}\n"
      "void f(int a) { for (int k = 0; k < a; k++) { int t; } }\n{ int z;\n";
  AnalysisResult plain = run(text, false);
  AnalysisResult debug = run(text, true);
  EXPECT_TRUE(plain.scope_trace.empty());
  EXPECT_FALSE(debug.scope_trace.empty());
  EXPECT_EQ(lines(plain.warnings), lines(debug.warnings));
  EXPECT_EQ(plain.warnings.size(), 7u);
  EXPECT_NE(texts(plain.warnings), texts(debug.warnings));
}

TEST(AnalyzeWalk, StrayClosingBracesKeepTheFileScope) {
  AnalysisResult r = run("}}\nint a;\n}\n{ }\n}\nint b = a;\n", true);
  EXPECT_EQ(texts(r.warnings), std::vector<std::string>{"[1dff06ae] Unused variable 'e70c2de5'"});
  EXPECT_EQ(lines(r.warnings), std::vector<std::uint64_t>{6});
  EXPECT_EQ(r.scope_trace,
            (std::vector<std::string>{"line    4  PUSH Block  depth=1  ctx=1dff06ae  sync=1/1",
                                      "line    4  POP  Block  depth=1  stack_depth=2"}));
}

TEST(AnalyzeWalk, EmptyInputHasNoTraceAndNoWarnings) {
  AnalysisResult r = run("", true);
  EXPECT_TRUE(r.scope_trace.empty());
  EXPECT_TRUE(r.warnings.empty());
}

}  // namespace
}  // namespace linter
