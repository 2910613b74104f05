#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "huge_pages.h"
#include "symbols/symbol.h"

namespace linter {

// One class or interface header; its members are ClassRegistry::members(record).
struct ClassInfo {
  std::string_view name;
  std::uint64_t line = 0;
  bool is_interface = false;
  NameId id = kNoName;
  std::size_t first_member = 0;  // the record's members: [first_member, end_member)
  std::size_t end_member = 0;
};

// The ClassInfo records, their members, and an index of the members by name. A mark
// always covers every member of one name in one record, and flags only ever turn on,
// so each group of same-named members in a record keeps where its unmarked members
// start: marking costs O(1) amortised however many classes, overloads or dots a
// script has.
class ClassRegistry {
 public:
  // A registry for names with ids below name_count.
  explicit ClassRegistry(std::size_t name_count = 0)
      : groups_index_(name_count, 0), first_record_(name_count, kNone),
        first_interface_(name_count, kNone) {}

  // Room for about that many members, untouched until used.
  void reserve(std::size_t members);

  std::size_t add_record(std::string_view name, NameId id, std::uint64_t line, bool is_interface);
  // Members are only ever added to the newest record. A member without a name id
  // (a destructor) is kept but not indexed: nothing can look it up by name.
  void add_member(const Symbol& member);

  std::size_t size() const { return records_.size(); }
  const ClassInfo& record(std::size_t r) const { return records_[r]; }
  std::span<const Symbol> members(std::size_t r) const {
    return std::span<const Symbol>(members_).subspan(
        records_[r].first_member, records_[r].end_member - records_[r].first_member);
  }

  bool has_member(std::size_t record, NameId name) const { return find_group(name, record); }
  // Whether some member of that name in the record has its used flag.
  bool member_used(std::size_t record, NameId name) const;
  // Marks the record's members of that name used and read; false when it has none.
  bool mark_read(std::size_t record, NameId name);
  // Marks the record's members of that name used; false when it has none.
  bool mark_used(std::size_t record, NameId name);
  // Marks the members of that name in every record used and read.
  void mark_read_everywhere(NameId name);
  // Calls f(record, used) for each record that has a member of that name, in record
  // order; used tells whether one of those members is used.
  template <typename F>
  void each_record_with(NameId name, F f) const {
    if (const Groups* groups = groups_of(name))
      for (const Group& g : list(*groups)) f(std::size_t(g.record), members_[g.first].used);
  }
  std::size_t count_records_with(NameId name) const {
    const Groups* groups = groups_of(name);
    return groups ? groups->size : 0;
  }

  std::optional<std::size_t> first_record_named(NameId name) const;
  std::optional<std::size_t> first_interface_named(NameId name) const;

 private:
  // Members and records are numbered in 32 bits: each takes tens of bytes, so 2^32 of
  // either would not fit in memory.
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

  // The members of one name in one record, linked through next_same_ in order.
  struct Group {
    std::uint32_t record;
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t read_next;  // the first member not yet used and read, or kNone
    std::uint32_t used_next;  // the first member not yet used, or kNone
  };
  // The groups of one name, by record ascending: group_pool_[start, start + size).
  // Every name's list lives in the one pool, so that thousands of short lists cost no
  // allocation each; a full list moves to the pool's end with twice the room, and the
  // room it leaves is not reused (it adds up to less than the lists themselves).
  struct Groups {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    std::uint32_t capacity = 0;
    std::uint32_t dot_marked = 0;  // groups before this are wholly used and read
  };
  std::span<const Group> list(const Groups& groups) const {
    return {group_pool_.data() + groups.start, groups.size};
  }
  std::span<Group> list(const Groups& groups) {
    return {group_pool_.data() + groups.start, groups.size};
  }
  void add_group(Groups& groups, const Group& g);

  const Groups* groups_of(NameId name) const {
    if (name >= groups_index_.size() || groups_index_[name] == 0) return nullptr;
    return &groups_[groups_index_[name] - 1];
  }
  const Group* find_group(NameId name, std::size_t record) const {
    const Groups* groups = groups_of(name);
    if (!groups) return nullptr;
    // Members go to the newest record and reads mostly ask the current class, which is
    // the newest: settle those without a search, and so a class newer than every group,
    // which has none (groups are in record order).
    const Group& newest = group_pool_[groups->start + groups->size - 1];
    if (newest.record == record) return &newest;
    if (newest.record < record) return nullptr;
    return find_older_group(*groups, record);
  }
  const Group* find_older_group(const Groups& groups, std::size_t record) const;
  Group* find_group(NameId name, std::size_t record) {
    return const_cast<Group*>(static_cast<const ClassRegistry&>(*this).find_group(name, record));
  }
  void mark_group_read(Group& g);

  BigVector<ClassInfo> records_;
  BigVector<Symbol> members_;             // every record's, record after record
  BigVector<std::uint32_t> next_same_;    // parallel to members_: next of its group, or kNone
  BigVector<std::uint32_t> groups_index_;  // by name id: index into groups_ plus one, or 0
  BigVector<Groups> groups_;               // only for names some member has
  BigVector<Group> group_pool_;
  BigVector<std::uint32_t> first_record_;  // by name id, or kNone
  BigVector<std::uint32_t> first_interface_;
};

}  // namespace linter
