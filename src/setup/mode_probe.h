#pragma once
// Which of the dialog's twelve fixed display modes the display driver lists,
// and whether the primary display takes a gamma ramp.
#include <array>
#include <optional>

#include "platform/display.h"

namespace velmo {

struct TModeEntry {
  int width = 0;
  int height = 0;
  int depth = 0;
  bool supported = false;
};

struct TResolution {
  int width;
  int height;
};

// The resolutions and depths the "Display" tab offers, in button order.
inline constexpr std::array<TResolution, 4> kOfferedResolutions{{{800, 600}, {1024, 768}, {1152, 864}, {1280, 1024}}};
inline constexpr std::array<int, 3> kOfferedDepths{16, 24, 32};

// Entry 3 * r + d combines resolution r with depth d.
class TModeTable {
 public:
  TModeTable();

  // Marks the first entry equal in all three; a mode not in the table is ignored.
  void MarkListed(int width, int height, int depth);
  // False for a mode not in the table.
  bool IsModeSupported(int width, int height, int depth) const;
  const std::array<TModeEntry, 12>& Entries() const { return entries_; }

 private:
  std::array<TModeEntry, 12> entries_;
};

// Marks every mode the driver lists. False when the display object could not
// be created (the table then stays all unsupported).
bool ProbeDisplayModes(IDisplayDriver& display, TModeTable& table);

// Whether the primary display supports a gamma ramp; empty when the display
// object could not be created.
std::optional<bool> ProbeGammaSupport(IDisplayDriver& display);

}  // namespace velmo
