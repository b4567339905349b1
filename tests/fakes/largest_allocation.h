#pragma once
// The largest single heap allocation made while a function runs, seen through
// the sanitizer allocator's hooks; without AddressSanitizer nothing is
// measured and the result is nullopt.
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>

#if defined(__SANITIZE_ADDRESS__)
#define VELMO_ALLOCATION_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMO_ALLOCATION_HOOKS 1
#endif
#endif

#ifdef VELMO_ALLOCATION_HOOKS
// From the sanitizer runtime (declared here: GCC installs no header for it).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*, size_t),
                                                         void (*onRelease)(const volatile void*));
#endif

namespace velmo::testing {

#ifdef VELMO_ALLOCATION_HOOKS
inline std::atomic<size_t> largestAllocation{0};
inline void OnAllocation(const volatile void*, size_t size) {
  size_t seen = largestAllocation.load(std::memory_order_relaxed);
  while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
  }
}
inline void OnRelease(const volatile void*) {}
#endif

inline std::optional<size_t> LargestAllocationDuring(const std::function<void()>& run) {
#ifdef VELMO_ALLOCATION_HOOKS
  static const int installed = __sanitizer_install_malloc_and_free_hooks(OnAllocation, OnRelease);
  largestAllocation = 0;
  run();
  if (installed) return largestAllocation.load();
  return std::nullopt;
#else
  run();
  return std::nullopt;
#endif
}

}  // namespace velmo::testing
