#include "platform/wayland/wayland_window.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "viewporter-client.h"
#include "xdg-shell-client.h"
#include "platform/ramp_tables.h"
#include "platform/wayland/wayland_connection.h"

namespace velmo {
namespace {

WaylandWindow& Of(void* data) { return *static_cast<WaylandWindow*>(static_cast<IFrameSink*>(data)); }

const xdg_surface_listener kXdgSurface = {
    [](void* data, xdg_surface*, uint32_t serial) { Of(data).OnConfigure(serial); },
};

const xdg_toplevel_listener kToplevel = {
    [](void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
      Of(data).OnToplevelConfigure(width, height);
    },
    [](void* data, xdg_toplevel*) { Of(data).OnCloseAsked(); },
    [](void*, xdg_toplevel*, int32_t, int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

const wl_surface_listener kSurface = {
    [](void* data, wl_surface*, wl_output* output) {
      auto* target = static_cast<IInputTarget*>(data);
      static_cast<WaylandWindow*>(target)->OnEnteredOutput(output);
    },
    [](void*, wl_surface*, wl_output*) {},
};

const wl_callback_listener kFrame = {
    [](void* data, wl_callback*, uint32_t) { Of(data).OnFrameDone(); },
};

const wl_buffer_listener kBuffer = {
    [](void* data, wl_buffer* buffer) { Of(data).OnBufferReleased(buffer); },
};

}  // namespace

WaylandWindow::WaylandWindow(WaylandConnection& connection, const std::string& caption, std::optional<Rect> area)
    : connection_(connection), area_(area) {
  sinkId_ = EnterFrameSink(this);
  connection_.AddWindow(this);
  void* self = static_cast<IFrameSink*>(this);
  surface_ = wl_compositor_create_surface(connection_.Compositor());
  // The seat's events name the surface: it carries its window as input target.
  wl_surface_add_listener(surface_, &kSurface, static_cast<IInputTarget*>(this));
  xdgSurface_ = xdg_wm_base_get_xdg_surface(connection_.WmBase(), surface_);
  xdg_surface_add_listener(xdgSurface_, &kXdgSurface, self);
  toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
  xdg_toplevel_add_listener(toplevel_, &kToplevel, self);
  xdg_toplevel_set_app_id(toplevel_, "velmo");
  SetCaption(caption);
  if (connection_.Viewporter()) viewport_ = wp_viewporter_get_viewport(connection_.Viewporter(), surface_);
}

WaylandWindow::~WaylandWindow() {
  LeaveFrameSink(sinkId_);
  connection_.RemoveWindow(this);
  if (frameCallback_) wl_callback_destroy(frameCallback_);
  if (viewport_) wp_viewport_destroy(viewport_);
  if (toplevel_) xdg_toplevel_destroy(toplevel_);
  if (xdgSurface_) xdg_surface_destroy(xdgSurface_);
  if (surface_) wl_surface_destroy(surface_);
  for (Buffer& b : buffers_) FreeBufferMemory(b);
  wl_display_flush(connection_.Display());
}

void WaylandWindow::SetCaption(const std::string& caption) { xdg_toplevel_set_title(toplevel_, caption.c_str()); }

void WaylandWindow::Show() {
  if (shown_ || closed_) return;
  shown_ = true;
  GoFullScreen();
  // The first commit carries no buffer: the compositor answers with the
  // size it gives, and frames follow once that is acknowledged.
  wl_surface_commit(surface_);
  wl_display_flush(connection_.Display());
}

void WaylandWindow::GoFullScreen() {
  const WaylandOutput* output = area_ ? connection_.OutputFor(*area_, this) : nullptr;
  outputId_ = output ? output->facts.id : 0;
  xdg_toplevel_set_fullscreen(toplevel_, output ? output->output : nullptr);
}

void WaylandWindow::Close() {
  if (closed_) return;
  closed_ = true;
  // The keyboard is handed to whichever surface the compositor picks: the
  // program's others do not lose their activation by it.
  connection_.Input().Forget(this);
  if (shown_) {
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

void WaylandWindow::InputPlace(int& x, int& y, int& scale) const {
  x = area_ ? area_->left : 0;
  y = area_ ? area_->top : 0;
  // Surface units to frame pixels: the buffer's own scale.
  scale = 1;
  for (const Buffer& b : buffers_)
    if (b.buffer && configuredW_ > 0) scale = std::max(1, b.width / configuredW_);
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

void WaylandWindow::ForceFullFrame() {
  for (Buffer& b : buffers_) b.missed.whole = true;
  sinceCommit_.whole = true;
}

void WaylandWindow::SetFrameRamp(const DDGAMMARAMP* ramp) {
  const bool identity = FillRampTables(ramp, lutR_, lutG_, lutB_);
  if (ramp_ || !identity) ForceFullFrame();
  ramp_ = !identity;
}

bool WaylandWindow::PresentFrame(SDL_Surface* frame, const ChangedArea& changed) {
  if (failed_) return false;
  if (!frame || closed_) return true;
  const auto note = [&changed](ChangedArea& area) {
    if (changed.whole) area.whole = true;
    for (int i = 0; i < changed.count && !area.whole; ++i) area.Add(changed.rects[i]);
  };
  note(sinceCommit_);
  for (Buffer& b : buffers_) note(b.missed);
  // Not before the compositor gave the surface its size, and not again
  // before it asked for the next frame: the changes wait, and go from this
  // frame when it asks.
  pendingFrame_ = frame;
  return CommitPending();
}

bool WaylandWindow::CommitPending() {
  if (!pendingFrame_ || !configured_ || awaitingFrame_ || closed_ || failed_) return !failed_;
  if (!sinceCommit_.whole && sinceCommit_.count == 0) return true;
  return Commit(pendingFrame_);
}

void WaylandWindow::ForgetFrame(const SDL_Surface* frame) {
  if (frame == nullptr || frame == pendingFrame_) pendingFrame_ = nullptr;
}

bool WaylandWindow::Commit(SDL_Surface* frame) {
  Buffer* b = FreeBuffer(frame->w, frame->h);
  if (!b) return !failed_;  // all in the compositor's hands: the next present sends it
  const SDL_Rect all{0, 0, frame->w, frame->h};
  if (b->missed.whole) {
    CopyInto(*b, frame, all);
  } else {
    for (int i = 0; i < b->missed.count; ++i) CopyInto(*b, frame, b->missed.rects[i]);
  }
  b->missed.Clear();
  // Pixel for pixel where the frame is the output's size; any other size
  // (a mode of the settings' own) is scaled to the output by the compositor.
  const int scale = OutputScale();
  const bool native = configuredW_ <= 0 || (frame->w == configuredW_ * scale && frame->h == configuredH_ * scale);
  wl_surface_set_buffer_scale(surface_, native ? scale : 1);
  if (viewport_) {
    if (native || configuredW_ <= 0) wp_viewport_set_destination(viewport_, -1, -1);
    else wp_viewport_set_destination(viewport_, configuredW_, configuredH_);
  }
  wl_surface_attach(surface_, b->buffer, 0, 0);
  if (sinceCommit_.whole || wl_surface_get_version(surface_) < 4) {
    wl_surface_damage(surface_, 0, 0, INT32_MAX, INT32_MAX);
  } else {
    for (int i = 0; i < sinceCommit_.count; ++i) {
      const SDL_Rect& r = sinceCommit_.rects[i];
      wl_surface_damage_buffer(surface_, r.x, r.y, r.w, r.h);
    }
  }
  sinceCommit_.Clear();
  frameCallback_ = wl_surface_frame(surface_);
  wl_callback_add_listener(frameCallback_, &kFrame, static_cast<IFrameSink*>(this));
  awaitingFrame_ = true;
  b->busy = true;
  wl_surface_commit(surface_);
  wl_display_flush(connection_.Display());
  return true;
}

WaylandWindow::Buffer* WaylandWindow::FreeBuffer(int width, int height) {
  for (Buffer& b : buffers_)
    if (!b.busy && b.buffer && b.width == width && b.height == height) return &b;
  for (Buffer& b : buffers_) {
    if (b.busy) continue;
    FreeBufferMemory(b);
    if (!MakeBuffer(b, width, height)) {
      failed_ = true;
      return nullptr;
    }
    return &b;
  }
  return nullptr;
}

bool WaylandWindow::MakeBuffer(Buffer& b, int width, int height) {
  const int stride = width * 4;
  const size_t bytes = static_cast<size_t>(stride) * height;
  const int fd = memfd_create("velmo-frame", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
    if (fd >= 0) close(fd);
    std::fprintf(stderr, "velmo: no memory for a frame of %d x %d to show\n", width, height);
    return false;
  }
  void* pixels = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (pixels == MAP_FAILED) {
    close(fd);
    std::fprintf(stderr, "velmo: no memory for a frame of %d x %d to show\n", width, height);
    return false;
  }
  wl_shm_pool* pool = wl_shm_create_pool(connection_.Shm(), fd, static_cast<int32_t>(bytes));
  b.buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  wl_buffer_add_listener(b.buffer, &kBuffer, static_cast<IFrameSink*>(this));
  b.pixels = static_cast<uint8_t*>(pixels);
  b.bytes = bytes;
  b.width = width;
  b.height = height;
  b.stride = stride;
  b.busy = false;
  b.missed = ChangedArea{};  // whole
  return true;
}

void WaylandWindow::FreeBufferMemory(Buffer& b) {
  if (b.buffer) wl_buffer_destroy(b.buffer);
  if (b.pixels) munmap(b.pixels, b.bytes);
  b = Buffer{};
}

void WaylandWindow::CopyInto(Buffer& b, SDL_Surface* frame, const SDL_Rect& area) {
  SDL_Rect r = area;
  const SDL_Rect bounds{0, 0, std::min(frame->w, b.width), std::min(frame->h, b.height)};
  if (!SDL_IntersectRect(&r, &bounds, &r)) return;
  const int bpp = frame->format->BytesPerPixel;
  const auto* from = static_cast<const uint8_t*>(frame->pixels) + r.y * frame->pitch + r.x * bpp;
  uint8_t* to = b.pixels + r.y * b.stride + r.x * 4;
  SDL_ConvertPixels(r.w, r.h, frame->format->format, from, frame->pitch, SDL_PIXELFORMAT_XRGB8888, to, b.stride);
  if (!ramp_) return;
  for (int y = 0; y < r.h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(to + y * b.stride);
    for (int x = 0; x < r.w; ++x) {
      const uint32_t p = row[x];
      row[x] = (uint32_t{lutR_[(p >> 16) & 0xFF]} << 16) | (uint32_t{lutG_[(p >> 8) & 0xFF]} << 8) | lutB_[p & 0xFF];
    }
  }
}

void WaylandWindow::OnConfigure(uint32_t serial) {
  xdg_surface_ack_configure(xdgSurface_, serial);
  const bool first = !configured_;
  configured_ = true;
  // A new size or the first one: the next present sends the whole frame.
  if (first) ForceFullFrame();
  if (first && !awaitingFrame_) frameAsked_ = true;
  CommitPending();
}

void WaylandWindow::OnToplevelConfigure(int width, int height) {
  if (width > 0 && height > 0 && (width != configuredW_ || height != configuredH_)) {
    configuredW_ = width;
    configuredH_ = height;
    ForceFullFrame();
    frameAsked_ = true;
  }
}

void WaylandWindow::OnEnteredOutput(wl_output* output) {
  // A compositor may have drawn the frames sent before the surface reached
  // its output elsewhere, and repaint only what changed after: the whole
  // frame goes again.
  const WaylandOutput* o = connection_.OutputById(outputId_);
  if (o && o->output != output) return;
  ForceFullFrame();
  frameAsked_ = true;
  CommitPending();
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
  for (Buffer& b : buffers_)
    if (b.buffer == buffer) b.busy = false;
}

}  // namespace velmo
