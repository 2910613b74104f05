// Names: a type followed by a name declares it; any other name is read, or written when
// a plain `=` follows it.
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

void read_name(Walk& w, NameId id) {
  if (!w.table.resolve(id) && w.in_class) read_member_fallback(w, id);
}

void write_name(Walk& w, NameId id) {
  if (!w.table.mark_written(id) && w.in_class) write_member_fallback(w, id);
}

// A variable or free function counts as used and read at once when a read looked for
// its name earlier and found nothing.
void declare_in_scope(Walk& w, NameId id, std::uint64_t line, SymbolKind kind) {
  const bool seen = w.table.was_unresolved(id);
  w.table.declare({w.tokens.name(id), line, seen, seen, kind, id});
}

void declare_function(Walk& w, std::size_t name_index) {
  const NameId id = w.tokens.name_id(name_index);
  const std::uint64_t line = w.line(name_index);
  check_shadowing(w, id, line);
  if (w.in_class) {
    record_member_function(w, id, line);
  } else {
    declare_in_scope(w, id, line, SymbolKind::Function);
  }
  function_header(w, name_index);
}

void declare_variable(Walk& w, std::size_t name_index) {
  const NameId id = w.tokens.name_id(name_index);
  const std::uint64_t line = w.line(name_index);
  check_shadowing(w, id, line);
  if (w.in_class && !w.current_function) {
    record_member_variable(w, id, line);
  } else {
    declare_in_scope(w, id, line, SymbolKind::Variable);
  }
  w.i = name_index + 1;
}

void type_word(Walk& w) {
  const TokenList& t = w.tokens;
  const std::size_t i = w.i;
  const NameId id = t.name_id(i);
  if (w.pre.has(id, PreScan::kSixtyFourBit)) {
    add_warning(w.warnings, w.line(i), w.ctx, "use of ", Shown{t.name(id), false},
                ": 64-bit integers are broken in BGT; a wrapper class is required");
  }
  const std::size_t j = name_position(t, i);
  if (t.is(j, TokenKind::Ident)) {
    // Nothing after the name is examined: `int a, b;` declares a alone.
    if (t.is(j + 1, TokenKind::LParen)) {
      declare_function(w, j);
    } else {
      declare_variable(w, j);
    }
    return;
  }
  // A type used as a value: a constructor call, a cast, a template argument.
  read_name(w, id);
  w.i = i + 1;
}

}  // namespace

void handle_name(Walk& w) {
  const TokenList& t = w.tokens;
  const std::size_t i = w.i;
  const NameId id = t.name_id(i);
  if (t.kind(i) == TokenKind::TypeKw || w.pre.has(id, PreScan::kTypeName)) {
    type_word(w);
    return;
  }
  if (t.is(i + 1, TokenKind::Equals)) {
    // A declared function's name is resolved as a call first.
    if (w.pre.has(id, PreScan::kFunctionName)) w.table.resolve(id);
    write_name(w, id);
  } else {
    read_name(w, id);
  }
  w.i = i + 1;
}

}  // namespace linter
