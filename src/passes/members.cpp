// Class and interface members: recording them, and every way they get marked.
#include <algorithm>
#include <array>

#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

constexpr std::array<std::string_view, 44> kOperatorMethodNames = {
    "opNeg",       "opCom",       "opPreInc",    "opPreDec",    "opPostInc",    "opPostDec",
    "opAdd",       "opAdd_r",     "opSub",       "opSub_r",     "opMul",        "opMul_r",
    "opDiv",       "opDiv_r",     "opMod",       "opMod_r",     "opAnd",        "opAnd_r",
    "opOr",        "opOr_r",      "opXor",       "opXor_r",     "opShl",        "opShl_r",
    "opShr",       "opShr_r",     "opUshr",      "opUshr_r",    "op_Ushr_r",    "opAssign",
    "opAddAssign", "opSubAssign", "opMulAssign", "opDivAssign", "opModAssign",  "opAndAssign",
    "opOrAssign",  "opXorAssign", "opShlAssign", "opShrAssign", "opUshrAssign", "opIndex",
    "opEquals",    "opCmp",
};

bool is_operator_method(std::string_view name) {
  if (name.size() < 4 || name[0] != 'o' || name[1] != 'p') return false;
  return std::find(kOperatorMethodNames.begin(), kOperatorMethodNames.end(), name) !=
         kOperatorMethodNames.end();
}

// Whether a name declared now counts as used already: it follows a `.` somewhere, or
// a read looked for it before and found nothing.
bool referenced_before(const WalkState& w, NameId name) {
  return w.pre.has(name, PreScan::kDotName) || w.table.was_unresolved(name);
}

// A read of a bare name that neither the scopes nor the current class hold: follow the
// class's first base, then that type's first base, and so on, marking the members of
// the first type that has some of that name. A name met twice means a cycle.
void mark_inherited_member(WalkState& w, NameId name) {
  // No record has such a member: no walk can find one.
  if (w.classes.count_records_with(name) == 0) return;
  if (w.inherited_reads.empty()) w.inherited_reads.resize(w.tokens.name_count());
  WalkState::InheritedRead& memo = w.inherited_reads[name];
  const std::uint32_t stamp = std::uint32_t(w.current_class + 1);
  if (memo.class_stamp == stamp) {
    if (memo.record) w.classes.mark_read(memo.record - 1, name);
    return;
  }
  memo = {stamp, 0};
  // The memo makes this walk once per name and class body.
  if (w.chain_seen.empty()) w.chain_seen.resize(w.tokens.name_count());
  const std::size_t walk = ++w.chain_walks;
  NameId current = w.classes.record(w.current_class).id;
  w.chain_seen[current] = walk;
  auto key = [name](NameId base) { return std::uint64_t(base) << 32 | name; };
  bool settled = false;  // ended at a member or at the top: the same from any start
  std::uint32_t found = 0;
  w.chain_path.clear();
  for (;;) {
    std::span<const std::uint32_t> pairs = w.pre.implementations_of(current);
    if (pairs.empty()) {
      settled = true;
      break;
    }
    NameId base = w.pre.implementations[pairs.front()].interface_id;
    if (w.chain_seen[base] == walk) break;
    w.chain_seen[base] = walk;
    if (auto known = w.chain_ends.find(key(base)); known != w.chain_ends.end()) {
      found = known->second;
      if (found) w.classes.mark_read(found - 1, name);
      settled = true;
      break;
    }
    std::optional<std::size_t> record = w.classes.first_record_named(base);
    if (!record) break;
    w.chain_path.push_back(base);
    if (w.classes.mark_read(*record, name)) {
      found = std::uint32_t(*record + 1);
      settled = true;
      break;
    }
    current = base;
  }
  memo.record = found;
  if (settled)
    for (NameId base : w.chain_path) w.chain_ends.emplace(key(base), found);
}

}  // namespace

void read_member_fallback(WalkState& w, NameId name) {
  if (!w.classes.mark_read(w.current_class, name)) mark_inherited_member(w, name);
}

void record_member_variable(WalkState& w, std::size_t name_index) {
  NameId id = w.tokens.name_id(name_index);
  w.classes.add_member(
      {w.tokens.name(id), at_token(name_index), false, false, SymbolKind::MemberVariable, id});
  if (referenced_before(w, id)) w.classes.mark_read(w.current_class, id);
}

void record_member_function(WalkState& w, std::size_t name_index) {
  NameId id = w.tokens.name_id(name_index);
  std::string_view name = w.tokens.name(id);
  if (w.debug) {
    std::string t = w.trace_head(w.tokens.line(name_index)) + "  DECLARE member ";
    append_display(t, name, true);
    t += " on class ";
    append_display(t, w.class_name(), true);
    w.trace.push_back(std::move(t));
  }
  w.classes.add_member(
      {name, at_token(name_index), false, false, SymbolKind::MemberFunction, id});
  if (referenced_before(w, id) || is_operator_method(name)) w.classes.mark_read(w.current_class, id);
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
  w.classes.mark_read_everywhere(id);
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
  // "~Name" is no word of the script: no `.` can precede it and no read can look for
  // it, so it is never marked.
  if (w.in_class)
    w.classes.add_member({name, at_token(tilde + 1), false, false, SymbolKind::MemberFunction});
  destructor_header(w, tilde, name);
}

}  // namespace linter
