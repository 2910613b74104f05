#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "driver.h"
#include "output.h"

namespace linter {
namespace {

// Whatever the size, every byte of a file must arrive in place, followed by the zero
// padding the lexer relies on.
TEST(ReadFile, FilesArriveWholeWithTheirPadding) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("linter_read_test_" + std::to_string(::getpid()));
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, (std::size_t{1} << 20) - 1,
                           (std::size_t{1} << 20) + 1, (std::size_t{5} << 20) + 3}) {
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

// A file whose size the system does not tell (a pipe) is read by growing the text.
TEST(ReadFile, FilesOfUnknownSizeGrowAsTheyAreRead) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string bytes((std::size_t{3} << 20) + 11, 'q');
  std::thread writer([&] {
    std::size_t at = 0;
    while (at < bytes.size()) {
      const ssize_t n = ::write(fds[1], bytes.data() + at, bytes.size() - at);
      if (n <= 0) break;
      at += std::size_t(n);
    }
    ::close(fds[1]);
  });
  FileContents got = read_file("/dev/fd/" + std::to_string(fds[0]));
  writer.join();
  ::close(fds[0]);
  ASSERT_TRUE(got.ok) << got.reason;
  EXPECT_TRUE(got.text.view() == bytes);
}

// A long report going to a file passes through the output buffer many times over: the
// text must come out whole and in order, the same as when it is only collected.
TEST(Report, LongReportToAFileMatchesTheCollectedOne) {
  std::string script;
  const int count = 70000;
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
