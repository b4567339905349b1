#pragma once
// One full-screen surface of the saver on one Wayland output: an
// xdg_toplevel made full screen on that output, shown from shared-memory
// buffers that the display device fills with what changed (it is a frame
// sink, frame_sink.h). Frames are committed only when the compositor asked
// for one (frame callbacks): until then changes are gathered, so a hidden
// or switched-off output costs no copy. Main thread only; the window owns
// its protocol objects and buffers.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/sdl/frame_sink.h"
#include "platform/wayland/wayland_input.h"
#include "platform/window.h"

struct wl_surface;
struct wl_output;
struct wl_buffer;
struct wl_callback;
struct xdg_surface;
struct xdg_toplevel;
struct wp_viewport;

namespace velmo {

class WaylandConnection;

class WaylandWindow final : public IWindow, public IFrameSink, public IInputTarget {
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
  bool PresentFrame(SDL_Surface* frame, const ChangedArea& changed) override;
  void ForceFullFrame() override;
  void SetFrameRamp(const DDGAMMARAMP* ramp) override;
  void ForgetFrame(const SDL_Surface* frame) override;

  // IInputTarget
  const WindowEvents& InputEvents() const override { return events_; }
  bool InputClosed() const override { return closed_; }
  void InputPlace(int& x, int& y, int& scale) const override;

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
  void OnToplevelConfigure(int width, int height);
  void OnCloseAsked();
  void OnEnteredOutput(wl_output* output);
  void OnFrameDone();
  void OnBufferReleased(wl_buffer* buffer);

 private:
  struct Buffer {
    wl_buffer* buffer = nullptr;
    uint8_t* pixels = nullptr;
    size_t bytes = 0;
    int width = 0, height = 0, stride = 0;
    bool busy = false;      // the compositor still reads it
    ChangedArea missed;     // what it lacks of the latest frame (all of it, new)
  };
  static constexpr int kBuffers = 3;

  void GoFullScreen();
  bool Commit(SDL_Surface* frame);
  bool CommitPending();
  Buffer* FreeBuffer(int width, int height);
  bool MakeBuffer(Buffer& b, int width, int height);
  void FreeBufferMemory(Buffer& b);
  void CopyInto(Buffer& b, SDL_Surface* frame, const SDL_Rect& area);
  int OutputScale() const;

  WaylandConnection& connection_;
  uint32_t sinkId_ = 0;
  WindowEvents events_;
  std::optional<Rect> area_;
  uint32_t outputId_ = 0;
  wl_surface* surface_ = nullptr;
  xdg_surface* xdgSurface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  wp_viewport* viewport_ = nullptr;
  wl_callback* frameCallback_ = nullptr;
  bool shown_ = false;
  bool closed_ = false;
  bool configured_ = false;
  int configuredW_ = 0, configuredH_ = 0;  // the size the compositor gave, in surface units
  bool awaitingFrame_ = false;
  bool frameAsked_ = false;
  std::array<Buffer, kBuffers> buffers_{};
  SDL_Surface* pendingFrame_ = nullptr;  // the display's frame whose changes wait for the compositor
  ChangedArea sinceCommit_;  // changes not yet committed (damage for the compositor)
  bool ramp_ = false;
  std::array<uint8_t, 256> lutR_{}, lutG_{}, lutB_{};
  bool failed_ = false;
};

}  // namespace velmo
