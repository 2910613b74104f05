#pragma once

#include <cstddef>
#include <string_view>

#include <nlohmann/json.hpp>

#include "lsp/positions.h"

namespace linter::lsp {

// An editor lists at most this many problems for a document, the report's first.
inline constexpr std::size_t kMaxDiagnostics = 10000;

// The linter's findings on a document's text as the protocol's diagnostics: one per
// report warning (severity Warning), in report order, on the name it is about; then
// one per lexical warning (severity Information), on its line.
nlohmann::ordered_json diagnostics(std::string_view text, Encoding encoding);

}  // namespace linter::lsp
