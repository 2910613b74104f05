// The class registry's marking rules: a mark covers every member of one name in one
// record, members added later start unmarked, and lookups into older records find
// the right group however many records share a name.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "passes/classes.h"

namespace linter {
namespace {

Symbol member(NameId id, SymbolKind kind = SymbolKind::MemberFunction) {
  return Symbol{"m", 0, false, false, kind, id};
}

// (used, read) of each member of a record, in order.
std::vector<std::pair<bool, bool>> flags(const ClassRegistry& r, std::size_t record) {
  std::vector<std::pair<bool, bool>> out;
  for (const Symbol& s : r.members(record)) out.emplace_back(s.used, s.read);
  return out;
}

using Flags = std::vector<std::pair<bool, bool>>;
constexpr std::pair<bool, bool> kNone{false, false}, kUsed{true, false}, kRead{true, true};

TEST(ClassRegistryMarks, OverloadsAreMarkedTogetherAndLaterOnesStartUnmarked) {
  ClassRegistry r;
  std::size_t c = r.add_record("C", 100, 1, false);
  r.add_member(member(1));
  r.add_member(member(2));
  r.add_member(member(1));
  EXPECT_TRUE(r.mark_used(c, 1));
  EXPECT_EQ(flags(r, c), (Flags{kUsed, kNone, kUsed}));
  r.add_member(member(1));  // a fourth overload, after the mark
  EXPECT_EQ(flags(r, c), (Flags{kUsed, kNone, kUsed, kNone}));
  EXPECT_TRUE(r.mark_read(c, 1));
  EXPECT_EQ(flags(r, c), (Flags{kRead, kNone, kRead, kRead}));
  r.add_member(member(1));
  EXPECT_TRUE(r.mark_used(c, 1));  // used only: the earlier ones stay read
  EXPECT_EQ(flags(r, c), (Flags{kRead, kNone, kRead, kRead, kUsed}));
  EXPECT_TRUE(r.mark_read(c, 1));
  EXPECT_EQ(flags(r, c), (Flags{kRead, kNone, kRead, kRead, kRead}));
  EXPECT_FALSE(r.mark_read(c, 3));
  EXPECT_FALSE(r.mark_used(c, 3));
}

TEST(ClassRegistryMarks, UnnamedMembersAreKeptButNeverFound) {
  ClassRegistry r;
  std::size_t c = r.add_record("C", 100, 1, false);
  r.add_member(member(kNoName));
  r.add_member(member(1));
  EXPECT_EQ(r.members(c).size(), 2u);
  EXPECT_FALSE(r.has_member(c, kNoName));
  r.mark_read_everywhere(kNoName);
  EXPECT_EQ(flags(r, c), (Flags{kNone, kNone}));
}

TEST(ClassRegistryLookups, OlderRecordsAndNamesShared) {
  ClassRegistry r;
  // Records 0..9, each with a member 7; odd ones also with 8; record 10 has neither.
  // Records keep views of their names.
  static constexpr const char* kNames[] = {"C0", "C1", "C2", "C3", "C4",
                                           "C5", "C6", "C7", "C8", "C9"};
  for (std::size_t k = 0; k < 10; ++k) {
    r.add_record(kNames[k], NameId(100 + k), k, k == 3);
    r.add_member(member(7));
    if (k % 2) r.add_member(member(8));
  }
  std::size_t last = r.add_record("D", 200, 11, false);
  EXPECT_EQ(r.count_records_with(7), 10u);
  EXPECT_EQ(r.count_records_with(8), 5u);
  EXPECT_FALSE(r.has_member(last, 7));
  for (std::size_t k = 0; k < 10; ++k) {
    EXPECT_TRUE(r.has_member(k, 7)) << k;
    EXPECT_EQ(r.has_member(k, 8), k % 2 == 1) << k;
  }
  EXPECT_TRUE(r.mark_read(4, 7));
  EXPECT_FALSE(r.mark_read(4, 8));
  EXPECT_TRUE(r.member_used(4, 7));
  EXPECT_FALSE(r.member_used(5, 7));
  std::vector<std::pair<std::size_t, bool>> seen;
  r.each_record_with(8, [&](std::size_t record, bool used) { seen.emplace_back(record, used); });
  EXPECT_EQ(seen, (std::vector<std::pair<std::size_t, bool>>{
                      {1, false}, {3, false}, {5, false}, {7, false}, {9, false}}));
  EXPECT_EQ(r.first_interface_named(103), std::optional<std::size_t>(3));
  EXPECT_EQ(r.first_interface_named(104), std::nullopt);
  EXPECT_EQ(r.first_record_named(104), std::optional<std::size_t>(4));
}

TEST(ClassRegistryLookups, DotMarksEveryRecordIncludingLaterMembersOfTheNewest) {
  ClassRegistry r;
  std::size_t a = r.add_record("A", 100, 1, false);
  r.add_member(member(7));
  std::size_t b = r.add_record("B", 101, 2, false);
  r.add_member(member(7));
  r.mark_read_everywhere(7);
  EXPECT_EQ(flags(r, a), (Flags{kRead}));
  EXPECT_EQ(flags(r, b), (Flags{kRead}));
  r.add_member(member(7));  // B is the newest record: it can still gain members
  r.mark_read_everywhere(7);
  EXPECT_EQ(flags(r, b), (Flags{kRead, kRead}));
  std::size_t c = r.add_record("C", 102, 3, false);
  r.add_member(member(7));
  r.add_member(member(9));
  r.mark_read_everywhere(7);
  EXPECT_EQ(flags(r, c), (Flags{kRead, kNone}));
}

// Many names' group lists share one store and move as they grow: every record must
// still find, mark and list its own members afterwards.
TEST(ClassRegistryLookups, ListsThatGrowApartKeepTheirGroups) {
  ClassRegistry r;
  constexpr std::size_t kRecords = 300;
  // Record k has name 7 (twice when k % 3 == 0), name 8 when k is even, 9 when k % 5 == 0.
  for (std::size_t k = 0; k < kRecords; ++k) {
    r.add_record("C", NameId(1000 + k), k, false);
    r.add_member(member(7));
    if (k % 2 == 0) r.add_member(member(8));
    if (k % 3 == 0) r.add_member(member(7));
    if (k % 5 == 0) r.add_member(member(9));
  }
  EXPECT_EQ(r.count_records_with(7), kRecords);
  EXPECT_EQ(r.count_records_with(8), kRecords / 2);
  EXPECT_EQ(r.count_records_with(9), kRecords / 5);
  for (std::size_t k = 0; k < kRecords; k += 7) EXPECT_TRUE(r.mark_read(k, 7)) << k;
  for (std::size_t k = 1; k < kRecords; k += 2) EXPECT_FALSE(r.mark_used(k, 8)) << k;
  for (std::size_t k = 0; k < kRecords; k += 4) EXPECT_TRUE(r.mark_used(k, 8)) << k;
  for (std::size_t k = 0; k < kRecords; ++k) {
    Flags want;
    const auto seven = k % 7 == 0 ? kRead : kNone;
    want.push_back(seven);
    if (k % 2 == 0) want.push_back(k % 4 == 0 ? kUsed : kNone);
    if (k % 3 == 0) want.push_back(seven);
    if (k % 5 == 0) want.push_back(kNone);
    EXPECT_EQ(flags(r, k), want) << k;
  }
  std::vector<std::size_t> with_nine;
  r.each_record_with(9, [&](std::size_t record, bool used) {
    EXPECT_FALSE(used);
    with_nine.push_back(record);
  });
  ASSERT_EQ(with_nine.size(), kRecords / 5);
  for (std::size_t j = 0; j < with_nine.size(); ++j) EXPECT_EQ(with_nine[j], 5 * j);
  r.mark_read_everywhere(9);
  for (std::size_t k = 0; k < kRecords; k += 5) EXPECT_TRUE(r.member_used(k, 9)) << k;
}

}  // namespace
}  // namespace linter
