// Declarations and parameters that reuse a name from an enclosing scope or a member
// of the enclosing class.
#include "passes/display.h"
#include "passes/walk.h"

namespace linter {

namespace {

void append_member_shadow(WalkState& w, std::string& message, std::string_view name,
                          std::uint64_t line) {
  append_display(message, name, w.debug);
  message += "' shadows member of '";
  append_display(message, w.class_name(), w.debug);
  message += "'";
  w.warnings.push_back({std::move(message), line});
}

}  // namespace

void check_shadowing(WalkState& w, std::size_t name_index) {
  std::string_view name = w.tokens.text(name_index);
  std::uint64_t line = w.tokens.line(name_index);
  NameId id = w.tokens.name_id(name_index);
  if (const Symbol* outer = w.table.find_outer(id)) {
    std::string message = "[";
    w.ctx.append_to(message);
    message += "] '";
    append_display(message, name, w.debug);
    message += "' shadows ";
    message += kind_word(outer->kind);
    message += " declared at line ";
    message += std::to_string(outer->line);
    w.warnings.push_back({std::move(message), line});
  }
  if (w.in_class && w.classes.has_member(w.current_class, id)) {
    std::string message = "[";
    w.ctx.append_to(message);
    message += "] '";
    append_member_shadow(w, message, name, line);
  }
}

void check_parameter_shadowing(WalkState& w, std::size_t name_index, const ContextName& ctx,
                               bool with_class) {
  std::string_view name = w.tokens.text(name_index);
  std::uint64_t line = w.tokens.line(name_index);
  NameId id = w.tokens.name_id(name_index);
  if (with_class && w.classes.has_member(w.current_class, id)) {
    std::string message = "[";
    ctx.append_to(message);
    message += "] Parameter '";
    append_member_shadow(w, message, name, line);
  }
  if (w.table.find_outer(id)) {
    std::string message = "[";
    ctx.append_to(message);
    message += "] Parameter '";
    append_display(message, name, w.debug);
    message += "' shadows outer declaration";
    w.warnings.push_back({std::move(message), line});
  }
}

}  // namespace linter
