// Class and interface members: recording them, and every way they get marked.
#include <algorithm>
#include <array>

#include "output.h"
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

// Whether a name declared now counts as used already: it follows a `.` somewhere, or
// a read looked for it before and found nothing.
bool referenced_before(const Tables& t, NameId name) {
  return t.pre.has(name, PreScan::kDotName) || t.table.was_unresolved(name);
}

// A read of a bare name that neither the scopes nor the current class hold: follow the
// class's first base, then that type's first base, and so on, marking the members of
// the first type that has some of that name. A name met twice means a cycle.
void mark_inherited_member(Tables& t, std::size_t from, NameId name) {
  // No record has such a member: no walk can find one.
  if (t.classes.count_records_with(name) == 0) return;
  if (t.inherited_reads.empty()) t.inherited_reads.resize(t.tokens.name_count());
  Tables::InheritedRead& memo = t.inherited_reads[name];
  const std::uint32_t stamp = std::uint32_t(from + 1);
  if (memo.class_stamp == stamp) {
    if (memo.record) t.classes.mark_read(memo.record - 1, name);
    return;
  }
  memo = {stamp, 0};
  // The memo makes this walk once per name and class body.
  if (t.chain_seen.empty()) t.chain_seen.resize(t.tokens.name_count());
  const std::size_t walk = ++t.chain_walks;
  NameId current = t.classes.record(from).id;
  t.chain_seen[current] = walk;
  auto key = [name](NameId base) { return std::uint64_t(base) << 32 | name; };
  bool settled = false;  // ended at a member or at the top: the same from any start
  std::uint32_t found = 0;
  t.chain_path.clear();
  for (;;) {
    std::span<const std::uint32_t> pairs = t.pre.implementations_of(current);
    if (pairs.empty()) {
      settled = true;
      break;
    }
    NameId base = t.pre.implementations[pairs.front()].interface_id;
    if (t.chain_seen[base] == walk) break;
    t.chain_seen[base] = walk;
    if (const std::uint32_t* known = t.chain_ends.find(key(base))) {
      found = *known;
      if (found) t.classes.mark_read(found - 1, name);
      settled = true;
      break;
    }
    std::optional<std::size_t> record = t.classes.first_record_named(base);
    if (!record) break;
    t.chain_path.push_back(base);
    if (t.classes.mark_read(*record, name)) {
      found = std::uint32_t(*record + 1);
      settled = true;
      break;
    }
    current = base;
  }
  memo.record = found;
  if (settled)
    for (NameId base : t.chain_path) t.chain_ends.try_emplace(key(base), found);
}

}  // namespace

void read_member_fallback(Tables& t, std::size_t record, NameId name) {
  if (!t.classes.mark_read(record, name)) mark_inherited_member(t, record, name);
}

void record_member_variable(Tables& t, const Effect& e) {
  t.classes.add_member(
      {t.tokens.name(e.id), at_token(e.token), false, false, SymbolKind::MemberVariable, e.id});
  if (referenced_before(t, e.id)) t.classes.mark_read(e.class_ref - 1, e.id);
}

void record_member_function(Tables& t, const Effect& e) {
  const NameId id = e.id;
  const std::size_t record = e.class_ref - 1;
  std::string_view name = t.tokens.name(id);
  if (t.debug) {
    std::string line = "line " + pad4(t.tokens.line(e.token)) + "  DECLARE member ";
    append_display(line, name, true);
    line += " on class ";
    append_display(line, t.classes.record(record).name, true);
    t.trace.push_back(std::move(line));
  }
  t.classes.add_member({name, at_token(e.token), false, false, SymbolKind::MemberFunction, id});
  if (referenced_before(t, id) || t.pre.has(id, PreScan::kOperatorMethod))
    t.classes.mark_read(record, id);
}

void handle_dot(WalkState& w) {
  const TokenList& t = w.tokens;
  std::size_t d = w.i;
  if (!t.is(d + 1, TokenKind::Ident)) {
    w.i = d + 1;
    return;
  }
  NameId id = t.name_id(d + 1);
  if (w.debug) {
    std::string line = w.trace_head(t.line(d + 1)) + "  DOT .";
    append_display(line, t.name(id), true);
    line += "  marks classes: [";
    bool first = true;
    w.tables.classes.each_record_with(id, [&](std::size_t r, bool) {
      if (!first) line += ", ";
      first = false;
      line += '"';
      append_display(line, w.tables.classes.record(r).name, true);
      line += '"';
    });
    line += ']';
    w.trace.push_back(std::move(line));
  }
  w.on_name(Effect::DotName, id);
  w.i = d + 2;
}

void handle_tilde(WalkState& w) {
  const TokenList& t = w.tokens;
  std::size_t tilde = w.i;
  if (!t.is(tilde + 1, TokenKind::Ident)) {
    w.i = tilde + 1;
    return;
  }
  std::string& name = w.built_names.emplace_back("~");
  name.append(t.text(tilde + 1));
  if (w.in_class) w.declare(Effect::DestructorMember, tilde + 1);
  destructor_header(w, tilde, name);
}

}  // namespace linter
