#pragma once
// One full-screen surface of the saver on one Wayland output. Where the
// compositor offers wlr-layer-shell, an overlay-layer surface anchored to
// every edge of its output, taking the keyboard for itself (above panels,
// notifications and windows mapped later); elsewhere an xdg_toplevel made
// full screen on that output. It is a frame sink (platform/frame_sink.h):
// the display object hands it what changed, and frame_buffers.h keeps the
// shared-memory buffers. Frames are committed only when the compositor asked
// for one (frame callbacks): until then changes are gathered, so a hidden or
// switched-off output costs no copy. Main thread only; the window owns its
// protocol objects and buffers.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/frame_sink.h"
#include "platform/wayland/frame_buffers.h"
#include "platform/wayland/output_layout.h"
#include "platform/wayland/wayland_input.h"
#include "platform/window.h"

struct wl_surface;
struct wl_output;
struct wl_buffer;
struct wl_callback;
struct xdg_surface;
struct xdg_toplevel;
struct wp_viewport;
struct wp_fractional_scale_v1;
struct zwlr_layer_surface_v1;

namespace velmo {

class WaylandConnection;

class WaylandWindow final : public IWindow, public IFrameSink, public IInputTarget, private IBufferMemory {
 public:
  // area: the monitor (IDisplayDriver::Monitors) the window covers; none:
  // whichever output the compositor chooses.
  WaylandWindow(WaylandConnection& connection, const std::string& caption, std::optional<Rect> area);
  ~WaylandWindow() override;

  // IWindow
  void SetEvents(WindowEvents events) override { events_ = std::move(events); }
  void SetCaption(const std::string& caption) override;
  void Show() override;
  void Close() override;
  bool IsClosed() const override { return closed_; }
  void* NativeHandle() const override { return surface_; }
  bool GetClientSize(int& width, int& height) const override;
  bool GetCoverArea(Rect& area) const override;
  bool GetDesktopArea(Rect& area) const override { return GetCoverArea(area); }
  void SetCoverArea(const Rect& area) override;
  bool HoldsKeyboard() const override;

  // IFrameSink
  bool AcceptsFrames(int width, int height) const override;
  bool PresentFrame(const FramePixels& frame, const ChangedArea& changed) override;
  void ForceFullFrame() override;
  void SetFrameRamp(const DDGAMMARAMP* ramp) override { buffers_.SetRamp(ramp); }
  void ForgetFrame() override { buffers_.Forget(); }

  // IInputTarget
  const WindowEvents& InputEvents() const override { return events_; }
  bool InputClosed() const override { return closed_; }
  void InputPlace(int& x, int& y, double& scaleX, double& scaleY) const override;

  const WindowEvents& Events() const { return events_; }
  bool Shown() const { return shown_ && !closed_; }
  // The registry name of the output it is full screen on; 0 for none.
  uint32_t OutputId() const { return outputId_; }
  // A frame was committed and the compositor has not asked for the next.
  bool AwaitingFrame() const { return awaitingFrame_; }
  // The compositor asked for a frame since the loop's last turn.
  bool FrameAsked() const { return frameAsked_; }
  bool TakeFrameAsked() {
    const bool asked = frameAsked_;
    frameAsked_ = false;
    return asked;
  }

  // The listeners' entry points (C callbacks): not for other callers.
  void OnConfigure(uint32_t serial);
  void OnToplevelConfigure(int width, int height, bool fullscreen);
  void OnLayerConfigure(uint32_t serial, int width, int height);
  void OnCloseAsked();
  void OnLayerClosed();
  void OnOutputsChanged();
  void OnLayoutChanged();
  void OnSizeChecked();
  void OnFrameDone();
  void OnBufferReleased(wl_buffer* buffer);
  void OnPreferredScale(int fraction120);

 private:
  // IBufferMemory: wl_shm buffers over memfd memory.
  void* MakeBuffer(int width, int height, int stride, uint8_t** pixels) override;
  void FreeBuffer(void* handle, uint8_t* pixels, size_t bytes) override;

  // The surface and its role, on the output that covers area_ (layer
  // shell's surfaces cannot move: a new one is made for another output).
  void MakeSurface(const struct WaylandOutput* output);
  void DropSurface();
  const struct WaylandOutput* TargetOutput() const;
  void GoFullScreen();
  // A new size, output or scale: the next commit sends the whole frame.
  void Renewed();
  bool CommitPending();
  int OutputScale() const;

  WaylandConnection& connection_;
  uint32_t sinkId_ = 0;
  WindowEvents events_;
  std::string caption_;
  std::optional<Rect> area_;
  uint32_t outputId_ = 0;
  wl_surface* surface_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  zwlr_layer_surface_v1* layer_ = nullptr;
  wp_viewport* viewport_ = nullptr;
  wp_fractional_scale_v1* fraction_ = nullptr;
  wl_callback* frameCallback_ = nullptr;
  wl_callback* sizeCheck_ = nullptr;  // a round trip after the outputs changed
  bool askedAgain_ = false;           // full screen asked again, not yet given
  bool toplevelFullscreen_ = false;   // the toplevel's pending configure is full screen
  int toplevelW_ = 0, toplevelH_ = 0;  // and its size
  bool shown_ = false;
  bool closed_ = false;
  bool configured_ = false;
  int configuredW_ = 0, configuredH_ = 0;  // the size the compositor gave, in surface units
  int fraction120_ = 0;                    // the preferred fractional scale; 0: none said
  int shownScale_ = 0;                     // the output scale of the last commit
  bool awaitingFrame_ = false;
  bool frameAsked_ = false;
  SurfaceScaling committed_;  // how the last committed frame was put on the surface
  FrameBuffers buffers_{*this};
};

}  // namespace velmo
