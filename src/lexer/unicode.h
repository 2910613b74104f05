#pragma once

namespace linter {

// Unicode character properties the lexer needs, from tables generated from the
// Unicode Character Database (see scripts/gen_unicode_tables.py).
bool is_white_space(char32_t c);  // White_Space
bool is_alphabetic(char32_t c);   // Alphabetic
bool is_numeric(char32_t c);      // general category Nd, Nl or No

}  // namespace linter
