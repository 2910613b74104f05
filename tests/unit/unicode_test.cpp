#include "lexer/unicode.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/uversion.h>

#include <cstdio>
#include <functional>
#include <string>

namespace linter {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

std::string hex(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

// Walks the whole code space; reports the first few mismatches rather than a
// million identical failures.
void expect_matches_icu(const char* name, bool (*ours)(char32_t),
                        const std::function<bool(UChar32)>& icu) {
    constexpr int kReportLimit = 10;
    int mismatches = 0;
    for (char32_t c = 0; c <= kMaxCodePoint; ++c) {
        const bool expected = icu(static_cast<UChar32>(c));
        if (ours(c) == expected) continue;
        if (++mismatches <= kReportLimit)
            ADD_FAILURE() << name << " at " << hex(c) << ": ICU says " << expected;
    }
    EXPECT_EQ(mismatches, 0) << name << ": total mismatching code points";
}

// The tables are generated from Unicode 15.0; an ICU on another version would
// report version drift as table bugs.
TEST(UnicodeAgainstIcu, UsesUnicode15) {
    UVersionInfo v;
    u_getUnicodeVersion(v);
    ASSERT_EQ(v[0], 15);
    ASSERT_EQ(v[1], 0);
}

TEST(UnicodeAgainstIcu, WhiteSpace) {
    expect_matches_icu("is_white_space", is_white_space,
                       [](UChar32 c) { return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE) != 0; });
}

TEST(UnicodeAgainstIcu, Alphabetic) {
    expect_matches_icu("is_alphabetic", is_alphabetic,
                       [](UChar32 c) { return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) != 0; });
}

TEST(UnicodeAgainstIcu, Numeric) {
    expect_matches_icu("is_numeric", is_numeric, [](UChar32 c) {
        const auto type = u_charType(c);
        return type == U_DECIMAL_DIGIT_NUMBER || type == U_LETTER_NUMBER ||
               type == U_OTHER_NUMBER;
    });
}

TEST(Unicode, WhiteSpace) {
    EXPECT_TRUE(is_white_space(U' '));
    EXPECT_TRUE(is_white_space(U'\t'));
    EXPECT_TRUE(is_white_space(U'\n'));
    EXPECT_TRUE(is_white_space(0x85));    // NEL
    EXPECT_TRUE(is_white_space(0xA0));    // no-break space
    EXPECT_TRUE(is_white_space(0x2028));  // line separator
    EXPECT_TRUE(is_white_space(0x3000));  // ideographic space
    EXPECT_FALSE(is_white_space(0xFEFF));  // BOM / zero width no-break space
    EXPECT_FALSE(is_white_space(0x200B));  // zero width space
    EXPECT_FALSE(is_white_space(U'a'));
}

TEST(Unicode, Alphabetic) {
    EXPECT_TRUE(is_alphabetic(U'a'));
    EXPECT_TRUE(is_alphabetic(U'Z'));
    EXPECT_TRUE(is_alphabetic(0xE9));     // é
    EXPECT_TRUE(is_alphabetic(0x4E00));   // inside a First/Last range
    EXPECT_TRUE(is_alphabetic(0x2160));   // Roman numeral one: Nl is Alphabetic
    EXPECT_FALSE(is_alphabetic(U'_'));
    EXPECT_FALSE(is_alphabetic(U'@'));    // just below 'A'
    EXPECT_FALSE(is_alphabetic(U'['));    // just above 'Z'
    EXPECT_FALSE(is_alphabetic(U'`'));    // just below 'a'
    EXPECT_FALSE(is_alphabetic(U'{'));    // just above 'z'
    EXPECT_FALSE(is_alphabetic(U'0'));
}

TEST(Unicode, Numeric) {
    for (char32_t c = U'0'; c <= U'9'; ++c) EXPECT_TRUE(is_numeric(c)) << hex(c);
    EXPECT_FALSE(is_numeric(U'/'));
    EXPECT_FALSE(is_numeric(U':'));
    EXPECT_TRUE(is_numeric(0x0660));   // Arabic-Indic digit zero (Nd)
    EXPECT_TRUE(is_numeric(0x2155));   // vulgar fraction one fifth (No)
    EXPECT_TRUE(is_numeric(0x2160));   // Roman numeral one (Nl)
    EXPECT_FALSE(is_numeric(U'a'));
}

TEST(Unicode, OutOfRangeIsFalse) {
    for (char32_t c : {char32_t{0x110000}, char32_t{0x7FFFFFFF}, char32_t{0xFFFFFFFF}}) {
        EXPECT_FALSE(is_white_space(c)) << hex(c);
        EXPECT_FALSE(is_alphabetic(c)) << hex(c);
        EXPECT_FALSE(is_numeric(c)) << hex(c);
    }
}

}  // namespace
}  // namespace linter
