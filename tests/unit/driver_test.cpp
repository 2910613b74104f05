#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "driver.h"

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

}  // namespace
}  // namespace linter
