#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "lsp/positions.h"

namespace linter::lsp {

// An editor lists at most this many problems for a document, the report's first.
inline constexpr std::size_t kMaxDiagnostics = 10000;

// The linter's findings on a document's text as the protocol's diagnostics, a JSON
// array: one per report warning (severity Warning), in report order, on the name it
// is about; then one per lexical warning (severity Information), on its line. Written
// out directly: a large script has thousands, and a tree of JSON values for them cost
// more than linting it.
std::string diagnostics(std::string_view text, Encoding encoding);

// Appends text as a JSON string, quoted and escaped.
void append_json_string(std::string& out, std::string_view text);

}  // namespace linter::lsp
