// Whole-analysis properties that the golden cases do not pin down: the order of the
// warnings when they are produced out of line order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lex_helper.h"
#include "passes/analyze.h"

namespace linter {
namespace {

std::vector<std::string> lines(const AnalysisResult& r) {
  std::vector<std::string> out;
  for (const Warning& w : r.warnings)
    out.push_back(std::to_string(w.line) + " " + std::string(r.warnings.message(w)));
  return out;
}

std::vector<std::string> report(const std::string& text) {
  TokenList tokens = lex_text(text);
  return lines(analyze(tokens, false));
}

// f's locals are reported when f closes, a and f themselves only at the end: line 2's
// warnings come first, and those on one line keep the order they were made in.
std::string out_of_order(std::size_t blank_lines) {
  return "int a;\n" + std::string(blank_lines, '\n') + "void f() { int b; int c; }\n";
}

TEST(AnalyzeOrder, ByLineThenAsProduced) {
  // Also with many lines for few warnings.
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

// Each warning names its context and its subject apart from its text, so that an
// editor can mark the subject on the line without reading the text back.
TEST(AnalyzeFindings, ContextAndSubjectOfEveryForm) {
  TokenList tokens = lex_text(
      "int64 big;\n"
      "interface I { void h(); }\n"
      "class K : I { int m; void h() { } void g(int m) { int z; } ~K() { } }\n"
      "void f(int q) { int v; v = 1; int f; }\n");
  AnalysisResult r = analyze(tokens, false);
  std::vector<std::string> got;
  for (const Warning& w : r.warnings)
    got.push_back(std::string(r.warnings.context(w)) + "|" + std::string(r.warnings.subject(w)));
  EXPECT_EQ(got, (std::vector<std::string>{
                     "global|int64", "global|big", "I|h", "K::g|m", "K::g|z", "K::g|m", "K|m",
                     "K|h", "K|g", "K|~K", "f|f", "f|v", "f|f", "f|q", "global|f"}));
  for (const Warning& w : r.warnings) {
    const std::string_view text = r.warnings.message(w);
    EXPECT_EQ(text.substr(w.context + 1, 2), "] ") << text;
  }
}

}  // namespace
}  // namespace linter
