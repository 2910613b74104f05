#include "lsp/diagnostics.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "lexer/lexer.h"
#include "passes/analyze.h"
#include "utf8.h"

namespace linter::lsp {

namespace {

nlohmann::ordered_json position(const Position& p) {
  return {{"line", p.line}, {"character", p.character}};
}

nlohmann::ordered_json diagnostic(const Range& range, int severity, std::string_view message) {
  return {{"range", {{"start", position(range.start)}, {"end", position(range.end)}}},
          {"severity", severity},
          {"source", "bgt-linter"},
          {"message", message}};
}

}  // namespace

nlohmann::ordered_json diagnostics(std::string_view text, Encoding encoding) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  // The protocol's texts are valid Unicode and far below the largest script; a text
  // that is not is left without diagnostics rather than linted wrong.
  if (text.size() > kMaxScriptSize || !is_valid_utf8(text)) return list;

  std::vector<std::pair<std::uint64_t, std::string>> lexical;
  const TokenList tokens = tokenize(text, [&](std::uint64_t line, std::string_view problem) {
    if (lexical.size() < kMaxDiagnostics) lexical.emplace_back(line, problem);
  });
  const AnalysisResult result = analyze(tokens, false);
  const WarningList& warnings = result.warnings;

  DocumentPositions places(text, encoding);
  std::vector<std::size_t> tickets;
  for (const Warning& w : warnings) {
    if (tickets.size() == kMaxDiagnostics) break;
    tickets.push_back(places.add(w.line, warnings.subject(w)));
  }
  for (const auto& [line, problem] : lexical) {
    if (tickets.size() == kMaxDiagnostics) break;
    tickets.push_back(places.add(line, {}));
  }
  places.resolve();

  std::size_t k = 0;
  for (; k < tickets.size() && k < warnings.size(); ++k)
    list.push_back(diagnostic(places.range(tickets[k]), 2, warnings.message(warnings[k])));
  for (std::size_t j = 0; k < tickets.size(); ++k, ++j)
    list.push_back(diagnostic(places.range(tickets[k]), 3, lexical[j].second));
  return list;
}

}  // namespace linter::lsp
