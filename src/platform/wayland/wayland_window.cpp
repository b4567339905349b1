#include "platform/wayland/wayland_window.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "fractional-scale-v1-client.h"
#include "viewporter-client.h"
#include "platform/wayland/layer_shell_protocol.h"
#include "xdg-shell-client.h"
#include "platform/wayland/wayland_connection.h"

namespace velmo {
namespace {

WaylandWindow& Of(void* data) { return *static_cast<WaylandWindow*>(static_cast<IFrameSink*>(data)); }

const xdg_surface_listener kXdgSurface = {
    [](void* data, xdg_surface*, uint32_t serial) { Of(data).OnConfigure(serial); },
};

const xdg_toplevel_listener kToplevel = {
    [](void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array* states) {
      bool fullscreen = false;
      const auto* state = static_cast<const uint32_t*>(states->data);
      for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        fullscreen = fullscreen || state[i] == XDG_TOPLEVEL_STATE_FULLSCREEN;
      Of(data).OnToplevelConfigure(width, height, fullscreen);
    },
    [](void* data, xdg_toplevel*) { Of(data).OnCloseAsked(); },
    [](void*, xdg_toplevel*, int32_t, int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

const zwlr_layer_surface_v1_listener kLayer = {
    [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
      Of(data).OnLayerConfigure(serial, static_cast<int>(width), static_cast<int>(height));
    },
    [](void* data, zwlr_layer_surface_v1*) { Of(data).OnLayerClosed(); },
};

// The surface's user data is its window as input target (the seat's events
// name surfaces); the listener's is the same window as frame sink.
const wl_surface_listener kSurface = {
    [](void* data, wl_surface*, wl_output*) {
      static_cast<WaylandWindow*>(static_cast<IInputTarget*>(data))->OnOutputsChanged();
    },
    [](void* data, wl_surface*, wl_output*) {
      static_cast<WaylandWindow*>(static_cast<IInputTarget*>(data))->OnOutputsChanged();
    },
};

const wp_fractional_scale_v1_listener kFraction = {
    [](void* data, wp_fractional_scale_v1*, uint32_t scale) { Of(data).OnPreferredScale(static_cast<int>(scale)); },
};

const wl_callback_listener kFrame = {
    [](void* data, wl_callback*, uint32_t) { Of(data).OnFrameDone(); },
};

const wl_callback_listener kSizeCheck = {
    [](void* data, wl_callback*, uint32_t) { Of(data).OnSizeChecked(); },
};

const wl_buffer_listener kBuffer = {
    [](void* data, wl_buffer* buffer) { Of(data).OnBufferReleased(buffer); },
};

}  // namespace

WaylandWindow::WaylandWindow(WaylandConnection& connection, const std::string& caption, std::optional<Rect> area)
    : connection_(connection), caption_(caption), area_(area) {
  sinkId_ = EnterFrameSink(this);
  connection_.AddWindow(this);
}

WaylandWindow::~WaylandWindow() {
  LeaveFrameSink(sinkId_);
  connection_.RemoveWindow(this);
  DropSurface();
  wl_display_flush(connection_.Display());
}

void WaylandWindow::MakeSurface(const WaylandOutput* output) {
  void* self = static_cast<IFrameSink*>(this);
  surface_ = wl_compositor_create_surface(connection_.Compositor());
  wl_surface_add_listener(surface_, &kSurface, static_cast<IInputTarget*>(this));
  if (connection_.Viewporter()) viewport_ = wp_viewporter_get_viewport(connection_.Viewporter(), surface_);
  if (connection_.FractionalScale() && connection_.Viewporter()) {
    fraction_ = wp_fractional_scale_manager_v1_get_fractional_scale(connection_.FractionalScale(), surface_);
    wp_fractional_scale_v1_add_listener(fraction_, &kFraction, self);
  }
  outputId_ = output ? output->facts.id : 0;
  if (connection_.LayerShell()) {
    // Above everything the compositor lets a client be above; the keyboard
    // is ours while it shows. An exclusive zone of -1: panels do not push it aside.
    layer_ = zwlr_layer_shell_v1_get_layer_surface(connection_.LayerShell(), surface_, output ? output->output : nullptr,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "velmo");
    zwlr_layer_surface_v1_add_listener(layer_, &kLayer, self);
    zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                 ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    xdgSurface_ = xdg_wm_base_get_xdg_surface(connection_.WmBase(), surface_);
    xdg_surface_add_listener(xdgSurface_, &kXdgSurface, self);
    toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
    xdg_toplevel_add_listener(toplevel_, &kToplevel, self);
    xdg_toplevel_set_app_id(toplevel_, "velmo");
    xdg_toplevel_set_title(toplevel_, caption_.c_str());
    xdg_toplevel_set_fullscreen(toplevel_, output ? output->output : nullptr);
  }
  configured_ = false;
  configuredW_ = configuredH_ = 0;
  toplevelW_ = toplevelH_ = 0;
  toplevelFullscreen_ = askedAgain_ = false;
  fraction120_ = 0;
  awaitingFrame_ = false;
  Renewed();
  // The first commit carries no buffer: the compositor answers with the
  // size it gives, and frames follow once that is acknowledged.
  wl_surface_commit(surface_);
  wl_display_flush(connection_.Display());
}

void WaylandWindow::DropSurface() {
  if (frameCallback_) wl_callback_destroy(frameCallback_);
  frameCallback_ = nullptr;
  if (sizeCheck_) wl_callback_destroy(sizeCheck_);
  sizeCheck_ = nullptr;
  if (fraction_) wp_fractional_scale_v1_destroy(fraction_);
  if (viewport_) wp_viewport_destroy(viewport_);
  if (layer_) zwlr_layer_surface_v1_destroy(layer_);
  if (toplevel_) xdg_toplevel_destroy(toplevel_);
  if (xdgSurface_) xdg_surface_destroy(xdgSurface_);
  if (surface_) {
    connection_.Input().Forget(this);
    wl_surface_destroy(surface_);
  }
  fraction_ = nullptr;
  viewport_ = nullptr;
  layer_ = nullptr;
  toplevel_ = nullptr;
  xdgSurface_ = nullptr;
  surface_ = nullptr;
}

void WaylandWindow::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (toplevel_) xdg_toplevel_set_title(toplevel_, caption.c_str());
}

void WaylandWindow::Show() {
  if (shown_ || closed_) return;
  shown_ = true;
  MakeSurface(TargetOutput());
}

const WaylandOutput* WaylandWindow::TargetOutput() const {
  return area_ ? connection_.OutputFor(*area_, this) : nullptr;
}

void WaylandWindow::GoFullScreen() {
  const WaylandOutput* output = TargetOutput();
  if (!surface_) {
    MakeSurface(output);
    return;
  }
  const uint32_t id = output ? output->facts.id : 0;
  if (id == outputId_) return;
  if (layer_) {
    // A layer surface stays on the output it was made for.
    DropSurface();
    MakeSurface(output);
    return;
  }
  outputId_ = id;
  xdg_toplevel_set_fullscreen(toplevel_, output ? output->output : nullptr);
  Renewed();
}

void WaylandWindow::Close() {
  if (closed_) return;
  closed_ = true;
  // The keyboard is handed to whichever surface the compositor picks: the
  // program's others do not lose their activation by it.
  connection_.Input().Forget(this);
  if (surface_) {
    wl_surface_attach(surface_, nullptr, 0, 0);
    wl_surface_commit(surface_);
    wl_display_flush(connection_.Display());
  }
}

bool WaylandWindow::GetClientSize(int& width, int& height) const {
  if (area_) {
    width = area_->right - area_->left;
    height = area_->bottom - area_->top;
  } else {
    width = configuredW_;
    height = configuredH_;
  }
  return width > 0 && height > 0;
}

bool WaylandWindow::GetCoverArea(Rect& area) const {
  if (!area_) return false;
  area = *area_;
  return true;
}

void WaylandWindow::SetCoverArea(const Rect& area) {
  area_ = area;
  if (shown_ && !closed_) GoFullScreen();
}

bool WaylandWindow::HoldsKeyboard() const { return connection_.KeysReachUs(); }

void WaylandWindow::InputPlace(int& x, int& y, double& scaleX, double& scaleY) const {
  x = area_ ? area_->left : 0;
  y = area_ ? area_->top : 0;
  // Surface units to frame pixels as the frame on the screen was committed.
  scaleX = committed_.pixelsPerUnitX;
  scaleY = committed_.pixelsPerUnitY;
}

int WaylandWindow::OutputScale() const {
  const WaylandOutput* output = connection_.OutputById(outputId_);
  return output ? std::max(output->facts.scale, 1) : 1;
}

bool WaylandWindow::AcceptsFrames(int width, int height) const {
  // As a monitor offers its own mode and smaller ones: a smaller frame is
  // enlarged to the output, a larger one refused.
  int maxW = 16384, maxH = 16384;
  if (area_) {
    maxW = area_->right - area_->left;
    maxH = area_->bottom - area_->top;
  }
  return width > 0 && height > 0 && width <= maxW && height <= maxH;
}

void WaylandWindow::ForceFullFrame() { buffers_.ForceWhole(); }

void WaylandWindow::Renewed() {
  buffers_.ForceWhole();
  if (!awaitingFrame_) frameAsked_ = true;
}

bool WaylandWindow::PresentFrame(const FramePixels& frame, const ChangedArea& changed) {
  if (buffers_.Failed()) return false;
  if (!frame.pixels || closed_) return true;
  // Not before the compositor gave the surface its size, and not again
  // before it asked for the next frame: the changes wait, and go from this
  // frame when it asks.
  buffers_.Present(frame, changed);
  return CommitPending();
}

bool WaylandWindow::CommitPending() {
  if (!surface_ || !configured_ || awaitingFrame_ || closed_ || !buffers_.Pending()) return !buffers_.Failed();
  ChangedArea damage;
  const FrameBuffers::Buffer* b = buffers_.Commit(damage);
  // Every buffer still held: the commit goes when one is released.
  if (!b) return !buffers_.Failed();
  // Pixel for pixel where the frame is the output's size (at its whole or
  // fractional scale); any other size (a mode of the settings' own) is
  // stretched over the output by the compositor.
  const int scale = OutputScale();
  const SurfaceScaling s =
      ScalingFor(b->width, b->height, configuredW_, configuredH_, scale, fraction120_, viewport_ != nullptr);
  if (s.bufferScale != committed_.bufferScale || shownScale_ != scale) damage.whole = true;
  wl_surface_set_buffer_scale(surface_, s.bufferScale);
  if (viewport_) wp_viewport_set_destination(viewport_, s.viewportW, s.viewportH);
  wl_surface_attach(surface_, static_cast<wl_buffer*>(b->handle), 0, 0);
  if (damage.whole || wl_surface_get_version(surface_) < 4) {
    wl_surface_damage(surface_, 0, 0, INT32_MAX, INT32_MAX);
  } else {
    for (int i = 0; i < damage.count; ++i) {
      const PixelRect& r = damage.rects[i];
      wl_surface_damage_buffer(surface_, r.x, r.y, r.w, r.h);
    }
  }
  committed_ = s;
  shownScale_ = scale;
  frameCallback_ = wl_surface_frame(surface_);
  wl_callback_add_listener(frameCallback_, &kFrame, static_cast<IFrameSink*>(this));
  awaitingFrame_ = true;
  wl_surface_commit(surface_);
  wl_display_flush(connection_.Display());
  return true;
}

void* WaylandWindow::MakeBuffer(int width, int height, int stride, uint8_t** pixels) {
  const size_t bytes = static_cast<size_t>(stride) * height;
  const int fd = memfd_create("velmo-frame", MFD_CLOEXEC);
  void* mapped = MAP_FAILED;
  if (fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0)
    mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) {
    if (fd >= 0) close(fd);
    std::fprintf(stderr, "velmo: no memory for a frame of %d x %d to show\n", width, height);
    return nullptr;
  }
  wl_shm_pool* pool = wl_shm_create_pool(connection_.Shm(), fd, static_cast<int32_t>(bytes));
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(buffer, &kBuffer, static_cast<IFrameSink*>(this));
  *pixels = static_cast<uint8_t*>(mapped);
  return buffer;
}

void WaylandWindow::FreeBuffer(void* handle, uint8_t* pixels, size_t bytes) {
  wl_buffer_destroy(static_cast<wl_buffer*>(handle));
  munmap(pixels, bytes);
}

void WaylandWindow::OnConfigure(uint32_t serial) {
  // Asked to come back to full screen, mutter first says the toplevel is
  // not (0 x 0, then 1 x 1): shown, it would be a speck. A configure is
  // applied only with the commit after its ack, and frames keep being
  // committed, so those are not acknowledged: the full-screen one that
  // follows is.
  if (askedAgain_ && !toplevelFullscreen_) return;
  askedAgain_ = false;
  xdg_surface_ack_configure(xdgSurface_, serial);
  if (toplevelW_ > 0 && toplevelH_ > 0) {
    configuredW_ = toplevelW_;
    configuredH_ = toplevelH_;
  }
  // Any configure may have moved, resized or re-stated the surface: the
  // commit that answers it is a whole frame with whole damage, so that
  // whatever the compositor shows of it from then on is whole.
  configured_ = true;
  Renewed();
  CommitPending();
}

void WaylandWindow::OnToplevelConfigure(int width, int height, bool fullscreen) {
  // Applied when the xdg_surface's configure ends the sequence.
  toplevelW_ = width;
  toplevelH_ = height;
  toplevelFullscreen_ = fullscreen;
}

void WaylandWindow::OnLayerConfigure(uint32_t serial, int width, int height) {
  zwlr_layer_surface_v1_ack_configure(layer_, serial);
  if (width > 0 && height > 0) {
    configuredW_ = width;
    configuredH_ = height;
  }
  configured_ = true;
  Renewed();
  CommitPending();
}

void WaylandWindow::OnOutputsChanged() {
  // A compositor may have drawn the frames sent before the surface reached
  // an output elsewhere, and repaint only what changed after: the whole
  // frame goes again.
  Renewed();
  CommitPending();
}

void WaylandWindow::OnLayoutChanged() {
  // The compositor may give the surface its output's new size with these
  // very events or just after them: a round trip tells whether it did.
  if (!surface_ || closed_) return;
  if (sizeCheck_) wl_callback_destroy(sizeCheck_);
  sizeCheck_ = wl_display_sync(connection_.Display());
  wl_callback_add_listener(sizeCheck_, &kSizeCheck, static_cast<IFrameSink*>(this));
  wl_display_flush(connection_.Display());
}

void WaylandWindow::OnSizeChecked() {
  wl_callback_destroy(sizeCheck_);
  sizeCheck_ = nullptr;
  const WaylandOutput* output = connection_.OutputById(outputId_);
  if (!output || !surface_ || !configured_ || closed_) return;
  int w = 0, h = 0;
  OutputUnits(output->facts, w, h);
  if (w == configuredW_ && h == configuredH_) return;
  // It did not, and would show our frames cropped to the output or beside
  // its desktop: KWin 5.27 keeps a full-screen toplevel at its output's old
  // size (and answers a repeated set_fullscreen with the old size again);
  // mutter 43 may move it to another output's size. A toplevel leaves full
  // screen and comes back in one flush: the compositor places it anew on
  // the output as it is now (KWin and sway answer with one configure, still
  // full screen; mutter's between are not shown, see OnConfigure). A layer
  // surface cannot be asked again: a new one is made on the same output,
  // sized by the compositor from the start.
  if (layer_) {
    DropSurface();
    MakeSurface(output);
    return;
  }
  askedAgain_ = true;
  xdg_toplevel_unset_fullscreen(toplevel_);
  xdg_toplevel_set_fullscreen(toplevel_, output->output);
  wl_display_flush(connection_.Display());
}

void WaylandWindow::OnPreferredScale(int fraction120) {
  if (fraction120 == fraction120_) return;
  fraction120_ = fraction120;
  Renewed();
  CommitPending();
}

void WaylandWindow::OnLayerClosed() {
  // Its output went away: the scenes follow the outputs, and the next place
  // given (SetCoverArea) gets a new surface.
  DropSurface();
  outputId_ = 0;
}

void WaylandWindow::OnCloseAsked() {
  if (closed_) return;
  if (events_.onClose) events_.onClose();
  else Close();
}

void WaylandWindow::OnFrameDone() {
  if (frameCallback_) wl_callback_destroy(frameCallback_);
  frameCallback_ = nullptr;
  awaitingFrame_ = false;
  frameAsked_ = true;
  // What changed meanwhile goes now, whether or not the scene draws again.
  CommitPending();
}

void WaylandWindow::OnBufferReleased(wl_buffer* buffer) {
  // A commit that waited for a buffer goes now.
  if (buffers_.Released(buffer) && buffers_.WaitsForBuffer()) CommitPending();
}

}  // namespace velmo
