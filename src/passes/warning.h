#pragma once

#include <cstdint>
#include <string>

#include "pages.h"

namespace linter {

// One finding of the analysis: its text without file, line or prefix, and its line.
// (Until the analysis returns, line may hold a token, see kAtToken in symbols/symbol.h.)
struct Warning {
  std::string message;
  std::uint64_t line = 0;
};

using WarningList = PageVector<Warning>;

}  // namespace linter
