#include "platform/file_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace velmo {

size_t DropFilePages(std::span<const uint8_t> bytes, size_t from, size_t to) {
  static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  to = std::min(to, bytes.size());
  if (from >= to) return from;
  const auto base = reinterpret_cast<uintptr_t>(bytes.data());
  const uintptr_t first = (base + from + page - 1) / page * page, last = (base + to) / page * page;
  if (last <= first) return from;
  madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
  return last - base;
}

}  // namespace velmo
