#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "driver.h"
#include "output.h"
#include "utf8.h"

namespace linter {
namespace {

using namespace std::string_view_literals;

TEST(Utf8Valid, EveryLengthAtItsBounds) {
  for (std::string_view s : {""sv, "plain ASCII\n"sv, "\0"sv, "a\0b"sv, "\x7F"sv,
                             "\xC2\x80"sv,             // U+0080
                             "\xDF\xBF"sv,             // U+07FF
                             "\xE0\xA0\x80"sv,         // U+0800
                             "\xED\x9F\xBF"sv,         // U+D7FF, just below the surrogates
                             "\xEE\x80\x80"sv,         // U+E000, just above them
                             "\xEF\xBB\xBF"sv,         // U+FEFF
                             "\xEF\xBF\xBF"sv,         // U+FFFF
                             "\xF0\x90\x80\x80"sv,     // U+10000
                             "\xF4\x8F\xBF\xBF"sv,     // U+10FFFF
                             "gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80"sv}) {
    EXPECT_TRUE(is_valid_utf8(s)) << testing::PrintToString(std::string(s));
  }
}

TEST(Utf8Invalid, EveryClass) {
  for (std::string_view s : {
           "\x80"sv, "\xBF"sv, "a\x80"sv,            // continuation byte without a lead
           "\xC0\x80"sv, "\xC1\xBF"sv,               // overlong two-byte forms
           "\xE0\x80\x80"sv, "\xE0\x9F\xBF"sv,       // overlong three-byte forms
           "\xF0\x80\x80\x80"sv, "\xF0\x8F\xBF\xBF"sv,  // overlong four-byte forms
           "\xED\xA0\x80"sv, "\xED\xAF\xBF"sv, "\xED\xB0\x80"sv, "\xED\xBF\xBF"sv,  // surrogates
           "\xF4\x90\x80\x80"sv, "\xF4\xBF\xBF\xBF"sv,  // above U+10FFFF
           "\xF5\x80\x80\x80"sv, "\xF7\xBF\xBF\xBF"sv,  // lead bytes that can only go above
           "\xF8\x88\x80\x80\x80"sv, "\xFC\x84\x80\x80\x80\x80"sv,  // five and six bytes
           "\xFE"sv, "\xFF"sv,
           "\xC2"sv, "\xE0\xA0"sv, "\xE2\x82"sv, "\xF0\x90\x80"sv,  // cut short at the end
           "\xC2" "A"sv, "\xE2\x82" "A"sv, "\xF0\x90\x80" "A"sv,      // cut short by ASCII
           "\xE2\xC2\xA2"sv,                                          // cut short by a lead
           "\xC2\x80\x80"sv,                                          // one continuation too many
       }) {
    EXPECT_FALSE(is_valid_utf8(s)) << testing::PrintToString(std::string(s));
  }
}

TEST(Utf8Invalid, PositionInTheText) {
  const std::string good = "int x = 1; // \xE2\x82\xAC\n";
  for (std::string_view bad : {"\xFF"sv, "\xC0\xAF"sv, "\xED\xA0\x80"sv, "\xF4\x90\x80\x80"sv}) {
    EXPECT_FALSE(is_valid_utf8(std::string(bad) + good));
    EXPECT_FALSE(is_valid_utf8(good + std::string(bad) + good));
    EXPECT_FALSE(is_valid_utf8(good + std::string(bad)));
  }
  EXPECT_FALSE(is_valid_utf8(good + "\xF0\x9F\x98"));
  // Deep inside a long text, past any block-wise fast path.
  std::string long_text(100000, 'a');
  EXPECT_TRUE(is_valid_utf8(long_text));
  long_text[77777] = '\x80';
  EXPECT_FALSE(is_valid_utf8(long_text));
  long_text[77777] = 'a';
  long_text.back() = '\xC3';
  EXPECT_FALSE(is_valid_utf8(long_text));
}

TEST(Utf8Decode, EveryLength) {
  struct Case {
    std::string_view bytes;
    char32_t value;
  };
  for (Case c : {Case{"A"sv, U'A'}, Case{"\x7F"sv, 0x7F}, Case{"\xC2\x80"sv, 0x80},
                 Case{"\xC3\xB6"sv, 0xF6}, Case{"\xDF\xBF"sv, 0x7FF},
                 Case{"\xE0\xA0\x80"sv, 0x800}, Case{"\xEF\xBB\xBF"sv, 0xFEFF},
                 Case{"\xEF\xBF\xBF"sv, 0xFFFF}, Case{"\xF0\x90\x80\x80"sv, 0x10000},
                 Case{"\xF0\x9F\x98\x80"sv, 0x1F600}, Case{"\xF4\x8F\xBF\xBF"sv, 0x10FFFF}}) {
    char32_t out = 0;
    std::size_t n = decode_utf8(reinterpret_cast<const unsigned char*>(c.bytes.data()), out);
    EXPECT_EQ(n, c.bytes.size()) << std::uint32_t(c.value);
    EXPECT_EQ(out, c.value);
  }
}

// The in-memory driver refuses such text before lexing: no lexical warning, no report.
TEST(Utf8Driver, InvalidTextIsAReadError) {
  for (std::string_view bad : {"? \xC0\x80"sv, "? \xED\xA0\x80"sv, "? \xF4\x90\x80\x80"sv,
                               "? \xE2\x82"sv, "\xFF?"sv, "? \x80 ?"sv}) {
    Output out, err;
    int status = lint_text("a.bgt", std::string(bad), false, out, err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(err.text(), "Error reading 'a.bgt': stream did not contain valid UTF-8\n");
  }
}

TEST(Utf8Driver, ValidTextIsLinted) {
  Output out, err;
  int status = lint_text("dir/b.bgt", "\xEF\xBB\xBF?\nint gr\xC3\xB6\xC3\x9F" "e;\n", false, out,
                         err);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err.text(),
            "Warning [line 1]: unknown character '\xEF\xBB\xBF'\n"
            "Warning [line 1]: unknown character '?'\n");
  EXPECT_EQ(out.text(),
            "dir/b.bgt:2: warning: [global] Unused variable 'gr\xC3\xB6\xC3\x9F" "e'\n\n"
            "1 warning(s)\n");
}

TEST(Utf8Driver, EmptyText) {
  Output out, err;
  EXPECT_EQ(lint_text("a.bgt", "", true, out, err), 0);
  EXPECT_EQ(out.text(), "No warnings.\n");
  EXPECT_EQ(err.text(),
            "=== IMPLEMENTATIONS ===\n=== INTERFACES ===\n=== END ===\n"
            "=== SCOPE TRACE ===\n=== END SCOPE TRACE ===\n\n");
}

}  // namespace
}  // namespace linter
