#include "passes/classes.h"

#include <algorithm>

namespace linter {

std::size_t ClassRegistry::add_record(std::string_view name, NameId id, std::uint64_t line,
                                      bool is_interface) {
  std::size_t r = records_.size();
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
  const std::size_t r = records_.size() - 1;
  const std::size_t m = members_.size();
  members_.push_back(member);
  next_same_.push_back(kNone);
  records_[r].end_member = m + 1;
  if (member.id == kNoName) return;
  if (member.id >= groups_index_.size()) groups_index_.resize(std::size_t(member.id) + 1, 0);
  std::uint32_t& index = groups_index_[member.id];
  if (index == 0) {
    groups_.emplace_back();
    index = std::uint32_t(groups_.size());
  }
  std::vector<Group>& list = groups_[index - 1].list;
  if (list.empty() || list.back().record != r) {
    list.push_back({r, m, m, m, m});
    return;
  }
  Group& g = list.back();
  next_same_[g.last] = m;
  g.last = m;
  if (g.read_next == kNone) g.read_next = m;
  if (g.used_next == kNone) g.used_next = m;
}

const ClassRegistry::Group* ClassRegistry::find_older_group(const std::vector<Group>& list,
                                                            std::size_t record) {
  auto g = std::lower_bound(list.begin(), list.end(), record,
                            [](const Group& a, std::size_t r) { return a.record < r; });
  return (g != list.end() && g->record == record) ? &*g : nullptr;
}

bool ClassRegistry::member_used(std::size_t record, NameId name) const {
  const Group* g = find_group(name, record);
  return g && members_[g->first].used;
}

void ClassRegistry::mark_group_read(Group& g) {
  for (std::size_t m = g.read_next; m != kNone; m = next_same_[m]) {
    members_[m].used = true;
    members_[m].read = true;
  }
  g.read_next = kNone;
  g.used_next = kNone;
}

bool ClassRegistry::mark_used(std::size_t record, NameId name) {
  Group* g = find_group(name, record);
  if (!g) return false;
  for (std::size_t m = g->used_next; m != kNone; m = next_same_[m]) members_[m].used = true;
  g->used_next = kNone;
  return true;
}

void ClassRegistry::mark_read_everywhere(NameId name) {
  if (name >= groups_index_.size() || groups_index_[name] == 0) return;
  Groups& groups = groups_[groups_index_[name] - 1];
  for (std::size_t k = groups.dot_marked; k < groups.list.size(); ++k)
    if (groups.list[k].read_next != kNone) mark_group_read(groups.list[k]);
  // Only the newest group can still gain members.
  groups.dot_marked = groups.list.size() - 1;
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
