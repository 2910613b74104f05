#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <vector>

namespace linter {

// Blocks for the tables that grow with the script (its text, the tokens and their lines,
// the tables of names, symbols and members, the warnings). From 128 KiB on a block
// takes whole huge pages, aligned, and asks for them: a fresh small page costs a fault
// of its own, on a virtual machine more than filling it, and this kind of system hands
// out huge pages only on request.
void* allocate_block(std::size_t bytes);
void release_block(void* p, std::size_t bytes) noexcept;

// Has the C library map every block of 128 KiB or more on its own and unmap it when it
// is freed, whatever sizes were freed before. Left to itself, glibc raises that limit
// to the largest block freed so far, and the growing tables that follow then pile up
// in its heap, which keeps what they leave behind and so raises the peak. Called once,
// first thing in each program.
void map_large_blocks();

// The standard allocator over those blocks. New elements are left unfilled, so that
// room made by resize() is not touched until it is written.
template <typename T>
struct HugePageAllocator {
  using value_type = T;

  HugePageAllocator() = default;
  template <typename U>
  HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocate_block(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { release_block(p, n * sizeof(T)); }
  template <typename U>
  void construct(U* p) noexcept {
    if constexpr (!std::is_trivially_default_constructible_v<U>) ::new (static_cast<void*>(p)) U;
  }
  template <typename U>
  bool operator==(const HugePageAllocator<U>&) const noexcept {
    return true;
  }
};

template <typename T>
using BigVector = std::vector<T, HugePageAllocator<T>>;

}  // namespace linter
