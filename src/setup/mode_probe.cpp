#include "setup/mode_probe.h"

namespace velmo {

TModeTable::TModeTable() {
  size_t i = 0;
  for (const TResolution& r : kOfferedResolutions)
    for (int depth : kOfferedDepths) entries_[i++] = TModeEntry{r.width, r.height, depth, false};
}

void TModeTable::MarkListed(int width, int height, int depth) {
  for (TModeEntry& e : entries_) {
    if (e.width == width && e.height == height && e.depth == depth) {
      e.supported = true;
      return;
    }
  }
}

bool TModeTable::IsModeSupported(int width, int height, int depth) const {
  for (const TModeEntry& e : entries_)
    if (e.width == width && e.height == height && e.depth == depth) return e.supported;
  return false;
}

namespace {

uint32_t ListedModeCallback(DDSURFACEDESC2* mode, void* context) {
  if (mode && context) {
    static_cast<TModeTable*>(context)->MarkListed(static_cast<int>(mode->dwWidth), static_cast<int>(mode->dwHeight),
                                                  static_cast<int>(mode->ddpfPixelFormat.dwRGBBitCount));
  }
  return DDENUMRET_OK;
}

// The primary display's driver object, or null.
IDirectDraw* CreatePrimaryDirectDraw(IDisplayDriver& display) {
  IDirectDraw* dd = nullptr;
  if (Failed(display.DirectDrawCreate(nullptr, &dd, nullptr))) {
    if (dd) dd->Release();
    return nullptr;
  }
  return dd;
}

}  // namespace

bool ProbeDisplayModes(IDisplayDriver& display, TModeTable& table) {
  table = TModeTable();
  IDirectDraw* dd = CreatePrimaryDirectDraw(display);
  if (!dd) return false;
  // Refresh rates are not listed separately (flags 0); every listed mode is offered to the table.
  dd->EnumDisplayModes(0, nullptr, &table, ListedModeCallback);
  dd->Release();
  return true;
}

std::optional<bool> ProbeGammaSupport(IDisplayDriver& display) {
  IDirectDraw* dd = CreatePrimaryDirectDraw(display);
  if (!dd) return std::nullopt;
  DDCAPS caps{};
  caps.dwSize = 380;
  bool supported = Succeeded(dd->GetCaps(&caps, nullptr)) && (caps.dwCaps2 & DDCAPS2_PRIMARYGAMMA) != 0;
  dd->Release();
  return supported;
}

}  // namespace velmo
