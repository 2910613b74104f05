// Declarations and parameters that reuse a name from an enclosing scope or a member
// of the enclosing class.
#include <string>

#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

void check_shadowing(WalkState& w, std::size_t name_index) {
  const NameId id = w.tokens.name_id(name_index);
  const Symbol* outer = w.table.find_outer(id);
  const bool member = w.in_class && w.classes.has_member(w.current_class, id);
  if (!outer && !member) return;
  const Shown name{w.tokens.name(id), w.debug};
  const std::uint64_t where = at_token(name_index);
  if (outer) {
    const std::string outer_line = std::to_string(w.line_of_declaration(outer->line));
    add_warning(w.warnings, where, "[", w.ctx, "] '", name, "' shadows ", kind_word(outer->kind),
                " declared at line ", outer_line);
  }
  if (member) {
    add_warning(w.warnings, where, "[", w.ctx, "] '", name, "' shadows member of '",
                Shown{w.class_name(), w.debug}, "'");
  }
}

void check_parameter_shadowing(WalkState& w, std::size_t name_index, const ContextName& ctx,
                               bool with_class) {
  const NameId id = w.tokens.name_id(name_index);
  const Shown name{w.tokens.name(id), w.debug};
  const std::uint64_t where = at_token(name_index);
  if (with_class && w.classes.has_member(w.current_class, id)) {
    add_warning(w.warnings, where, "[", ctx, "] Parameter '", name, "' shadows member of '",
                Shown{w.class_name(), w.debug}, "'");
  }
  if (w.table.find_outer(id)) {
    add_warning(w.warnings, where, "[", ctx, "] Parameter '", name, "' shadows outer declaration");
  }
}

}  // namespace linter
