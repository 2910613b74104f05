// Class and interface members: recording them, and every way they get marked.
#include "output.h"
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

// Whether a name declared now counts as used already: it follows a `.` somewhere, or
// a read looked for it before and found nothing.
bool referenced_before(const Walk& w, NameId name) {
  return w.pre.has(name, PreScan::kDotName) || w.table.was_unresolved(name);
}

// A read of a bare name that neither the scopes nor the current class hold: follow the
// class's first base, then that type's first base, and so on, marking the members of
// the first type that has some of that name. A name met twice means a cycle.
void mark_inherited_member(Walk& w, NameId name) {
  ClassRegistry& classes = w.classes;
  // No record has such a member: no walk can find one.
  if (classes.count_records_with(name) == 0) return;
  BaseChainMemo& memo = w.base_chains;
  if (memo.answers.empty()) memo.answers.resize(w.tokens.name_count());
  BaseChainMemo::Answer& answer = memo.answers[name];
  const auto stamp = std::uint32_t(w.current_class + 1);
  if (answer.class_stamp == stamp) {
    if (answer.record) classes.mark_read(answer.record - 1, name);
    return;
  }
  answer = {stamp, 0};
  if (memo.seen.empty()) memo.seen.resize(w.tokens.name_count(), 0);
  const std::size_t walk = ++memo.walks;
  NameId current = classes.record(w.current_class).id;
  memo.seen[current] = walk;
  auto key = [name](NameId base) { return PairMap<std::uint32_t>::key(base, name); };
  bool settled = false;  // ended at a member or at the top: the same from any start
  std::uint32_t found = 0;
  memo.path.clear();
  for (;;) {
    std::span<const std::uint32_t> pairs = w.pre.implementations_of(current);
    if (pairs.empty()) {
      settled = true;
      break;
    }
    const NameId base = w.pre.implementations[pairs.front()].interface_id;
    if (memo.seen[base] == walk) break;
    memo.seen[base] = walk;
    if (const std::uint32_t* known = memo.ends.find_value(key(base))) {
      found = *known;
      if (found) classes.mark_read(found - 1, name);
      settled = true;
      break;
    }
    const std::optional<std::size_t> record = classes.first_record_named(base);
    if (!record) break;
    memo.path.push_back(base);
    if (classes.mark_read(*record, name)) {
      found = std::uint32_t(*record + 1);
      settled = true;
      break;
    }
    current = base;
  }
  answer.record = found;
  if (settled)
    for (NameId base : memo.path) memo.ends.try_emplace(key(base), found);
}

}  // namespace

void read_member_fallback(Walk& w, NameId id) {
  if (!w.classes.mark_read(w.current_class, id)) mark_inherited_member(w, id);
}

void write_member_fallback(Walk& w, NameId id) { w.classes.mark_used(w.current_class, id); }

void record_member_variable(Walk& w, NameId id, std::uint64_t line) {
  w.classes.add_member({w.tokens.name(id), line, false, false, SymbolKind::MemberVariable, id});
  if (referenced_before(w, id)) w.classes.mark_read(w.current_class, id);
}

void record_member_function(Walk& w, NameId id, std::uint64_t line) {
  const std::string_view name = w.tokens.name(id);
  if (w.debug) {
    std::string trace = "line " + pad4(line) + "  DECLARE member ";
    append_display(trace, name, true);
    trace += " on class ";
    append_display(trace, w.class_name(), true);
    w.trace.push_back(std::move(trace));
  }
  w.classes.add_member({name, line, false, false, SymbolKind::MemberFunction, id});
  if (referenced_before(w, id) || w.pre.has(id, PreScan::kOperatorMethod))
    w.classes.mark_read(w.current_class, id);
}

void handle_dot(Walk& w) {
  const TokenList& t = w.tokens;
  const std::size_t d = w.i;
  if (!t.is(d + 1, TokenKind::Ident)) {
    w.i = d + 1;
    return;
  }
  const NameId id = t.name_id(d + 1);
  if (w.debug) {
    std::string line = w.trace_head(d + 1) + "  DOT .";
    append_display(line, t.name(id), true);
    line += "  marks classes: [";
    bool first = true;
    w.classes.each_record_with(id, [&](std::size_t r, bool) {
      if (!first) line += ", ";
      first = false;
      line += '"';
      append_display(line, w.classes.record(r).name, true);
      line += '"';
    });
    line += ']';
    w.trace.push_back(std::move(line));
  }
  // The name after a `.` is a member of some class: it is not looked up in the scopes.
  w.classes.mark_read_everywhere(id);
  w.i = d + 2;
}

void handle_tilde(Walk& w) {
  const TokenList& t = w.tokens;
  const std::size_t tilde = w.i;
  if (!t.is(tilde + 1, TokenKind::Ident)) {
    w.i = tilde + 1;
    return;
  }
  // "~Name" is no word of the script: no `.` can precede it and no read can look for
  // it, so it is never marked.
  std::string& name = w.built_names.emplace_back("~");
  name.append(t.text(tilde + 1));
  if (w.in_class)
    w.classes.add_member({name, w.line(tilde + 1), false, false, SymbolKind::MemberFunction});
  destructor_header(w, tilde, name);
}

}  // namespace linter
