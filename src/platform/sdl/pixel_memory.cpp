#include "platform/sdl/pixel_memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace velmo {

void FreeMemory::operator()(uint8_t* p) const {
  if (mapped) munmap(p, mapped);
  else std::free(p);
}

PixelMemory ZeroedPixels(size_t bytes) {
  constexpr size_t kFrameSized = size_t{1} << 20;
  if (bytes < kFrameSized) return PixelMemory(static_cast<uint8_t*>(std::calloc(bytes, 1)), FreeMemory{0});
  // Mapped pages come zeroed, without a pass over them.
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return PixelMemory(nullptr, FreeMemory{bytes});
  return PixelMemory(static_cast<uint8_t*>(p), FreeMemory{bytes});
}

}  // namespace velmo
