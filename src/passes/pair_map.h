#pragma once

#include <cstdint>
#include <utility>

#include "huge_pages.h"
#include "lexer/token.h"

namespace linter {

// A map from pairs of name ids to small values, for the tables that a hostile script
// fills with hundreds of thousands of pairs (class and interface, class and member,
// base and member): open addressing with linear probing, kept at most half full, so
// that an entry costs no allocation of its own.
template <typename Value>
class PairMap {
 public:
  static std::uint64_t key(NameId a, NameId b) { return std::uint64_t(a) << 32 | b; }

  // The entry of key, added with `value` if it was not there; second tells whether it
  // was added. The pointer holds until the next entry is added.
  std::pair<Value*, bool> try_emplace(std::uint64_t key, Value value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    Slot& slot = slots_[find(key)];
    if (slot.used) return {&slot.value, false};
    slot = {key, value, true};
    ++count_;
    return {&slot.value, true};
  }
  // The value of key, or null.
  const Value* find_value(std::uint64_t key) const {
    if (slots_.empty()) return nullptr;
    const Slot& slot = slots_[find(key)];
    return slot.used ? &slot.value : nullptr;
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    Value value{};
    bool used = false;
  };

  // The slot holding key, or the empty one where it would go.
  std::size_t find(std::uint64_t key) const {
    const std::size_t mask = slots_.size() - 1;
    // A multiplicative hash, its high half folded into the low bits that the mask keeps,
    // so that both names of the pair count.
    const std::uint64_t h = key * 0x9E3779B97F4A7C15ull;
    for (std::size_t k = std::size_t(h ^ (h >> 32)) & mask;; k = (k + 1) & mask)
      if (!slots_[k].used || slots_[k].key == key) return k;
  }
  void grow() {
    BigVector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old)
      if (s.used) slots_[find(s.key)] = s;
  }

  BigVector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace linter
