#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace linter {

// Uninitialised memory for the large per-file arrays (the script text, the tokens, the
// analysis's tables). Large blocks come straight from the system and, where it can, in
// huge pages: a big script otherwise spends more time taking page faults than being
// analysed. release_pages needs the size that was asked for.
void* allocate_pages(std::size_t bytes);  // throws std::bad_alloc
void release_pages(void* p, std::size_t bytes) noexcept;
// Moves the pages holding the first `used` bytes of block `from` (of `from_bytes`) into
// block `to` (of `to_bytes`), to the first page boundary at or after byte `at`, where
// they keep their contents without being copied or the kernel clearing fresh pages for
// them. Returns where those bytes now start; `from` is then released. Returns nullptr,
// changing nothing, where pages cannot be moved: heap blocks, too little room left in
// `to`, systems without the means.
void* move_pages(void* from, std::size_t from_bytes, std::size_t used, void* to,
                 std::size_t to_bytes, std::size_t at) noexcept;

// One block from allocate_pages, released when it goes.
class PageBlock {
 public:
  PageBlock() = default;
  explicit PageBlock(std::size_t bytes) : data_(allocate_pages(bytes)), bytes_(bytes) {}
  PageBlock(PageBlock&& other) noexcept { swap(other); }
  PageBlock& operator=(PageBlock&& other) noexcept {
    PageBlock(std::move(other)).swap(*this);
    return *this;
  }
  PageBlock(const PageBlock&) = delete;
  PageBlock& operator=(const PageBlock&) = delete;
  ~PageBlock() {
    if (data_) release_pages(data_, bytes_);
  }

  void* data() const { return data_; }
  std::size_t bytes() const { return bytes_; }
  // Forgets the block without releasing it, once its pages have gone elsewhere.
  void forget() noexcept {
    data_ = nullptr;
    bytes_ = 0;
  }
  void swap(PageBlock& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(bytes_, other.bytes_);
  }

 private:
  void* data_ = nullptr;
  std::size_t bytes_ = 0;
};

// A growable array of plain values on PageBlocks. Appending is a store and an increment
// once room is reserved, which the lexer does up front from the script's size.
template <typename T>
class PageArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::size_t capacity() const { return block_.bytes() / sizeof(T); }
  T* data() { return static_cast<T*>(block_.data()); }
  const T* data() const { return static_cast<const T*>(block_.data()); }
  T& operator[](std::size_t i) { return data()[i]; }
  const T& operator[](std::size_t i) const { return data()[i]; }
  T& back() { return data()[size_ - 1]; }
  const T& back() const { return data()[size_ - 1]; }
  T* begin() { return data(); }
  T* end() { return data() + size_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size_; }

  // Growing moves the values' pages into the bigger block where it can, so that they
  // are neither copied nor given fresh pages to fill.
  void reserve(std::size_t n) {
    if (n <= capacity()) return;
    PageBlock bigger(n * sizeof(T));
    if (size_ > 0) move_or_copy(bigger.data(), bigger.bytes(), 0);
    block_ = std::move(bigger);
  }
  void push_back(const T& v) { *extend(1) = v; }
  void pop_back() { --size_; }
  // Room for n more values at the end, growing by at least doubling; the caller fills it.
  T* extend(std::size_t n) {
    if (size_ + n > capacity()) reserve(std::max({size_ + n, 2 * capacity(), std::size_t{16}}));
    T* p = data() + size_;
    size_ += n;
    return p;
  }
  // For writers that fill data() directly within the reserved room.
  void set_size(std::size_t n) { size_ = n; }
  // Appends other's values and empties it. Where there is room, other's pages are
  // moved in behind the values here and only shifted down by less than a page.
  void append(PageArray&& other) {
    const std::size_t n = other.size_;
    if (n == 0) return;
    reserve(size_ + n);
    other.move_or_copy(block_.data(), block_.bytes(), size_ * sizeof(T));
    other = PageArray();
    size_ += n;
  }

 private:
  // Puts the values at byte `at` of block `to`, moving their pages there or copying
  // them; this array's own block is gone or untouched afterwards, for the caller to drop.
  void move_or_copy(void* to, std::size_t to_bytes, std::size_t at) {
    const std::size_t bytes = size_ * sizeof(T);
    char* dest = static_cast<char*>(to) + at;
    if (void* moved = move_pages(block_.data(), block_.bytes(), bytes, to, to_bytes, at)) {
      block_.forget();
      // Pages that land on a huge-page boundary are already in place.
      if (moved != dest) std::memmove(dest, moved, bytes);
    } else {
      std::memcpy(dest, block_.data(), bytes);
    }
  }

  PageBlock block_;
  std::size_t size_ = 0;
};

template <typename T>
struct PageAllocator;
// A vector for the tables that grow with the script.
template <typename T>
using PageVector = std::vector<T, PageAllocator<T>>;

// A standard allocator over allocate_pages, for the containers that grow with the script.
template <typename T>
struct PageAllocator {
  using value_type = T;
  PageAllocator() = default;
  template <typename U>
  PageAllocator(const PageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocate_pages(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { release_pages(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const PageAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace linter
