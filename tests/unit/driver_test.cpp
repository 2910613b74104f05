#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "driver.h"
#include "output.h"
#include "utf8.h"

namespace linter {
namespace {

// Large files are read in two halves at once; whatever the size, every byte must
// arrive in place, followed by the zero padding the lexer relies on.
TEST(ReadFile, FilesOnBothSidesOfTheTwoHandleSizeArriveWhole) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("linter_read_test_" + std::to_string(::getpid()));
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, (std::size_t{4} << 20) - 1,
                           (std::size_t{4} << 20) + 1, (std::size_t{9} << 20) + 3}) {
    std::string bytes(size, '\0');
    std::uint32_t state = 7;
    for (char& c : bytes) {
      state = state * 1103515245u + 12345u;
      c = char(state >> 23);
    }
    {
      std::FILE* f = std::fopen(path.string().c_str(), "wb");
      ASSERT_NE(f, nullptr);
      ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
      std::fclose(f);
    }
    FileContents got = read_file(path.string());
    ASSERT_TRUE(got.ok) << size << ": " << got.reason;
    ASSERT_EQ(got.text.size(), size);
    EXPECT_TRUE(got.text.view() == bytes) << size;
    for (std::size_t k = 0; k < SourceText::kPadding; ++k)
      ASSERT_EQ(got.text.data()[size + k], '\0') << size;
  }
  std::filesystem::remove(path);
  FileContents missing = read_file(path.string());
  EXPECT_FALSE(missing.ok);
  EXPECT_FALSE(missing.reason.empty());
}

// A large file's UTF-8 is checked as its halves are read: faults anywhere, and
// characters cut by the halves' border or by the pieces they are read in, give the
// answer a check of the whole text does.
TEST(ReadFile, LargeFilesCheckTheirUtf8OnTheWay) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("linter_utf8_read_test_" + std::to_string(::getpid()));
  const std::size_t size = (std::size_t{9} << 20) + 5;
  const std::size_t half = size / 2;
  const std::size_t piece = std::size_t{256} << 10;
  struct Change {
    std::size_t at;
    std::string bytes;
  };
  std::vector<std::vector<Change>> cases = {{},
                                            {{7, "\xFF"}},
                                            {{size - 1, "\xC3"}},
                                            {{size - 3, "\xF0\x9F\x98"}},
                                            {{half + 100, "\x80"}},
                                            {{half, "\x80\x80\x80\x80"}},
                                            {{half, "\x80\x80\x80"}},
                                            {{half - 3, "\xE2\x82"}}};
  for (std::size_t border : {half, piece, half + piece}) {
    for (std::size_t back = 1; back <= 3; ++back) {
      cases.push_back({{border - back, "\xF0\x9F\x98\x80"}});  // whole, across the border
      cases.push_back({{border - back, "\xF0\x9F\x98"}, {border - back + 3, "a"}});  // cut short
    }
  }
  for (const std::vector<Change>& changes : cases) {
    std::string bytes(size, 'a');
    for (std::size_t k = 0; k < size; k += 61) bytes[k] = '\n';
    for (const Change& c : changes) bytes.replace(c.at, c.bytes.size(), c.bytes);
    {
      std::FILE* f = std::fopen(path.string().c_str(), "wb");
      ASSERT_NE(f, nullptr);
      ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
      std::fclose(f);
    }
    FileContents got = read_file(path.string());
    ASSERT_TRUE(got.ok) << got.reason;
    ASSERT_TRUE(got.text.view() == bytes);
    const Utf8Check expected = is_valid_utf8(bytes) ? Utf8Check::Valid : Utf8Check::Invalid;
    EXPECT_EQ(got.utf8, expected) << "changes at " << (changes.empty() ? 0 : changes[0].at);
  }
  std::filesystem::remove(path);
}

// A long report going to a file is formatted on two threads taking turns: the text
// must come out whole and in order, the same as when it is only collected.
TEST(Report, LongReportToAFileMatchesTheCollectedOne) {
  std::string script;
  const int count = 70000;  // past where the report takes two threads
  for (int k = 0; k < count; ++k) script += "int v" + std::to_string(k) + ";\n";
  Output collected, collected_err;
  ASSERT_EQ(lint_text("s.bgt", script, false, collected, collected_err), 0);
  std::string expected;
  for (int k = 0; k < count; ++k)
    expected += "s.bgt:" + std::to_string(k + 1) + ": warning: [global] Unused variable 'v" +
                std::to_string(k) + "'\n";
  expected += "\n" + std::to_string(count) + " warning(s)\n";
  EXPECT_TRUE(collected.text() == expected);

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  {
    Output out(file), err;
    ASSERT_EQ(lint_text("s.bgt", script, false, out, err), 0);
    ASSERT_TRUE(out.flush());
  }
  std::rewind(file);
  std::string written;
  char buffer[1 << 16];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    written.append(buffer, got);
  std::fclose(file);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
}

// Tokens, lines and literals are numbered in 32 bits: a larger script is refused
// before anything is read, with the system's words for it, rather than linted wrong.
TEST(ReadFile, ScriptsOfFourGigabytesAreRefused) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("linter_big_test_" + std::to_string(::getpid()));
  {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  std::error_code ec;
  std::filesystem::resize_file(path, kMaxScriptSize + 1, ec);  // sparse: takes no room
  if (ec) {
    std::filesystem::remove(path);
    GTEST_SKIP() << "no sparse file here: " << ec.message();
  }
  FileContents got = read_file(path.string());
  EXPECT_FALSE(got.ok);
  EXPECT_EQ(got.reason, std::strerror(EFBIG));
  Output out, err;
  EXPECT_EQ(run({"linter", path.string()}, out, err), 1);
  EXPECT_EQ(out.text(), "");
  EXPECT_EQ(err.text(), "Error reading '" + path.string() + "': " + std::strerror(EFBIG) + "\n");
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace linter
