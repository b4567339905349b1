// The helpers' roles (platform/helper_process.h), dispatched from main.
#include <cstring>

#include "platform/helper_process.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/x11/mode_guard.h"

namespace velmo {

extern const char kHelperArgument[];

std::optional<int> RunHelperRole(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[1], kHelperArgument) != 0) return std::nullopt;
  const std::string role = argv[2];
  // argv[3] on: the program's process id, then the role's own arguments.
  if (role == "box") return RunMessageBoxHelper(argc - 3, argv + 3);
  if (role == "mode-guard") return RunModeGuardHelper(argc - 3, argv + 3);
  return 2;
}

}  // namespace velmo
