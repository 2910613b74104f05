// Declarations and parameters that reuse a name from an enclosing scope or a member
// of the enclosing class.
#include <string>

#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

void check_shadowing(Walk& w, NameId id, std::uint64_t line) {
  const Symbol* outer = w.table.find_outer(id);
  const bool member = w.in_class && w.classes.has_member(w.current_class, id);
  if (!outer && !member) return;
  const Shown name{w.tokens.name(id), w.debug};
  if (outer) {
    add_warning(w.warnings, line, w.ctx, "'", name, "' shadows ", kind_word(outer->kind),
                " declared at line ", std::to_string(outer->line));
  }
  if (member) {
    add_warning(w.warnings, line, w.ctx, "'", name, "' shadows member of '",
                Shown{w.class_name(), w.debug}, "'");
  }
}

void check_parameter_shadowing(Walk& w, NameId id, std::uint64_t line, const ContextName& ctx,
                               std::optional<std::size_t> cls) {
  const bool member = cls && w.classes.has_member(*cls, id);
  const Symbol* outer = w.table.find_outer(id);
  if (!member && !outer) return;
  const Shown name{w.tokens.name(id), w.debug};
  if (member) {
    add_warning(w.warnings, line, ctx, "Parameter '", name, "' shadows member of '",
                Shown{w.classes.record(*cls).name, w.debug}, "'");
  }
  if (outer) {
    add_warning(w.warnings, line, ctx, "Parameter '", name, "' shadows outer declaration");
  }
}

}  // namespace linter
