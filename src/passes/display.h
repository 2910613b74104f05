#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "symbols/context.h"

namespace linter {

// 32-bit FNV-1a, continuing from hash (start with kFnvBasis).
inline constexpr std::uint32_t kFnvBasis = 0x811C9DC5u;
std::uint32_t fnv1a(std::string_view bytes, std::uint32_t hash = kFnvBasis);

// Eight lowercase hexadecimal digits.
void append_hex8(std::string& out, std::uint32_t value);

// How a name appears in warnings and dumps: itself, or with debug its hash.
void append_display(std::string& out, std::string_view name, bool debug);
void append_display(std::string& out, const ContextName& ctx, bool debug);
std::string display_name(std::string_view name, bool debug);

}  // namespace linter
