#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <cstdlib>
#include <string>
#include <vector>

#include "lex_helper.h"
#include "lexer/scan.h"
#include "lexer/token.h"

namespace linter {
namespace {

using K = TokenKind;

struct Lexed {
  TokenList tokens;
  std::string diagnostics;
};

Lexed lex(const std::string& text) {
  std::string problems;
  TokenList tokens = lex_text(text, &problems);
  return {std::move(tokens), problems};
}

std::vector<K> kinds(const TokenList& t) {
  std::vector<K> out;
  for (std::size_t i = 0; i < t.size(); ++i) out.push_back(t.kind(i));
  return out;
}

// Renderings joined by single spaces; DoubleLit has no fixed rendering, so it shows bare.
std::string rendered(const TokenList& t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (i) out += ' ';
    out += t.kind(i) == K::DoubleLit ? std::string("DoubleLit") : t.render(i);
  }
  return out;
}

std::vector<std::uint64_t> lines(const TokenList& t) {
  std::vector<std::uint64_t> out;
  for (std::size_t i = 0; i < t.size(); ++i) out.push_back(t.line(i));
  return out;
}

std::string unknown(int line, const std::string& ch) {
  return "Warning [line " + std::to_string(line) + "]: unknown character '" + ch + "'\n";
}

// ---- token shapes -------------------------------------------------------------------

TEST(LexerBasics, EmptyAndBlankTextYieldNothing) {
  for (std::string text : {"", " ", "\n\n", "\t\r\x0b\x0c", "// only a comment", "/**/"}) {
    Lexed r = lex(text);
    EXPECT_TRUE(r.tokens.empty()) << text;
    EXPECT_EQ(r.diagnostics, "") << text;
  }
}

TEST(LexerBasics, AssignmentStatement) {
  Lexed r = lex("x = 1;");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::Ident, K::Equals, K::IntLit, K::Semicolon}));
  EXPECT_EQ(r.tokens.text(0), "x");
  EXPECT_EQ(r.tokens.int_value(2), 1);
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 1, 1, 1}));
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerBasics, Rendering) {
  Lexed r = lex("while 5 \"a\" true false { x int #include\"p.bgt\" class interface return <<=");
  EXPECT_EQ(rendered(r.tokens),
            "Keyword(\"while\") IntLit(5) StringLit(\"a\") BoolLit(true) BoolLit(false) LBrace "
            "Ident(\"x\") TypeKw(\"int\") Include(\"p.bgt\") Class Interface Return LShiftEq");
}

TEST(LexerBasics, ReleasedSourceKeepsNamesAndRefusesLiterals) {
  Lexed r = lex("x = 7; #include \"a.bgt\"\nname \"s\" 1.5 true");
  r.tokens.release_source();
  EXPECT_EQ(r.tokens.text(0), "x");
  EXPECT_EQ(r.tokens.text(5), "name");
  EXPECT_EQ(r.tokens.line(5), 2u);
  EXPECT_EQ(r.tokens.render(1), "Equals");
  EXPECT_THROW(r.tokens.int_value(2), std::logic_error);
  EXPECT_THROW(r.tokens.text(4), std::logic_error);
  EXPECT_THROW(r.tokens.string_value(6), std::logic_error);
  EXPECT_THROW(r.tokens.double_value(7), std::logic_error);
  EXPECT_THROW(r.tokens.bool_value(8), std::logic_error);
  EXPECT_THROW(r.tokens.render(2), std::logic_error);
}

TEST(LexerBasics, KindNumbersFollowDeclarationOrder) {
  EXPECT_EQ(int(K::IntLit), 0);
  EXPECT_EQ(int(K::Keyword), 9);
  EXPECT_EQ(int(K::Hash), 23);
  EXPECT_EQ(int(K::RShift), 44);
  EXPECT_EQ(int(K::Include), 55);
  EXPECT_EQ(kind_name(K::MinusMinus), "MinusMinus");
  EXPECT_EQ(kind_name(K::RShiftEq), "RShiftEq");
}

// ---- words ---------------------------------------------------------------------------

