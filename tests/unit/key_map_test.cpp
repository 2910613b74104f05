// The open-addressing map behind the member reports' pair lookups.
#include "passes/key_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>

namespace linter {
namespace {

TEST(KeyMap, AgreesWithAStandardMapThroughGrowth) {
  // Keys alike in one half or the other (pairs of ids), zero and the largest key among
  // them, and far more entries than the map starts with room for.
  KeyMap<int> map;
  std::unordered_map<std::uint64_t, int> reference;
  std::mt19937_64 rng(5);
  for (int k = 0; k < 200000; ++k) {
    std::uint64_t key;
    switch (k % 4) {
      case 0: key = std::uint64_t(rng() % 1000) << 32 | std::uint64_t(k); break;
      case 1: key = std::uint64_t(k) << 32 | (rng() % 1000); break;
      case 2: key = rng() % 5000; break;
      default: key = k % 8 == 3 ? ~std::uint64_t{0} : rng(); break;
    }
    auto [value, added] = map.try_emplace(key, k);
    auto [expected, expected_added] = reference.try_emplace(key, k);
    ASSERT_EQ(added, expected_added) << key;
    ASSERT_EQ(*value, expected->second) << key;
    if (k % 7 == 0) *value = expected->second = -k;  // values can be changed in place
    ASSERT_TRUE(map.contains(key));
    ASSERT_EQ(map.contains(key ^ 0x5555), reference.count(key ^ 0x5555) == 1) << key;
    const int* found = map.find(key + 1);
    auto expected_found = reference.find(key + 1);
    ASSERT_EQ(found != nullptr, expected_found != reference.end()) << key;
    if (found) {
      ASSERT_EQ(*found, expected_found->second) << key;
    }
  }
  EXPECT_EQ(map.size(), reference.size());
  for (const auto& [key, value] : reference) ASSERT_EQ(*map.try_emplace(key, 0).first, value);
  EXPECT_EQ(map.size(), reference.size());
}

}  // namespace
}  // namespace linter
