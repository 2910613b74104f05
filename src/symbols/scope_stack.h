#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "huge_pages.h"
#include "passes/warning.h"
#include "symbols/context.h"
#include "symbols/symbol_table.h"

namespace linter {

enum class ScopeKind : std::uint8_t { Block, Params, ForInit };

std::string_view scope_kind_name(ScopeKind kind);

// Why a scope of the symbol table was opened, where it ends, and under which context
// name its unused symbols are reported.
struct ScopeFrame {
  std::optional<std::uint64_t> inline_end;  // token index closing a brace-less for scope
  ContextName ctx;
  std::uint64_t depth = 0;
  ScopeKind kind = ScopeKind::Block;
};

// The frames of the open scopes, innermost last. A script can nest scopes as deep as it
// has braces, so a frame is kept in 24 bytes: its context name (three views, 48 bytes)
// is stored once for the run of frames that share it, which is every frame between two
// function or class headers.
class ScopeStack {
 public:
  struct Frame {
    std::uint64_t inline_end;  // when has_inline_end
    std::uint64_t depth;
    std::uint32_t context;     // index into the stored contexts
    ScopeKind kind;
    bool has_inline_end;
  };

  ScopeStack() = default;
  ScopeStack(std::initializer_list<ScopeFrame> frames) {
    for (const ScopeFrame& f : frames) push_back(f);
  }

  std::size_t size() const { return frames_.size(); }
  bool empty() const { return frames_.empty(); }
  const Frame& back() const { return frames_.back(); }
  const ContextName& context(const Frame& f) const { return contexts_[f.context]; }

  void push_back(const ScopeFrame& f) {
    const ContextName& c = f.ctx;
    if (contexts_.empty() || !same_views(contexts_.back(), c)) contexts_.push_back(c);
    frames_.push_back({f.inline_end.value_or(0), f.depth, std::uint32_t(contexts_.size() - 1),
                       f.kind, f.inline_end.has_value()});
  }
  // Contexts only the popped frame used go with it, so that there are never more
  // contexts than frames and context indices fit the frame's 32 bits.
  void pop_back() {
    frames_.pop_back();
    const std::size_t keep = frames_.empty() ? 0 : std::size_t(frames_.back().context) + 1;
    contexts_.resize(keep);
  }

 private:
  static bool same_views(const ContextName& a, const ContextName& b) {
    return a.head.data() == b.head.data() && a.head.size() == b.head.size() &&
           a.sep.data() == b.sep.data() && a.sep.size() == b.sep.size() &&
           a.tail.data() == b.tail.data() && a.tail.size() == b.tail.size();
  }

  BigVector<Frame> frames_;
  BigVector<ContextName> contexts_;
};

// Pops the top frame and the innermost scope together and reports the scope.
void close_scope(bool debug, SymbolTable& table, ScopeStack& scope_stack,
                 WarningList& warnings);

}  // namespace linter