TEST(LexerWords, ReservedWordsAreExactAndCaseSensitive) {
  Lexed r = lex(
      "int string double int8 int16 short void dictionary uint uint8 uint16 int64 uint64 float "
      "bool");
  ASSERT_EQ(r.tokens.size(), 15u);
  for (std::size_t i = 0; i < r.tokens.size(); ++i) EXPECT_EQ(r.tokens.kind(i), K::TypeKw) << i;
  EXPECT_EQ(r.tokens.text(11), "int64");
  EXPECT_EQ(r.tokens.text(12), "uint64");

  r = lex("if else for while switch case break continue new null");
  ASSERT_EQ(r.tokens.size(), 10u);
  for (std::size_t i = 0; i < r.tokens.size(); ++i) EXPECT_EQ(r.tokens.kind(i), K::Keyword) << i;
  EXPECT_EQ(r.tokens.text(2), "for");
  EXPECT_EQ(r.tokens.text(9), "null");

  r = lex("class interface return true false");
  EXPECT_EQ(rendered(r.tokens), "Class Interface Return BoolLit(true) BoolLit(false)");

  // Other spellings and words outside the lists are plain names.
  r = lex("True FALSE Int WHILE Class Return int32 uint32 char const do default this whilex "
          "int_ _if");
  ASSERT_EQ(r.tokens.size(), 16u);
  for (std::size_t i = 0; i < r.tokens.size(); ++i) EXPECT_EQ(r.tokens.kind(i), K::Ident) << i;
  EXPECT_EQ(r.tokens.text(0), "True");
  EXPECT_EQ(r.tokens.text(13), "whilex");
}

TEST(LexerWords, NonAsciiLettersAndDigitsInsideWords) {
  Lexed r = lex("größe=1;");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"größe\") Equals IntLit(1) Semicolon");
  EXPECT_EQ(r.diagnostics, "");

  // Letters and numerals of any script after the first character; a Roman numeral (Nl) and
  // CJK letters start words too.
  r = lex("x١² _9 名前 Ⅻ a_b2");
  EXPECT_EQ(rendered(r.tokens),
            "Ident(\"x١²\") Ident(\"_9\") Ident(\"名前\") Ident(\"Ⅻ\") Ident(\"a_b2\")");
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerWords, NumeralsThatAreNotAsciiDigitsStartNothing) {
  Lexed r = lex("١a ²");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"a\")");
  EXPECT_EQ(r.diagnostics, unknown(1, "١") + unknown(1, "²"));
}

TEST(LexerWords, EmojiAndFormatCharactersSplitWords) {
  Lexed r = lex("a😀b c\xEF\xBB\xBF" "d e\xE2\x80\x8B" "f");
  EXPECT_EQ(rendered(r.tokens),
            "Ident(\"a\") Ident(\"b\") Ident(\"c\") Ident(\"d\") Ident(\"e\") Ident(\"f\")");
  EXPECT_EQ(r.diagnostics,
            unknown(1, "😀") + unknown(1, "\xEF\xBB\xBF") + unknown(1, "\xE2\x80\x8B"));
}

TEST(LexerWords, UnicodeWhitespaceSeparatesWordsWithoutCountingLines) {
  // NBSP, NEL, line separator, ideographic space, en quad: blanks, but only LF counts.
  Lexed r = lex("a\u00A0b\u0085c\u2028d\u3000e\u2000f\u205Fg\u1680h\ni");
  EXPECT_EQ(r.tokens.size(), 9u);
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 1, 1, 1, 1, 1, 1, 1, 2}));
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerWords, EveryUnicodeBlankSeparates) {
  for (const char* blank : {"\u0085", "\u00A0", "\u1680", "\u2000", "\u2005", "\u200A", "\u2028",
                            "\u2029", "\u202F", "\u205F", "\u3000"}) {
    Lexed r = lex(std::string("a") + blank + "b");
    EXPECT_EQ(rendered(r.tokens), "Ident(\"a\") Ident(\"b\")") << blank;
    EXPECT_EQ(r.diagnostics, "") << blank;
  }
  // Not White_Space: Mongolian vowel separator, zero-width space, word joiner.
  for (const char* other : {"\u180E", "\u200B", "\u2060"}) {
    Lexed r = lex(std::string("a") + other + "b");
    EXPECT_EQ(rendered(r.tokens), "Ident(\"a\") Ident(\"b\")") << other;
    EXPECT_EQ(r.diagnostics, unknown(1, other)) << other;
  }
}

TEST(LexerWords, AlphabeticIsThePropertyNotTheLetterCategories) {
  // Circled letter (So) and combining ypogegrammeni (Mn) are Alphabetic; ordinal ª is Lo.
  Lexed r = lex("\u24B6 \u0345x \u00AA");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"\u24B6\") Ident(\"\u0345x\") Ident(\"\u00AA\")");
  EXPECT_EQ(r.diagnostics, "");
  // The combining acute accent is neither alphabetic nor numeric: it ends the word.
  r = lex("e\u0301");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"e\")");
  EXPECT_EQ(r.diagnostics, unknown(1, "\u0301"));
  // Fractions (No) continue a word.
  r = lex("v\u00BD\u2160");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"v\u00BD\u2160\")");
}

