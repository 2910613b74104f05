#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lexer/source.h"
#include "pages.h"

namespace linter {
namespace {

TEST(PageArray, GrowingKeepsEveryValueAcrossHeapAndMappedBlocks) {
  // From a few heap bytes to blocks far beyond the mapping threshold.
  PageArray<std::uint64_t> a;
  for (std::uint64_t i = 0; i < 3'000'000; ++i) a.push_back(i * 7 + 1);
  ASSERT_EQ(a.size(), 3'000'000u);
  for (std::uint64_t i = 0; i < a.size(); i += 4999) ASSERT_EQ(a[i], i * 7 + 1);
  EXPECT_EQ(a.back(), 2'999'999u * 7 + 1);

  PageArray<std::uint64_t> moved(std::move(a));
  EXPECT_EQ(moved[12345], 12345u * 7 + 1);
  a = std::move(moved);
  EXPECT_EQ(a[2'000'000], 2'000'000u * 7 + 1);
}

TEST(PageArray, ReserveLeavesRoomForDirectWrites) {
  PageArray<std::uint8_t> a;
  a.push_back(9);
  a.reserve(5 << 20);
  ASSERT_GE(a.capacity(), std::size_t{5} << 20);
  EXPECT_EQ(a[0], 9);
  a.data()[(5 << 20) - 1] = 4;
  a.set_size(5 << 20);
  EXPECT_EQ(a.back(), 4);
}

TEST(SourceText, TextIsAlwaysFollowedByZeros) {
  std::string big(3 << 20, 'x');
  for (const std::string& text : {std::string(), std::string("abc"), big}) {
    SourceText s(text);
    ASSERT_EQ(s.view(), text);
    for (std::size_t k = 0; k < SourceText::kPadding; ++k) ASSERT_EQ(s.data()[text.size() + k], 0);
  }
  // Growing keeps the text; shrinking the length zeroes what follows it again.
  SourceText s("hello");
  s.reserve(2 << 20);
  EXPECT_EQ(s.view(), "hello");
  s.resize(2);
  EXPECT_EQ(s.view(), "he");
  EXPECT_EQ(s.data()[2], 0);
}

TEST(PageAllocator, VectorsGrowAndShrinkThroughIt) {
  std::vector<std::uint32_t, PageAllocator<std::uint32_t>> v;
  for (std::uint32_t i = 0; i < 1'000'000; ++i) v.push_back(i ^ 0x5555);
  EXPECT_EQ(v[999'999], 999'999u ^ 0x5555);
  v.resize(10);
  v.shrink_to_fit();
  EXPECT_EQ(v[9], 9u ^ 0x5555);
  std::vector<std::uint32_t, PageAllocator<std::uint32_t>> copy(v);
  EXPECT_EQ(copy, v);
}

}  // namespace
}  // namespace linter
