#pragma once
// TDDmain: the display device. When enabled it creates the DirectDraw
// object, takes the window into exclusive full screen in Width x Height x
// ColorDepth and builds a flipping primary surface with one back buffer.
// The scene draws every frame into the back buffer and shows it with
// FlipSurfaces; the sprites, the clock and the gamma component borrow the
// DirectDraw interfaces and surfaces through the read accessors without
// taking counts of their own.
#include <atomic>
#include <cstdint>

#include "components/component.h"
#include "components/dd_error.h"
#include "platform/display.h"
#include "platform/timer.h"

namespace velmo {

class IWindow;

class TDDmain : public Component, public DDErrorReporting {
 public:
  // Frame-rate measurement, shared by every device of the process.
  struct FpsCounters {
    int32_t FpsFrames = 0;
    int32_t FpsValue = 0;
    uint32_t FpsLastTime = 0;
    uint32_t FpsPrevTime = 0;
  };

  TDDmain(Component* owner, IDisplayDriver& driver, ITimerService& clock);
  // Closes a device its owner left open, so the desktop always comes back.
  ~TDDmain() override;

  bool GetShowFPS() const { return showFPS_; }
  void SetshowFPS(bool value) { showFPS_ = value; }
  bool GetEnabled() const { return enabled_; }
  void SetEnabled(bool value);
  int32_t GetWidth() const { return width_; }
  void SetWidth(int32_t value) { width_ = value; }
  // Read by the frame timer's thread too.
  int32_t GetHeight() const { return height_; }
  void SetHeight(int32_t value) { height_ = value; }
  int32_t GetColorDepth() const { return colorDepth_; }
  void SetColorDepth(int32_t value) { colorDepth_ = value; }
  // The owner form's window, which the device takes into full screen.
  void SetOwnerWindow(IWindow* window) { ownerWindow_ = window; }

  void OpenDirectDraw();
  void CloseDirectDraw();
  // Limits drawing on the back surface to rect (null: all of it); false where
  // the display cannot redraw part of a frame (its flip keeps no pixels).
  bool ClipBackSurface(const Rect* rect) { return FpDDSBack && FpDDSBack->SetClipRect(rect) == DD_OK; }
  void ClearBackSurface();
  // fpsText false: this flip leaves the frame-rate text as the back surface
  // holds it (a frame redrawn in part, the text's box untouched); the frame
  // is counted either way.
  void FlipSurfaces(bool fpsText = true);
  void FuncShowFPS();
  // For a frame redrawn in part: counts the frame the next flip shows (that
  // flip does not count it again), so that the composer knows beforehand
  // whether the text changes (FpsTextChanged) and redraws its box only then.
  void CountShownFrame();
  // The rate differs from the one this device last wrote on its back surface.
  bool FpsTextChanged() const { return Fps().FpsValue != fpsDrawn_; }
  // Everything ShowFPS draws lies in this box (any 32-bit value, the 13-pixel face).
  Rect FpsTextBox() const;
  bool MakeRestSurface();

  // What the companions borrow (no count is added for them).
  IDirectDraw* GetFpDD() const { return FpDD; }
  IDirectDraw7* GetFpDD7() const { return FpDD7; }
  IDirectDrawSurface7* GetFpDDSPrimary() const { return FpDDSPrimary; }
  IDirectDrawSurface7* GetFpDDSBack() const { return FpDDSBack; }
  HRESULT GetLastResult() const { return FLastResult; }

  static FpsCounters& Fps();

 private:
  enum class Restore { Done, Failed, Gone };
  // MakeRestSurface, also telling whether the device outlived the report.
  Restore RestoreSurfaces();
  // FuncShowFPS; false when an error handler freed the device. drawText
  // false: counts only.
  bool ShowFPS(bool drawText = true);
  // One more frame shown; every tenth takes a sample of the rate.
  void CountFrame();
  // Reports an opening failure: text, CloseDirectDraw, OnError.
  void FailOpening(const char* text);

  IDisplayDriver& driver_;
  ITimerService& clock_;
  bool showFPS_ = false;
  bool enabled_ = false;
  std::atomic<int32_t> width_{800};
  std::atomic<int32_t> height_{600};
  std::atomic<int32_t> colorDepth_{24};
  IWindow* ownerWindow_ = nullptr;
  bool frameCounted_ = false;  // CountShownFrame counted the next flip's frame
  int64_t fpsDrawn_ = -1;      // the rate last written on the back surface; -1: none

  HRESULT FLastResult = DD_OK;
  IDirectDraw* FpDD = nullptr;
  IDirectDraw7* FpDD7 = nullptr;
  IDirectDrawSurface7* FpDDSPrimary = nullptr;
  IDirectDrawSurface7* FpDDSBack = nullptr;
};

}  // namespace velmo
