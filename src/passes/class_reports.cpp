#include "passes/class_reports.h"

#include "passes/display.h"
#include "passes/pair_map.h"

namespace linter {

std::string dump_classes(const BigVector<Implementation>& implementations,
                         const ClassRegistry& classes) {
  std::string out = "=== IMPLEMENTATIONS ===\n";
  for (const Implementation& pair : implementations) {
    out += "  ";
    append_display(out, pair.class_name, true);
    out += " implements ";
    append_display(out, pair.interface_name, true);
    out += '\n';
  }
  out += "=== INTERFACES ===\n";
  for (std::size_t r = 0; r < classes.size(); ++r) {
    const ClassInfo& info = classes.record(r);
    if (!info.is_interface) continue;
    out += "  interface ";
    append_display(out, info.name, true);
    out += " members:\n";
    for (const Symbol& m : classes.members(r)) {
      out += "    ";
      append_display(out, m.name, true);
      out += m.used ? " used=true" : " used=false";
      out += m.read ? " read=true\n" : " read=false\n";
    }
  }
  out += "=== END ===\n";
  return out;
}

namespace {

// A never-used member function is exempt when a type its class names first after the
// colon is an interface whose member of the same name is used. The answer depends only
// on the two names, so it is worked out once per pair of names, from whichever side is
// smaller: the class's base names, or the records that use a member of that name.
class InterfaceExemption {
 public:
  InterfaceExemption(const ClassRegistry& classes, const PreScan& pre)
      : classes_(classes), pre_(pre) {
    for (const Implementation& p : pre.implementations)
      pairs_.try_emplace(PairMap<bool>::key(p.class_id, p.interface_id), true);
  }

  bool applies(NameId class_name, NameId member) {
    if (pre_.implementations.empty() || member == kNoName) return false;
    std::span<const std::uint32_t> pairs = pre_.implementations_of(class_name);
    if (pairs.empty()) return false;
    auto [known, fresh] = memo_.try_emplace(PairMap<bool>::key(class_name, member), false);
    if (!fresh) return *known;
    bool exempt = false;
    if (pairs.size() <= classes_.count_records_with(member)) {
      for (std::size_t k : pairs) {
        auto iface = classes_.first_interface_named(pre_.implementations[k].interface_id);
        if (iface && classes_.member_used(*iface, member)) {
          exempt = true;
          break;
        }
      }
    } else {
      classes_.each_record_with(member, [&](std::size_t r, bool used) {
        const ClassInfo& info = classes_.record(r);
        if (exempt || !used || !info.is_interface) return;
        if (classes_.first_interface_named(info.id) != r) return;
        if (pairs_.find_value(PairMap<bool>::key(class_name, info.id))) exempt = true;
      });
    }
    *known = exempt;  // nothing was added to memo_ since, so the entry has not moved
    return exempt;
  }

 private:
  const ClassRegistry& classes_;
  const PreScan& pre_;
  PairMap<bool> pairs_;  // class and interface name pairs, all true
  PairMap<bool> memo_;   // class and member name pairs: exempt or not
};

}  // namespace

void report_members(const ClassRegistry& classes, const PreScan& pre, bool debug,
                    WarningList& warnings) {
  InterfaceExemption exemption(classes, pre);
  for (std::size_t r = 0; r < classes.size(); ++r) {
    const ClassInfo& info = classes.record(r);
    for (const Symbol& m : classes.members(r)) {
      if (m.used) {
        if (m.read || m.kind != SymbolKind::MemberVariable) continue;
        add_warning(warnings, m.line, Shown{info.name, debug}, "Member variable '",
                    Shown{m.name, debug}, "' is written but never read");
        continue;
      }
      if (m.kind == SymbolKind::MemberFunction && exemption.applies(info.id, m.id)) continue;
      add_warning(warnings, m.line, Shown{info.name, debug}, "Unused ", kind_word(m.kind),
                  ": '", Shown{m.name, debug}, "'");
    }
  }
}

}  // namespace linter
