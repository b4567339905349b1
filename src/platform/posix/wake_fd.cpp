#include "platform/posix/wake_fd.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace velmo {

WakeFd::WakeFd() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void WakeFd::Raise() const {
  const uint64_t one = 1;
  if (fd_.get() >= 0) (void)!write(fd_.get(), &one, sizeof one);
}

void WakeFd::Clear() const {
  // An eventfd's counter is read whole in one go.
  uint64_t count = 0;
  if (fd_.get() >= 0) (void)!read(fd_.get(), &count, sizeof count);
}

}  // namespace velmo