TEST(LexerWords, NulIsAnUnknownCharacter) {
  Lexed r = lex(std::string("a\0b", 3));
  EXPECT_EQ(rendered(r.tokens), "Ident(\"a\") Ident(\"b\")");
  EXPECT_EQ(r.diagnostics, unknown(1, std::string(1, '\0')));
  r = lex(std::string("\"x\0y\"", 5));
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit}));
  EXPECT_EQ(r.tokens.string_value(0), std::string("x\0y", 3));
}

// ---- operators -----------------------------------------------------------------------

TEST(LexerOperators, EverySpelling) {
  Lexed r = lex("! != = == < << <= > >= >> + ++ += - -- -= * *= / /= % %= & && &= | || |= ^ ^= "
                "{ } ( ) [ ] ; , . : @ ~ <<= >>=");
  EXPECT_EQ(kinds(r.tokens),
            (std::vector<K>{K::Bang,      K::BangEq,   K::Equals,    K::EqEq,     K::Lt,
                            K::LShift,    K::LtEq,     K::Gt,        K::GtEq,     K::RShift,
                            K::Plus,      K::PlusPlus, K::PlusEq,    K::Minus,    K::MinusMinus,
                            K::MinusEq,   K::Star,     K::StarEq,    K::Slash,    K::SlashEq,
                            K::Percent,   K::PercentEq, K::BitAnd,   K::And,      K::AndEq,
                            K::BitOr,     K::Or,       K::OrEq,      K::BitXor,   K::XorEq,
                            K::LBrace,    K::RBrace,   K::LParen,    K::RParen,   K::LBracket,
                            K::RBracket,  K::Semicolon, K::Comma,    K::Dot,      K::Colon,
                            K::At,        K::Tilde,    K::LShiftEq,  K::RShiftEq}));
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerOperators, LongestSpellingFirst) {
  EXPECT_EQ(kinds(lex("x=y<<=2;").tokens),
            (std::vector<K>{K::Ident, K::Equals, K::Ident, K::LShiftEq, K::IntLit, K::Semicolon}));
  EXPECT_EQ(kinds(lex("a<<b").tokens), (std::vector<K>{K::Ident, K::LShift, K::Ident}));
  EXPECT_EQ(kinds(lex("a->b").tokens), (std::vector<K>{K::Ident, K::Minus, K::Gt, K::Ident}));
  EXPECT_EQ(kinds(lex("A::b").tokens), (std::vector<K>{K::Ident, K::Colon, K::Colon, K::Ident}));
  EXPECT_EQ(kinds(lex("a>>>b").tokens), (std::vector<K>{K::Ident, K::RShift, K::Gt, K::Ident}));
  EXPECT_EQ(kinds(lex(">>>=").tokens), (std::vector<K>{K::RShift, K::GtEq}));
  EXPECT_EQ(kinds(lex("<<<=").tokens), (std::vector<K>{K::LShift, K::LtEq}));
  EXPECT_EQ(kinds(lex("===").tokens), (std::vector<K>{K::EqEq, K::Equals}));
  EXPECT_EQ(kinds(lex("!==").tokens), (std::vector<K>{K::BangEq, K::Equals}));
  EXPECT_EQ(kinds(lex("+++").tokens), (std::vector<K>{K::PlusPlus, K::Plus}));
  EXPECT_EQ(kinds(lex("---").tokens), (std::vector<K>{K::MinusMinus, K::Minus}));
  EXPECT_EQ(kinds(lex("&&&").tokens), (std::vector<K>{K::And, K::BitAnd}));
  EXPECT_EQ(kinds(lex("|||").tokens), (std::vector<K>{K::Or, K::BitOr}));
  EXPECT_EQ(kinds(lex("<<==").tokens), (std::vector<K>{K::LShiftEq, K::Equals}));
  EXPECT_EQ(kinds(lex("=<").tokens), (std::vector<K>{K::Equals, K::Lt}));
}

TEST(LexerOperators, SpellingsCutShortByTheEndOfInput) {
  EXPECT_EQ(kinds(lex("<<").tokens), (std::vector<K>{K::LShift}));
  EXPECT_EQ(kinds(lex(">>").tokens), (std::vector<K>{K::RShift}));
  EXPECT_EQ(kinds(lex("<").tokens), (std::vector<K>{K::Lt}));
  EXPECT_EQ(kinds(lex("a/").tokens), (std::vector<K>{K::Ident, K::Slash}));
  EXPECT_EQ(kinds(lex("a/b").tokens), (std::vector<K>{K::Ident, K::Slash, K::Ident}));
}

