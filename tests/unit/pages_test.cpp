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

// Appending moves whole pages where it can and shifts them down by the odd part of a
// page; every value must come out in place whichever way it went.
TEST(PageArray, AppendKeepsEveryValueWhetherPagesMoveOrAreCopied) {
  auto filled = [](std::size_t n, std::uint32_t seed, std::size_t room) {
    PageArray<std::uint32_t> a;
    a.reserve(room);
    for (std::size_t i = 0; i < n; ++i) a.push_back(std::uint32_t(i * 2654435761u) ^ seed);
    return a;
  };
  struct Case {
    std::size_t first, second, room;
  };
  for (const Case& c : {
           Case{3, 5, 16},                    // heap blocks: copied
           Case{1'000'001, 700'003, 4'000'000},  // mapped, with room: moved
           Case{524'288, 524'288, 4'000'000},    // the first ends on a page boundary
           Case{0, 900'000, 2'000'000},          // nothing before
           Case{1'000'001, 700'003, 1'000'001},  // no room: grown and copied
           Case{70'000, 1'500'000, 1'572'864},   // room after a small page, not a huge one
       }) {
    PageArray<std::uint32_t> a = filled(c.first, 1, c.room);
    PageArray<std::uint32_t> b = filled(c.second, 2, c.second);
    a.append(std::move(b));
    EXPECT_EQ(b.size(), 0u);
    ASSERT_EQ(a.size(), c.first + c.second);
    for (std::size_t i = 0; i < a.size(); ++i) {
      std::uint32_t want = i < c.first ? std::uint32_t(i * 2654435761u) ^ 1
                                       : std::uint32_t((i - c.first) * 2654435761u) ^ 2;
      ASSERT_EQ(a[i], want) << "at " << i << " of " << c.first << "+" << c.second;
    }
    // Still an ordinary array afterwards, the emptied one too.
    a.push_back(77);
    EXPECT_EQ(a.back(), 77u);
    b.push_back(5);
    EXPECT_EQ(b[0], 5u);
  }
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
