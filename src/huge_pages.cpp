#include "huge_pages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace linter {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// From here on a block takes whole huge pages: filling 128 KiB in small pages already
// costs about what one huge page does.
constexpr std::size_t kHugeFrom = std::size_t{128} << 10;

std::size_t whole_huge_pages(std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(-1) - kHugePage) throw std::bad_alloc();
  return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

void map_large_blocks() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kHugeFrom));
#endif
}

void* allocate_block(std::size_t bytes) {
  if (bytes < kHugeFrom) return ::operator new(bytes);
  const std::size_t length = whole_huge_pages(bytes);
  void* p = ::operator new(length, std::align_val_t{kHugePage});
#ifdef __linux__
  // Only a hint: without huge pages the block works the same, just slower to fill.
  madvise(p, length, MADV_HUGEPAGE);
#endif
  return p;
}

void release_block(void* p, std::size_t bytes) noexcept {
  if (bytes < kHugeFrom) {
    ::operator delete(p);
  } else {
    ::operator delete(p, std::align_val_t{kHugePage});
  }
}

}  // namespace linter
