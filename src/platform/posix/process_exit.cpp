#include "platform/process_exit.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace velmo {
namespace {

std::atomic<bool> leftBehind{false};

}  // namespace

void NoteThreadLeftBehind() { leftBehind = true; }

int FinishProcess(int code) {
  if (!leftBehind) return code;
  std::fflush(nullptr);
  _exit(code);
}

}  // namespace velmo
