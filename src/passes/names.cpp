// Declarations: a type followed by a name.
#include "passes/walk.h"

namespace linter {

namespace {

void declare_function(WalkState& w, std::size_t name_index) {
  w.declare(w.in_class ? Effect::MemberFunction : Effect::Function, name_index);
  function_header(w, name_index);
}

void declare_variable(WalkState& w, std::size_t name_index) {
  const bool member = w.in_class && !w.current_function;
  w.declare(member ? Effect::MemberVariable : Effect::Variable, name_index);
  w.i = name_index + 1;
}

}  // namespace

void handle_type_name(WalkState& w) {
  const TokenList& t = w.tokens;
  const std::size_t i = w.i;
  const NameId id = t.name_id(i);
  if (t.kind(i) == TokenKind::TypeKw && w.pre.has(id, PreScan::kSixtyFourBit))
    w.declare(Effect::SixtyFourBit, i);
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
