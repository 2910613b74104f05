#include "passes/effects.h"

#include <algorithm>
#include <array>
#include <bit>
#include <stdexcept>
#include <thread>
#include <type_traits>

#include "passes/display.h"
#include "passes/scope_reports.h"
#include "symbols/scope_stack.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace linter {

namespace {
constexpr std::array<std::string_view, 3> kSeps = {"", "::", "::~"};
}  // namespace

ContextLog::ContextLog(const TokenList& tokens, std::size_t capacity)
    : tokens_(tokens), capacity_(capacity) {}

ContextLog::Entry& ContextLog::entry(std::size_t id) const {
  const auto c = unsigned(std::bit_width((id >> kChunkBits) + 1) - 1);
  return static_cast<Entry*>(chunks_[c].data())[id - kChunk * ((std::size_t{1} << c) - 1)];
}

std::uint32_t ContextLog::add(NameId head, std::string_view sep, NameId tail) {
  if (size_ >= capacity_ || size_ >= 0xFFFFFFFFu) throw std::length_error("too many context names");
  const auto c = unsigned(std::bit_width((size_ >> kChunkBits) + 1) - 1);
  if (!chunks_[c].data()) chunks_[c] = PageBlock((kChunk << c) * sizeof(Entry));
  const auto k = std::uint8_t(std::find(kSeps.begin(), kSeps.end(), sep) - kSeps.begin());
  entry(size_) = {head, tail, k};
  return std::uint32_t(size_++);
}

ContextName ContextLog::operator[](std::uint32_t id) const {
  const Entry& e = entry(id);
  if (e.head == kNoName && e.sep == 0) return kGlobalContext;
  auto name = [&](NameId n) { return n == kNoName ? std::string_view() : tokens_.name(n); };
  return {name(e.head), kSeps[e.sep], name(e.tail)};
}

namespace {

// One turn of a wait for the other thread: a short pause while it is likely busy
// nearby, and a yield now and then, should it share this core.
void pause(unsigned& turns) {
  if (++turns % 1024 == 0) {
    std::this_thread::yield();
    return;
  }
#if defined(__SSE2__)
  _mm_pause();
#endif
}

}  // namespace

EffectQueue::EffectQueue() : ring_(kSize * sizeof(Effect)) {
  static_assert(std::is_trivially_copyable_v<Effect>);
}

void EffectQueue::wait_for_room() {
  publish();
  unsigned turns = 0;
  for (;;) {
    read_seen_ = consumed_.load(std::memory_order_acquire);
    if (written_ - read_seen_ < kSize) return;
    if (abandoned_.load(std::memory_order_acquire)) {
      read_seen_ = written_;  // nobody reads any more: the effects are dropped
      return;
    }
    pause(turns);
  }
}

void EffectQueue::finish() {
  publish();
  finished_.store(true, std::memory_order_release);
}

bool EffectQueue::wait_for_effects(std::size_t taken) {
  unsigned turns = 0;
  for (;;) {
    if (published_.load(std::memory_order_acquire) != taken) return true;
    if (finished_.load(std::memory_order_acquire)) return true;
    if (abandoned_.load(std::memory_order_acquire)) return false;
    pause(turns);
  }
}

std::uint64_t Tables::line_of_declaration(std::uint64_t where) {
  if (!(where & kAtToken)) return where;
  constexpr std::size_t kKnownLines = 4096;
  if (known_lines.empty()) known_lines.resize(kKnownLines);
  KnownLine& known = known_lines[(where & ~kAtToken) % kKnownLines];
  if (known.where != where) known = {where, tokens.line(std::size_t(where & ~kAtToken))};
  return known.line;
}

namespace {

// A free function or a variable outside a class body: it counts as used and read at
// once when a read looked for it earlier and found nothing.
void declare_in_scope(Tables& t, const Effect& e, SymbolKind kind) {
  bool seen = t.table.was_unresolved(e.id);
  t.table.declare({t.tokens.name(e.id), at_token(e.token), seen, seen, kind, e.id});
}

}  // namespace

void Tables::apply_rest(const Effect& e) {
  const std::uint64_t token = e.token;
  const NameId id = e.id;
  const std::uint32_t class_ref = e.class_ref;
  for (unsigned k = 0; k < e.opens; ++k) table.open_scope();
  switch (e.kind) {
    case Effect::Read:
    case Effect::Write:
    case Effect::DotName:
    case Effect::OpenScope:
      apply(e);
      break;
    case Effect::CallThenWrite:
      table.resolve(id);
      if (!table.mark_written(id) && class_ref) classes.mark_used(class_ref - 1, id);
      break;
    case Effect::CloseScope: {
      bool closed = table.close_innermost([&](std::span<const Symbol> scope) {
        report_scope(scope, context(e.context), debug, warnings);
      });
      // Frames and scopes are always pushed and popped together; this cannot happen.
      if (!closed) throw_desynced();
      break;
    }
    case Effect::ClassHeader:
    case Effect::InterfaceHeader: {
      const std::string_view name = tokens.name(id);
      table.declare({name, at_token(token), false, false, SymbolKind::Class, id});
      classes.add_record(name, id, at_token(token), e.kind == Effect::InterfaceHeader);
      break;
    }
    case Effect::SixtyFourBit:
      add_warning(warnings, at_token(token), "[", context(e.context), "] use of ",
                  tokens.name(id),
                  ": 64-bit integers are broken in BGT; a wrapper class is required");
      break;
    case Effect::Variable:
      check_shadowing(*this, e);
      declare_in_scope(*this, e, SymbolKind::Variable);
      break;
    case Effect::MemberVariable:
      check_shadowing(*this, e);
      record_member_variable(*this, e);
      break;
    case Effect::Function:
      check_shadowing(*this, e);
      declare_in_scope(*this, e, SymbolKind::Function);
      break;
    case Effect::MemberFunction:
      check_shadowing(*this, e);
      record_member_function(*this, e);
      break;
    case Effect::Parameter:
      check_parameter_shadowing(*this, e);
      table.declare({tokens.name(id), at_token(token), false, false, SymbolKind::Parameter, id});
      break;
    case Effect::DestructorMember: {
      // "~Name" is no word of the script: no `.` can precede it and no read can look
      // for it, so it is never marked.
      std::string& name = built_names.emplace_back("~");
      name.append(tokens.name(id));
      classes.add_member({name, at_token(token), false, false, SymbolKind::MemberFunction});
      break;
    }
  }
}

}  // namespace linter
