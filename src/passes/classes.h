#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "symbols/symbol.h"

namespace linter {

// One class or interface header and the members recorded in its body.
struct ClassInfo {
  std::string_view name;
  std::vector<Symbol> members;
  std::uint64_t line = 0;
  bool is_interface = false;
  NameId id = kNoName;
};

// A class header's name and the first name of its base list.
struct Implementation {
  std::string_view class_name;
  std::string_view interface_name;
  NameId class_id = kNoName;
  NameId interface_id = kNoName;
};

// The ClassInfo records and an index of their members by name. A mark always covers
// every member of one name in one record, and flags only ever turn on, so each group
// of same-named members keeps how far it is already marked: marking costs O(1) amortised
// however many classes, overloads or dots a script has.
class ClassRegistry {
 public:
  std::size_t add_record(std::string_view name, NameId id, std::uint64_t line, bool is_interface);
  // Members are only ever added to the newest record. A member without a name id
  // (a destructor) is kept but not indexed: nothing can look it up by name.
  void add_member(const Symbol& member);

  const std::vector<ClassInfo>& records() const { return records_; }
  const ClassInfo& record(std::size_t r) const { return records_[r]; }

  bool has_member(std::size_t record, NameId name) const;
  // Whether some member of that name in the record has its used flag.
  bool member_used(std::size_t record, NameId name) const;
  // Marks the record's members of that name used and read (or only used); false when
  // the record has no such member.
  bool mark_read(std::size_t record, NameId name);
  bool mark_used(std::size_t record, NameId name);
  // Marks the members of that name in every record used and read.
  void mark_read_everywhere(NameId name);
  // Records that have a member of that name, in record order.
  // Calls f(record, used) for each, used telling whether one of those members is used.
  template <typename F>
  void each_record_with(NameId name, F f) const {
    if (name >= by_name_.size()) return;
    for (const Group& g : by_name_[name].list) f(g.record, g.used_marked > 0);
  }
  std::size_t count_records_with(NameId name) const;

  std::optional<std::size_t> first_record_named(NameId name) const;
  std::optional<std::size_t> first_interface_named(NameId name) const;

 private:
  struct Group {
    std::size_t record;
    std::vector<std::size_t> members;  // indices into the record's members
    std::size_t read_marked = 0;       // members before this are used and read
    std::size_t used_marked = 0;       // members before this are used
  };
  struct Groups {
    std::vector<Group> list;     // by record, ascending
    std::size_t dot_marked = 0;  // groups before this are wholly used and read
  };

  Group* find_group(NameId name, std::size_t record);
  const Group* find_group(NameId name, std::size_t record) const;
  void mark_group_read(Group& g);

  std::vector<ClassInfo> records_;
  // By name id.
  std::vector<Groups> by_name_;
  std::vector<std::size_t> first_record_;
  std::vector<std::size_t> first_interface_;
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

}  // namespace linter
