// Declarations: a type followed by a name.
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

void sixty_four_bit_warning(WalkState& w, std::string_view type, std::uint64_t where) {
  add_warning(w.warnings, where, "[", w.ctx, "] use of ", type,
              ": 64-bit integers are broken in BGT; a wrapper class is required");
}

// A free function or a variable outside a class body: it counts as used and read at
// once when a read looked for it earlier and found nothing.
void declare_in_scope(WalkState& w, std::size_t name_index, SymbolKind kind) {
  NameId id = w.tokens.name_id(name_index);
  bool seen = w.table.was_unresolved(id);
  w.table.declare({w.tokens.name(id), at_token(name_index), seen, seen, kind, id});
}

void declare_function(WalkState& w, std::size_t name_index) {
  check_shadowing(w, name_index);
  if (w.in_class) {
    record_member_function(w, name_index);
  } else {
    declare_in_scope(w, name_index, SymbolKind::Function);
  }
  function_header(w, name_index);
}

void declare_variable(WalkState& w, std::size_t name_index) {
  check_shadowing(w, name_index);
  if (w.in_class && !w.current_function) {
    record_member_variable(w, name_index);
  } else {
    declare_in_scope(w, name_index, SymbolKind::Variable);
  }
  w.i = name_index + 1;
}

}  // namespace

void handle_type_name(WalkState& w) {
  const TokenList& t = w.tokens;
  const std::size_t i = w.i;
  const NameId id = t.name_id(i);
  if (t.kind(i) == TokenKind::TypeKw && w.pre.has(id, PreScan::kSixtyFourBit))
    sixty_four_bit_warning(w, t.name(id), at_token(i));
  std::size_t j = name_position(t, i);
  if (t.is(j, TokenKind::Ident)) {
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

}  // namespace linter
