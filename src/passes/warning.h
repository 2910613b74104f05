#pragma once

#include <cstdint>
#include <string>

namespace linter {

// One finding of the analysis: its text without file, line or prefix, and its line.
struct Warning {
  std::string message;
  std::uint64_t line = 0;
};

}  // namespace linter
