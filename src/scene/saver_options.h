// SPDX-License-Identifier: MIT
#pragma once
// Where a run of the saver draws and which of its settings the command line
// gives. The full-screen saver takes the rest from the store; a saver in a
// window (a daemon's, or one of its own from a shell) takes the defaults
// below instead, which are also what the daemon's settings show, so that
// an option left at its default there means the same here.
#include <cstdint>
#include <optional>

#include "platform/gdi.h"
#include "setup/settings.h"

namespace velmo {

struct TSaverOptions {
  enum class TPlace {
    FullScreen,  // the screen, in the display mode of the settings
    Hosted,      // a window a screen-saver daemon made (hostWindow; 0: the root)
    Window,      // a normal window of its own that the user can size and close
  };
  TPlace place = TPlace::FullScreen;
  uint64_t hostWindow = 0;
  // The number a saver multiplexer gives each saver it runs, one per monitor
  // (XSCREENSAVER_SAVER_INDEX); unset when it says none.
  std::optional<int> saverIndex;

  // Given on the command line; unset ones come from the store or the defaults.
  std::optional<int> NumBirds;
  std::optional<bool> flag_clock;
  std::optional<bool> flag_PlaySound;
  std::optional<bool> flag_fps;
  std::optional<int> Gamma;
  std::optional<int> SetSpeed;

  // The settings of a saver in a window when the command line gives none.
  static constexpr int kNumBirds = 7;
  static constexpr bool kClock = true;
  static constexpr bool kPlaySound = true;
  static constexpr bool kShowFps = false;
  static constexpr int kGamma = 256;
  static constexpr int kSetSpeed = 1;

  bool InWindow() const { return place != TPlace::FullScreen; }

  // Puts into settings (loaded from the store) what this run takes: in a
  // window the defaults above, then whatever the command line gave.
  void ApplyTo(TSaverSettings& settings) const;
};

// One monitor of the desktop that a full-screen scene covers.
struct TScreenPlace {
  Rect area;  // the monitor's part of the desktop
  // The primary monitor's scene shows the clock and the frame-rate text,
  // plays the surf and takes the display mode chosen in the settings; the
  // others show the scene at their monitor's own mode.
  bool primary = true;
};

}  // namespace velmo