TEST(LexerOperators, CharactersThatAreNoOperator) {
  Lexed r = lex("a?b:c");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"a\") Ident(\"b\") Colon Ident(\"c\")");
  EXPECT_EQ(r.diagnostics, unknown(1, "?"));

  r = lex("$\n'\n`\n\\\n\x01\n\x7f");
  EXPECT_TRUE(r.tokens.empty());
  EXPECT_EQ(r.diagnostics, unknown(1, "$") + unknown(2, "'") + unknown(3, "`") +
                               unknown(4, "\\") + unknown(5, "\x01") + unknown(6, "\x7f"));
}

TEST(LexerOperators, ByteOrderMarkIsAnUnknownCharacter) {
  Lexed r = lex("\xEF\xBB\xBFint x;");
  EXPECT_EQ(rendered(r.tokens), "TypeKw(\"int\") Ident(\"x\") Semicolon");
  EXPECT_EQ(r.diagnostics, unknown(1, "\xEF\xBB\xBF"));
}

// ---- numbers -------------------------------------------------------------------------

TEST(LexerNumbers, DecimalFormsOnly) {
  Lexed r = lex("7.");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit}));
  EXPECT_EQ(r.tokens.double_value(0), 7.0);

  r = lex("0.10");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit}));
  EXPECT_EQ(r.tokens.double_value(0), 0.1);

  EXPECT_EQ(rendered(lex("1e5").tokens), "IntLit(1) Ident(\"e5\")");
  EXPECT_EQ(rendered(lex("0x1F").tokens), "IntLit(0) Ident(\"x1F\")");
  EXPECT_EQ(rendered(lex("012").tokens), "IntLit(12)");
  EXPECT_EQ(rendered(lex(".5").tokens), "Dot IntLit(5)");
  EXPECT_EQ(rendered(lex("1_000").tokens), "IntLit(1) Ident(\"_000\")");

  r = lex("1.5f");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit, K::Ident}));
  EXPECT_EQ(r.tokens.double_value(0), 1.5);
  EXPECT_EQ(r.tokens.text(1), "f");

  r = lex("1.2.3");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit, K::Dot, K::IntLit}));
  EXPECT_EQ(r.tokens.double_value(0), 1.2);
  EXPECT_EQ(r.tokens.int_value(2), 3);

  r = lex("7..x");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit, K::Dot, K::Ident}));
  EXPECT_EQ(r.tokens.double_value(0), 7.0);

  r = lex("1.e5 -3");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit, K::Ident, K::Minus, K::IntLit}));
  EXPECT_EQ(r.tokens.double_value(0), 1.0);
  EXPECT_EQ(r.tokens.text(1), "e5");
  EXPECT_EQ(r.tokens.int_value(3), 3);

  // Only ASCII digits belong to a number.
  r = lex("1١");
  EXPECT_EQ(rendered(r.tokens), "IntLit(1)");
  EXPECT_EQ(r.diagnostics, unknown(1, "١"));
}

TEST(LexerNumbers, IntegersBeyondTheSignedRangeAreZero) {
  EXPECT_EQ(lex("9223372036854775807").tokens.int_value(0), INT64_MAX);
  EXPECT_EQ(lex("0009223372036854775807").tokens.int_value(0), INT64_MAX);
  EXPECT_EQ(lex("9223372036854775806").tokens.int_value(0), INT64_MAX - 1);
  EXPECT_EQ(lex("9223372036854775808").tokens.int_value(0), 0);
  EXPECT_EQ(lex("9223372036854775810").tokens.int_value(0), 0);
  EXPECT_EQ(lex("18446744073709551615").tokens.int_value(0), 0);
  EXPECT_EQ(lex("18446744073709551616").tokens.int_value(0), 0);
  EXPECT_EQ(lex("99999999999999999999").tokens.int_value(0), 0);
  EXPECT_EQ(lex(std::string(300, '9')).tokens.int_value(0), 0);
  EXPECT_EQ(lex("0").tokens.int_value(0), 0);
  // Still one token that ends where the digits end.
  Lexed r = lex("9223372036854775808;");
  EXPECT_EQ(rendered(r.tokens), "IntLit(0) Semicolon");
}

