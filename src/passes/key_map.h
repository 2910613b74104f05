#pragma once

#include <cstdint>
#include <utility>

#include "pages.h"

namespace linter {

// A map from 64-bit keys to small values, for tables that grow to hundreds of
// thousands of entries (pairs of name ids): open addressing with linear probing, kept
// at most half full, so an entry costs no allocation of its own, in page-backed
// memory (see pages.h).
template <typename Value>
class KeyMap {
 public:
  explicit KeyMap(std::size_t expected = 0) {
    std::size_t capacity = 16;
    while (capacity < expected * 2) capacity *= 2;
    slots_.resize(capacity);
  }

  // The entry of key, added with `value` if it was not there; second tells whether it
  // was added.
  std::pair<Value*, bool> try_emplace(std::uint64_t key, Value value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    Slot& slot = slot_for(key);
    if (slot.used) return {&slot.value, false};
    slot = {key, value, true};
    ++count_;
    return {&slot.value, true};
  }
  bool contains(std::uint64_t key) const { return find_const(key).used; }
  // The value of key, or null.
  const Value* find(std::uint64_t key) const {
    const Slot& slot = find_const(key);
    return slot.used ? &slot.value : nullptr;
  }
  std::size_t size() const { return count_; }

 private:
  struct Slot {
    std::uint64_t key = 0;
    Value value{};
    bool used = false;
  };

  std::size_t start(std::uint64_t key) const {
    // The high bits of a multiplicative hash: ids in both halves of the key all count.
    std::uint64_t h = key * 0x9E3779B97F4A7C15ull;
    return std::size_t(h ^ (h >> 32)) & (slots_.size() - 1);
  }
  const Slot& find_const(std::uint64_t key) const {
    for (std::size_t k = start(key);; k = (k + 1) & (slots_.size() - 1))
      if (!slots_[k].used || slots_[k].key == key) return slots_[k];
  }
  Slot& slot_for(std::uint64_t key) { return const_cast<Slot&>(find_const(key)); }
  void grow() {
    PageVector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& s : old)
      if (s.used) slot_for(s.key) = s;
  }

  PageVector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace linter
