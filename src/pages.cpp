#include "pages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace linter {

namespace {
#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a block comes from the heap: small scripts should not pay for mappings.
// Above it a block takes at least one huge page of memory once touched, but on a
// virtual machine a fresh small page can cost a twentieth of what a fresh huge page
// does (11 against 120 us here), so a block of 128 KB filled in small pages already
// costs more than one huge page.
constexpr std::size_t kMapThreshold = std::size_t{128} << 10;

std::size_t round_up(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }
#endif
}  // namespace

void* allocate_pages(std::size_t bytes) {
  if (bytes == 0) bytes = 1;
#if defined(__linux__)
  if (bytes >= kMapThreshold) {
    // Map one huge page more than needed and trim both ends, so that the block starts
    // on a huge-page boundary; the kernel only backs aligned ranges with huge pages.
    std::size_t length = round_up(bytes, kHugePage);
    if (length < bytes || length + kHugePage < length) throw std::bad_alloc();
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(raw);
    std::uintptr_t aligned = round_up(start, kHugePage);
    std::uintptr_t end = start + length + kHugePage;
    if (aligned > start) munmap(raw, aligned - start);
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    void* data = reinterpret_cast<void*>(aligned);
    // Only a hint: without huge pages the block works the same, just slower to fill.
    madvise(data, length, MADV_HUGEPAGE);
    return data;
  }
#endif
  void* data = std::malloc(bytes);
  if (!data) throw std::bad_alloc();
  return data;
}

void release_pages(void* p, std::size_t bytes) noexcept {
  if (!p) return;
  if (bytes == 0) bytes = 1;
#if defined(__linux__)
  if (bytes >= kMapThreshold) {
    munmap(p, round_up(bytes, kHugePage));
    return;
  }
#endif
  std::free(p);
}

void* move_pages(void* from, std::size_t from_bytes, std::size_t used, void* to,
                 std::size_t to_bytes, std::size_t at) noexcept {
#if defined(__linux__)
  if (!from || !to || from_bytes < kMapThreshold || to_bytes < kMapThreshold || used == 0 ||
      used > from_bytes || at > to_bytes)
    return nullptr;
  constexpr std::size_t kPage = 4096;
  const auto start = reinterpret_cast<std::uintptr_t>(to);
  const std::uintptr_t end = start + round_up(to_bytes, kHugePage);
  // Whole huge pages, landing on a huge-page boundary, move as they are. Moving part of
  // one splits it into small pages, and every later write to the rest of its range
  // then takes a fault of its own: hundreds per huge page, each costing about what
  // clearing a whole huge page does. So the used part's last huge page moves whole
  // (the block is mapped in whole huge pages); failing room for that, any page
  // boundary does.
  std::size_t length = round_up(used, kHugePage);
  std::uintptr_t land = round_up(start + at, kHugePage);
  if (length > round_up(from_bytes, kHugePage) || land > end || end - land < length) {
    length = round_up(used, kPage);
    land = round_up(start + at, kPage);
  }
  if (land > end || end - land < length) return nullptr;
  void* moved = mremap(from, length, length, MREMAP_MAYMOVE | MREMAP_FIXED,
                       reinterpret_cast<void*>(land));
  if (moved == MAP_FAILED) {
    // The kernel may have cleared the landing range before failing; it lay past the
    // values in `to`, so fresh pages put it back as it was.
    mmap(reinterpret_cast<void*>(land), length, PROT_READ | PROT_WRITE,
         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
    return nullptr;
  }
  const std::size_t mapped = round_up(from_bytes, kHugePage);
  if (mapped > length) munmap(static_cast<char*>(from) + length, mapped - length);
  return moved;
#else
  (void)from, (void)from_bytes, (void)used, (void)to, (void)to_bytes, (void)at;
  return nullptr;
#endif
}

}  // namespace linter
