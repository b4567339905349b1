#include "platform/x11/x11_foreign.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <poll.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/sdl/sdl_device_context.h"

namespace velmo {
namespace {

// Xlib reports a missing window through a process-wide handler; catch it
// while we ask, so a wrong id is an answer rather than the end of the process.
int xErrorCode = 0;
int RecordError(Display*, XErrorEvent* e) {
  xErrorCode = e->error_code;
  return 0;
}

class X11ForeignWindows : public IForeignWindows {
 public:
  ~X11ForeignWindows() override {
    if (image_) XDestroyImage(image_);
    dc_.reset();
    if (display_) XCloseDisplay(display_);
  }

  bool IsWindow(WindowId window) override {
    XWindowAttributes attrs;
    return Attributes(window, attrs);
  }

  bool IsWindowVisible(WindowId window) override {
    XWindowAttributes attrs;
    return Attributes(window, attrs) && attrs.map_state == IsViewable;
  }

  void ProcessMessages() override {
    Connect();
    pollfd p{ConnectionNumber(display_), POLLIN, 0};
    poll(&p, 1, 10);
    while (XPending(display_)) {
      XEvent e;
      XNextEvent(display_, &e);
    }
  }

  // The context draws into a copy of the window's pixels, which go back to
  // the window when it is released: every drawing call then behaves as on
  // our own surfaces. Only true-colour windows of 24 or 32 bits are served.
  IDeviceContext* GetDC(WindowId window) override {
    XWindowAttributes attrs;
    if (!Attributes(window, attrs) || (attrs.depth != 24 && attrs.depth != 32) || attrs.width <= 0 ||
        attrs.height <= 0)
      return nullptr;
    XImage* image = ReadWindow(static_cast<Window>(window), attrs);
    if (!image) return nullptr;
    if (image->bits_per_pixel != 32) {
      XDestroyImage(image);
      return nullptr;
    }
    image_ = image;
    window_ = window;
    pitch_ = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, attrs.width);
    pixels_.assign(static_cast<size_t>(pitch_) * attrs.height, 0);
    for (int y = 0; y < attrs.height; ++y)
      std::memcpy(&pixels_[static_cast<size_t>(y) * pitch_], image->data + static_cast<size_t>(y) * image->bytes_per_line,
                  static_cast<size_t>(attrs.width) * 4);
    dc_ = std::make_unique<SdlDeviceContext>(PixelTarget{pixels_.data(), pitch_, attrs.width, attrs.height, 32});
    if (!dc_->Valid()) {
      ReleaseDC(window, nullptr);
      return nullptr;
    }
    dc_->Begin();
    return dc_.get();
  }

  void ReleaseDC(WindowId, IDeviceContext*) override {
    if (!image_) return;
    if (dc_) dc_->End();
    dc_.reset();
    for (int y = 0; y < image_->height; ++y)
      std::memcpy(image_->data + static_cast<size_t>(y) * image_->bytes_per_line,
                  &pixels_[static_cast<size_t>(y) * pitch_], static_cast<size_t>(image_->width) * 4);
    GC gc = XCreateGC(display_, static_cast<Window>(window_), 0, nullptr);
    XPutImage(display_, static_cast<Window>(window_), gc, image_, 0, 0, 0, 0, image_->width, image_->height);
    XFreeGC(display_, gc);
    XDestroyImage(image_);
    image_ = nullptr;
    XSync(display_, False);
  }

 private:
  // The window's pixels. The server refuses to read a window that reaches
  // beyond the screen (unless it keeps a backing store), so then only the
  // part on the screen is read and the rest starts black: it is not seen.
  XImage* ReadWindow(Window window, const XWindowAttributes& attrs) {
    XSync(display_, False);
    xErrorCode = 0;
    const auto previous = XSetErrorHandler(RecordError);
    XImage* image = XGetImage(display_, window, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
    XSync(display_, False);
    if (xErrorCode != 0 || !image) {
      if (image) XDestroyImage(image);
      image = BlankImage(attrs);
      Window child = None;
      int x = 0, y = 0;
      if (image && XTranslateCoordinates(display_, window, attrs.root, 0, 0, &x, &y, &child)) {
        const int left = std::max(0, -x), top = std::max(0, -y);
        const int right = std::min(attrs.width, WidthOfScreen(attrs.screen) - x);
        const int bottom = std::min(attrs.height, HeightOfScreen(attrs.screen) - y);
        if (right > left && bottom > top) {
          xErrorCode = 0;
          XGetSubImage(display_, window, left, top, right - left, bottom - top, AllPlanes, ZPixmap, image, left, top);
          XSync(display_, False);
        }
      }
    }
    XSetErrorHandler(previous);
    return image;
  }

  // A zeroed image in the window's own format.
  XImage* BlankImage(const XWindowAttributes& attrs) {
    XImage* image = XCreateImage(display_, attrs.visual, static_cast<unsigned>(attrs.depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(attrs.width), static_cast<unsigned>(attrs.height), 32, 0);
    if (!image) return nullptr;
    // XDestroyImage frees the data with free().
    image->data = static_cast<char*>(std::calloc(static_cast<size_t>(image->bytes_per_line), attrs.height));
    if (!image->data) {
      XDestroyImage(image);
      return nullptr;
    }
    return image;
  }

  // Opened on first use, so a process that never previews never connects.
  void Connect() {
    if (display_) return;
    display_ = XOpenDisplay(nullptr);
    if (!display_) throw std::runtime_error("Cannot open the X display.");
  }

  bool Attributes(WindowId window, XWindowAttributes& attrs) {
    Connect();
    if (window == 0) return false;
    XSync(display_, False);
    xErrorCode = 0;
    auto previous = XSetErrorHandler(RecordError);
    const Status ok = XGetWindowAttributes(display_, static_cast<Window>(window), &attrs);
    XSync(display_, False);
    XSetErrorHandler(previous);
    return ok != 0 && xErrorCode == 0;
  }

  Display* display_ = nullptr;
  std::unique_ptr<SdlDeviceContext> dc_;
  XImage* image_ = nullptr;
  WindowId window_ = 0;
  int pitch_ = 0;
  std::vector<uint8_t> pixels_;
};

}  // namespace

std::unique_ptr<IForeignWindows> MakeX11ForeignWindows() { return std::make_unique<X11ForeignWindows>(); }

}  // namespace velmo
