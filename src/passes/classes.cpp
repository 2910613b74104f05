#include "passes/classes.h"

#include <algorithm>
#include <utility>

namespace linter {

std::size_t ClassRegistry::add_record(std::string_view name, NameId id, std::uint64_t line,
                                      bool is_interface) {
  std::size_t r = records_.size();
  records_.push_back({name, {}, line, is_interface, id});
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
  std::size_t r = records_.size() - 1;
  ClassInfo& info = records_[r];
  if (member.id != kNoName) {
    if (member.id >= by_name_.size()) by_name_.resize(std::size_t(member.id) + 1);
    Groups& groups = by_name_[member.id];
    if (groups.list.empty() || groups.list.back().record != r) groups.list.push_back({r, {}, 0, 0});
    groups.list.back().members.push_back(info.members.size());
  }
  info.members.push_back(member);
}

const ClassRegistry::Group* ClassRegistry::find_group(NameId name, std::size_t record) const {
  if (name >= by_name_.size()) return nullptr;
  const std::vector<Group>& list = by_name_[name].list;
  // Members usually go to the newest record; check it before searching.
  if (!list.empty() && list.back().record == record) return &list.back();
  auto g = std::lower_bound(list.begin(), list.end(), record,
                            [](const Group& a, std::size_t r) { return a.record < r; });
  return (g != list.end() && g->record == record) ? &*g : nullptr;
}

ClassRegistry::Group* ClassRegistry::find_group(NameId name, std::size_t record) {
  return const_cast<Group*>(std::as_const(*this).find_group(name, record));
}

bool ClassRegistry::has_member(std::size_t record, NameId name) const {
  return find_group(name, record) != nullptr;
}

bool ClassRegistry::member_used(std::size_t record, NameId name) const {
  const Group* g = find_group(name, record);
  return g && g->used_marked > 0;
}

void ClassRegistry::mark_group_read(Group& g) {
  std::vector<Symbol>& members = records_[g.record].members;
  for (std::size_t k = g.read_marked; k < g.members.size(); ++k) {
    Symbol& s = members[g.members[k]];
    s.used = true;
    s.read = true;
  }
  g.read_marked = g.members.size();
  g.used_marked = g.members.size();
}

bool ClassRegistry::mark_read(std::size_t record, NameId name) {
  Group* g = find_group(name, record);
  if (!g) return false;
  mark_group_read(*g);
  return true;
}

bool ClassRegistry::mark_used(std::size_t record, NameId name) {
  Group* g = find_group(name, record);
  if (!g) return false;
  std::vector<Symbol>& members = records_[g->record].members;
  for (std::size_t k = g->used_marked; k < g->members.size(); ++k) members[g->members[k]].used = true;
  g->used_marked = g->members.size();
  return true;
}

void ClassRegistry::mark_read_everywhere(NameId name) {
  if (name >= by_name_.size()) return;
  Groups& groups = by_name_[name];
  if (groups.list.empty()) return;
  for (std::size_t k = groups.dot_marked; k < groups.list.size(); ++k) mark_group_read(groups.list[k]);
  // Only the newest group can still gain members.
  groups.dot_marked = groups.list.size() - 1;
}

std::size_t ClassRegistry::count_records_with(NameId name) const {
  return name < by_name_.size() ? by_name_[name].list.size() : 0;
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
