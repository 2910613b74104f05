#include "lexer/unicode.h"

#include <cstdint>

namespace linter {
namespace {

#include "lexer/unicode_tables.inc"

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool lookup(char32_t c, unsigned property) {
    if (c > kMaxCodePoint) return false;
    const auto& block = kUnicodeBlocks[kUnicodeStage1[c >> kUnicodeBlockShift]][property];
    const std::uint64_t word = block[(c >> 6) & (kUnicodeWordsPerBlock - 1)];
    return (word >> (c & 63)) & 1;
}

}  // namespace

bool is_white_space(char32_t c) {
    if (c < 0x80) return c == U' ' || (c >= U'\t' && c <= U'\r');
    return lookup(c, kWhiteSpace);
}

bool is_alphabetic(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= U'a' && (c | 0x20) <= U'z';
    return lookup(c, kAlphabetic);
}

bool is_numeric(char32_t c) {
    if (c < 0x80) return c >= U'0' && c <= U'9';
    return lookup(c, kNumeric);
}

}  // namespace linter
