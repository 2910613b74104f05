#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace linter {

// A context name ("global", a class, "Class::method", "Class::~Name") kept as views of
// its pieces, so pushing a frame or entering a method never copies a long class name.
struct ContextName {
  std::string_view head;
  std::string_view sep;   // "", "::" or "::~"
  std::string_view tail;

  void append_to(std::string& out) const {
    out.append(head);
    out.append(sep);
    out.append(tail);
  }
  std::string str() const {
    std::string s;
    append_to(s);
    return s;
  }
};

inline const ContextName kGlobalContext{"global", "", ""};

}  // namespace linter
