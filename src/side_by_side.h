#pragma once

#include <system_error>
#include <thread>

namespace linter {

// Runs `other` on a second thread while `here` runs on this one, and returns once both
// are done. Where no thread is to be had (a memory or process limit) both run here,
// `other` first, so callers get the same result either way. `other` must not throw;
// what `here` throws is passed on once `other` has finished.
template <typename Other, typename Here>
void side_by_side(Other&& other, Here&& here) {
  std::thread thread;
  try {
    thread = std::thread([&other] { other(); });
  } catch (const std::system_error&) {
    other();
    here();
    return;
  }
  try {
    here();
  } catch (...) {
    thread.join();
    throw;
  }
  thread.join();
}

}  // namespace linter
