// Declarations and parameters that reuse a name from an enclosing scope or a member
// of the enclosing class.
#include <string>

#include "passes/display.h"
#include "passes/effects.h"

namespace linter {

void check_shadowing(Tables& t, const Effect& e) {
  const NameId id = e.id;
  const std::uint32_t class_ref = e.class_ref;
  const Symbol* outer = t.table.find_outer(id);
  const bool member = class_ref && t.classes.has_member(class_ref - 1, id);
  if (!outer && !member) return;
  const Shown name{t.tokens.name(id), t.debug};
  const std::uint64_t where = at_token(e.token);
  const ContextName& ctx = t.context(e.context);
  if (outer) {
    const std::string outer_line = std::to_string(t.line_of_declaration(outer->line));
    add_warning(t.warnings, where, "[", ctx, "] '", name, "' shadows ", kind_word(outer->kind),
                " declared at line ", outer_line);
  }
  if (member) {
    add_warning(t.warnings, where, "[", ctx, "] '", name, "' shadows member of '",
                Shown{t.classes.record(class_ref - 1).name, t.debug}, "'");
  }
}

void check_parameter_shadowing(Tables& t, const Effect& e) {
  const NameId id = e.id;
  const std::uint32_t class_ref = e.class_ref;
  const bool member = class_ref && t.classes.has_member(class_ref - 1, id);
  const Symbol* outer = t.table.find_outer(id);
  if (!member && !outer) return;
  const Shown name{t.tokens.name(id), t.debug};
  const std::uint64_t where = at_token(e.token);
  const ContextName& ctx = t.context(e.context);
  if (member) {
    add_warning(t.warnings, where, "[", ctx, "] Parameter '", name, "' shadows member of '",
                Shown{t.classes.record(class_ref - 1).name, t.debug}, "'");
  }
  if (outer) {
    add_warning(t.warnings, where, "[", ctx, "] Parameter '", name, "' shadows outer declaration");
  }
}

}  // namespace linter
