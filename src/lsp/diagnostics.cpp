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

void append_position(std::string& out, const Position& p) {
  out += "{\"line\":";
  out += std::to_string(p.line);
  out += ",\"character\":";
  out += std::to_string(p.character);
  out += '}';
}

void append_diagnostic(std::string& out, const Range& range, int severity,
                       std::string_view message) {
  out += "{\"range\":{\"start\":";
  append_position(out, range.start);
  out += ",\"end\":";
  append_position(out, range.end);
  out += "},\"severity\":";
  out += char('0' + severity);
  out += ",\"source\":\"bgt-linter\",\"message\":";
  append_json_string(out, message);
  out += '}';
}

}  // namespace

void append_json_string(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

std::string diagnostics(std::string_view text, Encoding encoding) {
  std::string list = "[";
  // The protocol's texts are valid Unicode and far below the largest script; a text
  // that is not is left without diagnostics rather than linted wrong.
  if (text.size() > kMaxScriptSize || !is_valid_utf8(text)) return list + "]";

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

  list.reserve(tickets.size() * 160);
  std::size_t k = 0;
  for (; k < tickets.size() && k < warnings.size(); ++k) {
    if (k > 0) list += ',';
    append_diagnostic(list, places.range(tickets[k]), 2, warnings.message(warnings[k]));
  }
  for (std::size_t j = 0; k < tickets.size(); ++k, ++j) {
    if (k > 0) list += ',';
    append_diagnostic(list, places.range(tickets[k]), 3, lexical[j].second);
  }
  list += ']';
  return list;
}

}  // namespace linter::lsp