TEST(LexerNumbers, DoublesAreRoundedToNearest) {
  for (const char* text :
       {"0.1", "0.30000000000000004", "9007199254740993.0",
        "9007199254740993.00000000000000000000000001", "123456789012345678901234567890.5",
        "0.000000000000000000000000000000000000000000000000000000000000000000000001234567",
        "179769313486231570814527423731704356798070567525844996598917476803157260780028538760"
        "589558632766878171540458953514382464234321326889464182768467546703537516986049910576"
        "551282076245490090389328944075868508455133942304583236903222948165808559332123348274"
        "797826204144723168738177180919299881250404026184124858368.0",
        "2.4703282292062327208828439643411068618252990130716238221279284125033775363510437593"
        "2641e0"}) {
    Lexed r = lex(text);
    ASSERT_GE(r.tokens.size(), 1u) << text;
    ASSERT_EQ(r.tokens.kind(0), K::DoubleLit) << text;
    std::string digits(text);
    digits = digits.substr(0, digits.find_first_not_of("0123456789.", 0));
    EXPECT_EQ(r.tokens.double_value(0), std::strtod(digits.c_str(), nullptr)) << text;
  }
  EXPECT_EQ(lex("9007199254740993.0").tokens.double_value(0), 9007199254740992.0);
  EXPECT_EQ(lex("9007199254740993.00000000000000000000000001").tokens.double_value(0),
            9007199254740994.0);
  // Below the smallest subnormal it is zero; just above half of it, the smallest subnormal.
  EXPECT_EQ(lex("0." + std::string(400, '0') + "1").tokens.double_value(0), 0.0);
  EXPECT_EQ(lex("0." + std::string(323, '0') + "3").tokens.double_value(0),
            std::numeric_limits<double>::denorm_min());
  // A fraction with thousands of digits.
  Lexed r = lex("0." + std::string(5000, '3') + "x");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit, K::Ident}));
  EXPECT_EQ(r.tokens.double_value(0), 1.0 / 3.0);
}

TEST(LexerNumbers, DoublesBeyondTheLargestAreNotZero) {
  // Rounding to nearest gives infinity (or at least the largest double), never 0.
  for (std::string text : {std::string(400, '9') + ".0", std::string(70000, '7') + ".5"}) {
    Lexed big = lex(text);
    ASSERT_EQ(kinds(big.tokens), (std::vector<K>{K::DoubleLit}));
    EXPECT_GE(big.tokens.double_value(0), DBL_MAX) << text.size();
  }
}

// ---- strings -------------------------------------------------------------------------

TEST(LexerStrings, Escapes) {
  Lexed r = lex(R"("\q" "\t" "\n" "\"" "\\" "\r" "\0" "a\$b" "\é" "\😀x")");
  ASSERT_EQ(r.tokens.size(), 10u);
  const char* want[] = {"q", "\t", "\n", "\"", "\\", "r", "0", "a$b", "é", "😀x"};
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(r.tokens.kind(i), K::StringLit) << i;
    EXPECT_EQ(r.tokens.string_value(i), want[i]) << i;
  }
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerStrings, PlainContent) {
  Lexed r = lex("\"\" \"a b\r// c /* d\" \"größe ?\"x");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit, K::StringLit, K::StringLit, K::Ident}));
  EXPECT_EQ(r.tokens.string_value(0), "");
  EXPECT_EQ(r.tokens.string_value(1), "a b\r// c /* d");
  EXPECT_EQ(r.tokens.string_value(2), "größe ?");
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerStrings, BackslashAsLastCharacterOfTheInput) {
  Lexed r = lex("\"ab\\");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit}));
  EXPECT_EQ(r.tokens.string_value(0), "ab\\");
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: unterminated string literal\n");
}

TEST(LexerStrings, UnterminatedAtLineFeedLeavesTheLineFeedCounted) {
  Lexed r = lex("a\n\n\"open ? \\\" x\ny z\n\"end");
  EXPECT_EQ(rendered(r.tokens),
            "Ident(\"a\") StringLit(\"open ? \" x\") Ident(\"y\") Ident(\"z\") StringLit(\"end\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 3, 4, 4, 5}));
  EXPECT_EQ(r.diagnostics,
            "Warning [line 3]: unterminated string literal\n"
            "Warning [line 5]: unterminated string literal\n");
}

TEST(LexerStrings, CarriageReturnBeforeLineFeedStaysInTheText) {
  Lexed r = lex("\"abc\r\nx");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit, K::Ident}));
  EXPECT_EQ(r.tokens.string_value(0), "abc\r");
  EXPECT_EQ(r.tokens.line(1), 2u);
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: unterminated string literal\n");
}

TEST(LexerStrings, BackslashLineFeedContinuesAndCountsTheLine) {
  Lexed r = lex("\"one\\\ntwo\" x\ny");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit, K::Ident, K::Ident}));
  EXPECT_EQ(r.tokens.string_value(0), "one\ntwo");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 2, 3}));
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerStrings, UnterminatedWarningNamesTheOpeningLine) {
  Lexed r = lex("\n\"a\\\nb\\\nc");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit}));
  EXPECT_EQ(r.tokens.string_value(0), "a\nb\nc");
  EXPECT_EQ(r.tokens.line(0), 2u);
  EXPECT_EQ(r.diagnostics, "Warning [line 2]: unterminated string literal\n");
}

