#include "platform/sdl/sdl_termination.h"

#include <SDL.h>
#include <unistd.h>

#include "platform/termination.h"

namespace velmo {

void TakeTerminationForSdlLoop(WakeFd& wake, const std::atomic<bool>& boxOpen) {
  SetTerminationHandler([&wake, &boxOpen] {
    if (boxOpen) _exit(0);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    wake.Raise();
  });
}

void StopTakingTermination() { SetTerminationHandler(nullptr); }

}  // namespace velmo
