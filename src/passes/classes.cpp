#include "passes/classes.h"

#include <algorithm>
#include <stdexcept>

namespace linter {

std::size_t ClassRegistry::add_record(std::string_view name, NameId id, std::uint64_t line,
                                      bool is_interface) {
  if (records_.size() >= kNone) throw std::length_error("too many classes");
  const auto r = std::uint32_t(records_.size());
  records_.push_back({name, line, is_interface, id, members_.size(), members_.size()});
  if (id != kNoName) {
    if (id >= first_record_.size()) {
      first_record_.resize(std::size_t(id) + 1, kNone);
      first_interface_.resize(std::size_t(id) + 1, kNone);
    }
    if (first_record_[id] == kNone) first_record_[id] = r;
    if (is_interface && first_interface_[id] == kNone) first_interface_[id] = r;
  }
  return r;
}

void ClassRegistry::add_member(const Symbol& member) {
  if (members_.size() >= kNone) throw std::length_error("too many class members");
  const auto r = std::uint32_t(records_.size() - 1);
  const auto m = std::uint32_t(members_.size());
  members_.push_back(member);
  next_same_.push_back(kNone);
  records_[r].end_member = std::size_t(m) + 1;
  if (member.id == kNoName) return;
  if (member.id >= groups_index_.size()) groups_index_.resize(std::size_t(member.id) + 1, 0);
  std::uint32_t& index = groups_index_[member.id];
  if (index == 0) {
    groups_.emplace_back();
    index = std::uint32_t(groups_.size());
  }
  Groups& groups = groups_[index - 1];
  if (groups.size == 0 || list(groups).back().record != r) {
    add_group(groups, {r, m, m, m, m});
    return;
  }
  Group& g = list(groups).back();
  next_same_[g.last] = m;
  g.last = m;
  if (g.read_next == kNone) g.read_next = m;
  if (g.used_next == kNone) g.used_next = m;
}

void ClassRegistry::reserve(std::size_t members) {
  members_.reserve(members);
  next_same_.reserve(members);
  group_pool_.reserve(members * 2);  // lists move to the pool's end as they fill
}

void ClassRegistry::add_group(Groups& groups, const Group& g) {
  if (groups.size == groups.capacity) {
    const std::uint32_t capacity = groups.capacity == 0 ? 4 : groups.capacity * 2;
    if (group_pool_.size() >= kNone - capacity) throw std::length_error("too many class members");
    const auto start = std::uint32_t(group_pool_.size());
    group_pool_.resize(group_pool_.size() + capacity);
    std::copy_n(group_pool_.begin() + groups.start, groups.size, group_pool_.begin() + start);
    groups.start = start;
    groups.capacity = capacity;
  }
  group_pool_[std::size_t(groups.start) + groups.size++] = g;
}

const ClassRegistry::Group* ClassRegistry::find_older_group(const Groups& groups,
                                                            std::size_t record) const {
  const std::span<const Group> all = list(groups);
  auto g = std::lower_bound(all.begin(), all.end(), record,
                            [](const Group& a, std::size_t r) { return a.record < r; });
  return (g != all.end() && g->record == record) ? &*g : nullptr;
}

bool ClassRegistry::member_used(std::size_t record, NameId name) const {
  const Group* g = find_group(name, record);
  return g && members_[g->first].used;
}

void ClassRegistry::mark_group_read(Group& g) {
  for (std::uint32_t m = g.read_next; m != kNone; m = next_same_[m]) {
    members_[m].used = true;
    members_[m].read = true;
  }
  g.read_next = kNone;
  g.used_next = kNone;
}

bool ClassRegistry::mark_read(std::size_t record, NameId name) {
  Group* g = find_group(name, record);
  if (!g) return false;
  if (g->read_next != kNone) mark_group_read(*g);
  return true;
}

bool ClassRegistry::mark_used(std::size_t record, NameId name) {
  Group* g = find_group(name, record);
  if (!g) return false;
  for (std::uint32_t m = g->used_next; m != kNone; m = next_same_[m]) members_[m].used = true;
  g->used_next = kNone;
  return true;
}

void ClassRegistry::mark_read_everywhere(NameId name) {
  if (name >= groups_index_.size() || groups_index_[name] == 0) return;
  Groups& groups = groups_[groups_index_[name] - 1];
  const std::span<Group> all = list(groups);
  for (std::size_t k = groups.dot_marked; k < all.size(); ++k)
    if (all[k].read_next != kNone) mark_group_read(all[k]);
  // Only the newest group can still gain members.
  groups.dot_marked = groups.size - 1;
}

std::optional<std::size_t> ClassRegistry::first_record_named(NameId name) const {
  if (name >= first_record_.size() || first_record_[name] == kNone) return std::nullopt;
  return first_record_[name];
}

std::optional<std::size_t> ClassRegistry::first_interface_named(NameId name) const {
  if (name >= first_interface_.size() || first_interface_[name] == kNone) return std::nullopt;
  return first_interface_[name];
}

}  // namespace linter