// ---- comments ------------------------------------------------------------------------

TEST(LexerComments, LineComments) {
  Lexed r = lex("a // b ? \"\n c // d");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"a\") Ident(\"c\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 2}));
  EXPECT_EQ(r.diagnostics, "");
  // A bare CR does not end a line comment.
  EXPECT_EQ(rendered(lex("// a\rb\nc").tokens), "Ident(\"c\")");
}

TEST(LexerComments, BlockComments) {
  Lexed r = lex("/**/x");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"x\")");

  r = lex("/* a /* b */ c");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"c\")");
  EXPECT_EQ(r.diagnostics, "");

  // The opening star does not close the comment.
  r = lex("/*/ a */b");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"b\")");

  r = lex("/***/c /** x **/d");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"c\") Ident(\"d\")");

  r = lex("/*\n\n*/x\n/* \" */y");
  EXPECT_EQ(rendered(r.tokens), "Ident(\"x\") Ident(\"y\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{3, 4}));
  EXPECT_EQ(r.diagnostics, "");
}

TEST(LexerComments, UnterminatedBlockComment) {
  const std::string warn = "]: unterminated block comment\n";
  struct Case {
    const char* text;
    int line;
    std::size_t tokens;
  };
  for (Case c : {Case{"/* never closed", 1, 0}, Case{"/*", 1, 0}, Case{"/*\n", 1, 0},
                 Case{"/*/", 1, 0}, Case{"/*\n\n", 2, 0}, Case{"a\n/* x\ny\n", 3, 1},
                 Case{"a\n/* x\ny", 3, 1}, Case{"x /*\n*", 2, 1}, Case{"/* a *", 1, 0},
                 Case{"/* ? \" \n\n", 2, 0}}) {
    Lexed r = lex(c.text);
    EXPECT_EQ(r.tokens.size(), c.tokens) << c.text;
    EXPECT_EQ(r.diagnostics, "Warning [line " + std::to_string(c.line) + warn) << c.text;
  }
}

// ---- directives ----------------------------------------------------------------------

TEST(LexerDirectives, Include) {
  Lexed r = lex("#include\"lib.bgt\"");
  EXPECT_EQ(rendered(r.tokens), "Include(\"lib.bgt\")");
  EXPECT_EQ(r.diagnostics, "");

  r = lex("\n#include\"\"x");
  EXPECT_EQ(rendered(r.tokens), "Include(\"\") Ident(\"x\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{2, 2}));

  // No escapes in a path.
  r = lex("#include\"a\\b\"");
  EXPECT_EQ(rendered(r.tokens), "Include(\"a\\b\")");

  r = lex("#include\"dür/名.bgt\";");
  EXPECT_EQ(rendered(r.tokens), "Include(\"dür/名.bgt\") Semicolon");
}

TEST(LexerDirectives, MalformedInclude) {
  Lexed r = lex("#include \"lib.bgt\"");
  EXPECT_EQ(rendered(r.tokens), "StringLit(\"lib.bgt\")");
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: malformed #include\n");

  r = lex("\n#include");
  EXPECT_TRUE(r.tokens.empty());
  EXPECT_EQ(r.diagnostics, "Warning [line 2]: malformed #include\n");

  r = lex("#include\n\"x\"");
  EXPECT_EQ(rendered(r.tokens), "StringLit(\"x\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{2}));
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: malformed #include\n");

  // Digits end the directive name.
  r = lex("#include2");
  EXPECT_EQ(rendered(r.tokens), "IntLit(2)");
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: malformed #include\n");
}

TEST(LexerDirectives, UnterminatedIncludePath) {
  Lexed r = lex("#include\"lib.bgt\nx");
  EXPECT_EQ(rendered(r.tokens), "Include(\"lib.bgt\") Ident(\"x\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 2}));
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: unterminated #include path\n");

  r = lex("\n\n#include\"end");
  EXPECT_EQ(rendered(r.tokens), "Include(\"end\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{3}));
  EXPECT_EQ(r.diagnostics, "Warning [line 3]: unterminated #include path\n");
}

TEST(LexerDirectives, UnknownDirectives) {
  Lexed r = lex("#pragma once");
  EXPECT_EQ(rendered(r.tokens), "Hash Ident(\"once\")");
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: unknown directive '#pragma'\n");

  r = lex("\n#");
  EXPECT_EQ(rendered(r.tokens), "Hash");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{2}));
  EXPECT_EQ(r.diagnostics, "Warning [line 2]: unknown directive '#'\n");

  r = lex("#define X 1");
  EXPECT_EQ(rendered(r.tokens), "Hash Ident(\"X\") IntLit(1)");
  EXPECT_EQ(r.diagnostics, "Warning [line 1]: unknown directive '#define'\n");

  r = lex("# include\"x\" #if_x #Include #größe2 #1");
  EXPECT_EQ(rendered(r.tokens),
            "Hash Ident(\"include\") StringLit(\"x\") Hash Ident(\"_x\") Hash Hash IntLit(2) Hash "
            "IntLit(1)");
  EXPECT_EQ(r.diagnostics,
            "Warning [line 1]: unknown directive '#'\n"
            "Warning [line 1]: unknown directive '#if'\n"
            "Warning [line 1]: unknown directive '#Include'\n"
            "Warning [line 1]: unknown directive '#größe'\n"
            "Warning [line 1]: unknown directive '#'\n");
}

// ---- lines and warning order ---------------------------------------------------------

TEST(LexerLines, CountedByLineFeedsOnly) {
  Lexed r = lex("a\r\nb\r\n\r\nc");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 2, 4}));
  r = lex("a\rb\r\rc");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 1, 1}));
  r = lex("a\n\n\n\n\n\n\n\n\n\nb c\n{");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{1, 11, 11, 12}));
}

TEST(LexerLines, WarningsInSourceOrder) {
  Lexed r = lex("?\n#x\n\"s\n#include \"p\"\n#include\"q\n$ /* z");
  EXPECT_EQ(r.diagnostics,
            "Warning [line 1]: unknown character '?'\n"
            "Warning [line 2]: unknown directive '#x'\n"
            "Warning [line 3]: unterminated string literal\n"
            "Warning [line 4]: malformed #include\n"
            "Warning [line 5]: unterminated #include path\n"
            "Warning [line 6]: unknown character '$'\n"
            "Warning [line 6]: unterminated block comment\n");
  EXPECT_EQ(rendered(r.tokens), "Hash StringLit(\"s\") StringLit(\"p\") Include(\"q\")");
  EXPECT_EQ(lines(r.tokens), (std::vector<std::uint64_t>{2, 3, 4, 5}));
}

// ---- interning ------------------------------------------------------------------------

// A word is interned once: the same word always has the same id and text, and words
// that differ anywhere, or only in length, never share one. The words here agree in
// their first 8, 16, 24 or more bytes, which the table compares apart from the rest,
// and there are enough of them to make the table grow several times.
TEST(LexerWords, EqualWordsShareAnIdAndOthersDoNot) {
  std::vector<std::string> words;
  for (std::size_t stem : {0u, 7u, 8u, 15u, 16u, 23u, 24u, 31u, 40u}) {
    const std::string base(stem, 'q');
    for (const char* tail : {"", "a", "b", "ab", "ba", "abcdefgh", "abcdefghi"})
      words.push_back("w" + base + tail);
  }
  // Many words of one length that differ only in their last six bytes, in each stretch
  // the table compares: enough of them that some meet in one run of slots.
  for (std::size_t stem : {1u, 9u, 17u, 25u}) {
    for (int n = 0; n < 6000; ++n) {
      std::string digits = std::to_string(n);
      words.push_back(std::string(stem, 'v') + std::string(6 - digits.size(), '0') + digits);
    }
  }
  std::string text;
  for (int round = 0; round < 2; ++round)
    for (const std::string& w : words) text += w + " ";
  Lexed r = lex(text);
  ASSERT_EQ(r.tokens.size(), 2 * words.size());
  std::vector<NameId> ids;
  for (std::size_t i = 0; i < words.size(); ++i) {
    ASSERT_EQ(r.tokens.text(i), words[i]);
    // The second mention finds the first one's entry.
    ASSERT_EQ(r.tokens.name_id(i + words.size()), r.tokens.name_id(i)) << words[i];
    ids.push_back(r.tokens.name_id(i));
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
  EXPECT_EQ(r.tokens.name_count(), words.size());
}

// ---- very long tokens ----------------------------------------------------------------

TEST(LexerLong, WordsLongerThanSixtyFourKiB) {
  for (std::size_t n : {65534u, 65535u, 65536u, 70000u, 200000u}) {
    std::string word(n, 'a');
    Lexed r = lex("x " + word + "=1 while");
    ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::Ident, K::Ident, K::Equals, K::IntLit,
                                                K::Keyword}))
        << n;
    EXPECT_EQ(r.tokens.text(1).size(), n);
    EXPECT_EQ(r.tokens.text(1), word);
    EXPECT_EQ(r.tokens.text(4), "while");
  }
  // Two-byte letters: the length limit is on bytes, not characters.
  std::string word;
  for (int i = 0; i < 40000; ++i) word += "ß";
  Lexed r = lex(word + ";");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::Ident, K::Semicolon}));
  EXPECT_EQ(r.tokens.text(0), word);
  EXPECT_EQ(r.tokens.render(0), "Ident(\"" + word + "\")");

  // At the very end of the input, and cut by a character that is not part of a word.
  std::string ascii(70000, 'c');
  r = lex("x " + ascii);
  ASSERT_EQ(r.tokens.size(), 2u);
  EXPECT_EQ(r.tokens.text(1), ascii);
  r = lex(ascii + "😀" + ascii + " " + "d");
  ASSERT_EQ(r.tokens.size(), 3u);
  EXPECT_EQ(r.tokens.text(0), ascii);
  EXPECT_EQ(r.tokens.text(1), ascii);
  EXPECT_EQ(r.tokens.text(2), "d");
}

TEST(LexerLong, StringsAndPathsLongerThanSixtyFourKiB) {
  std::string body(70000, 'b');
  Lexed r = lex("\"" + body + "\\t\" x");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::StringLit, K::Ident}));
  EXPECT_EQ(r.tokens.string_value(0), body + "\t");

  r = lex("#include\"" + body + "\" y");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::Include, K::Ident}));
  EXPECT_EQ(r.tokens.text(0), body);

  r = lex("#include\"" + body + "\nz");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::Include, K::Ident}));
  EXPECT_EQ(r.tokens.text(0), body);
  EXPECT_EQ(r.tokens.line(1), 2u);

  r = lex("#include\"" + body);
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::Include}));
  EXPECT_EQ(r.tokens.text(0), body);

  r = lex(std::string(70000, '7') + ".5 1");
  ASSERT_EQ(kinds(r.tokens), (std::vector<K>{K::DoubleLit, K::IntLit}));
  EXPECT_EQ(r.tokens.int_value(1), 1);
}


TEST(LexerLines, LookupsInAnyOrderAgreeWithLookupsInOrder) {
  // Lines of uneven length, blank lines and a multi-line comment between tokens.
  std::string text;
  for (int i = 0; i < 3000; ++i) {
    text.append(std::size_t(i % 7), 'x').append(" y\n");
    if (i % 11 == 0) text += "\n\n/* a\nb */ z\n";
  }
  Lexed r = lex(text);
  std::vector<std::uint64_t> in_order = lines(r.tokens);
  std::uint64_t state = 12345;
  for (int k = 0; k < 20000; ++k) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    // Mostly short hops either way, sometimes far jumps.
    std::size_t i = std::size_t(state >> 33) % r.tokens.size();
    ASSERT_EQ(r.tokens.line(i), in_order[i]) << i;
    std::size_t near = std::min(r.tokens.size() - 1, i + std::size_t(state % 5));
    ASSERT_EQ(r.tokens.line(near), in_order[near]) << near;
    std::size_t back = near >= 40 ? near - 40 : 0;
    ASSERT_EQ(r.tokens.line(back), in_order[back]) << back;
    // Forward hops around the distance where stepping gives way to a search.
    std::size_t hop = std::min(r.tokens.size() - 1, back + std::size_t(state >> 20) % 97);
    ASSERT_EQ(r.tokens.line(hop), in_order[hop]) << hop;
  }
}

// The walk asks for lines through a cursor, mostly forward, sometimes back.
TEST(LexerLines, CursorAgreesWithTheSearchInAnyOrder) {
  std::string text;
  for (int i = 0; i < 500; ++i) {
    text.append(std::size_t(i % 5), 'x').append(" y\n");
    if (i % 13 == 0) text += "\n\n/* a\nb */ z\n";
  }
  Lexed r = lex(text);
  std::vector<std::uint64_t> in_order = lines(r.tokens);
  LineCursor cursor(r.tokens);
  for (std::size_t i = 0; i < r.tokens.size(); i += 1 + i % 3) ASSERT_EQ(cursor(i), in_order[i]);
  for (std::size_t i : {std::size_t{0}, r.tokens.size() - 1, std::size_t{17}, std::size_t{16},
                        std::size_t{400}, std::size_t{3}})
    ASSERT_EQ(cursor(i), in_order[i]) << i;
  // An empty script has one line, for no token.
  Lexed empty = lex("");
  EXPECT_EQ(LineCursor(empty.tokens)(0), 1u);
}

}  // namespace
}  // namespace linter
