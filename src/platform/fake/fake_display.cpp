#include "platform/fake/fake_display.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/pixel_format.h"

namespace velmo {
namespace {

// Zero prints as "0", anything else as 0x-prefixed hex ("0x53").
std::string Hex(uint32_t value) {
  if (value == 0) return "0";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%x", value);
  return buffer;
}

std::string SurfaceName(IDirectDrawSurface7* surface) {
  if (surface == nullptr) return "null";
  return static_cast<FakeSurface*>(surface)->Name();
}

std::string GuidText(const DeviceGuid* guid) {
  if (guid == nullptr) return "null";
  std::string text = "{";
  char byte[3];
  for (uint8_t b : guid->bytes) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    text += byte;
  }
  return text + "}";
}

}  // namespace

template <class T, class... Args>
T* FakeDisplayDriver::Make(Args&&... args) {
  auto object = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = object.get();
  objects_.push_back(std::move(object));
  return raw;
}

std::string FormatRect(const Rect* rect) {
  if (rect == nullptr) return "null";
  return "{" + std::to_string(rect->left) + "," + std::to_string(rect->top) + "," + std::to_string(rect->right) +
         "," + std::to_string(rect->bottom) + "}";
}

// ---- FakeCallLog ----

int FakeCallLog::Count(std::string_view text) const {
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), text));
}

std::vector<std::string> FakeCallLog::Containing(std::string_view substring) const {
  std::vector<std::string> found;
  for (const auto& call : calls_) {
    if (call.find(substring) != std::string::npos) found.push_back(call);
  }
  return found;
}

std::string FakeCallLog::Dump() const {
  std::string text;
  for (const auto& call : calls_) text += call + "\n";
  return text;
}

// ---- FakeResults ----

void FakeResults::Queue(const std::string& method, std::initializer_list<HRESULT> results) {
  auto& queue = queued_[method];
  queue.insert(queue.end(), results.begin(), results.end());
}

void FakeResults::SetDefault(const std::string& method, HRESULT result) { defaults_[method] = result; }

bool FakeResults::Has(const std::string& method) const {
  auto q = queued_.find(method);
  return (q != queued_.end() && !q->second.empty()) || defaults_.count(method) != 0;
}

HRESULT FakeResults::Next(const std::string& method) {
  auto q = queued_.find(method);
  if (q != queued_.end() && !q->second.empty()) {
    const HRESULT result = q->second.front();
    q->second.pop_front();
    return result;
  }
  auto d = defaults_.find(method);
  return d == defaults_.end() ? DD_OK : d->second;
}

HRESULT FakeResults::Next(const std::string& specific, const std::string& general) {
  return Has(specific) ? Next(specific) : Next(general);
}

// ---- FakeDeviceContext ----

int FakeDeviceContext::SetBkMode(int mode) {
  log_.Add("SetBkMode(" + std::to_string(mode) + ")");
  const int previous = bkMode_;
  bkMode_ = mode;
  return previous;
}

TColor FakeDeviceContext::SetTextColor(TColor colour) {
  log_.Add("SetTextColor(" + Hex(colour) + ")");
  const TColor previous = textColour_;
  textColour_ = colour;
  return previous;
}

bool FakeDeviceContext::TextOut(int x, int y, const char* text, int length) {
  log_.Add("TextOut(" + std::to_string(x) + "," + std::to_string(y) + "," +
           std::string(text ? text : "", text ? static_cast<size_t>(std::max(length, 0)) : 0) + ")");
  return true;
}

HGDIOBJ FakeDeviceContext::CreatePen(int style, int width, TColor colour) {
  log_.Add("CreatePen(" + std::to_string(style) + "," + std::to_string(width) + "," + Hex(colour) + ")");
  objects_[nextObject_] = true;
  return nextObject_++;
}

HGDIOBJ FakeDeviceContext::CreateSolidBrush(TColor colour) {
  log_.Add("CreateSolidBrush(" + Hex(colour) + ")");
  objects_[nextObject_] = false;
  return nextObject_++;
}

HGDIOBJ FakeDeviceContext::SelectObject(HGDIOBJ object) {
  log_.Add("SelectObject(" + std::to_string(object) + ")");
  bool isPen;
  if (object == kStockPen) isPen = true;
  else if (object == kStockBrush) isPen = false;
  else if (auto it = objects_.find(object); it != objects_.end()) isPen = it->second;
  else return 0;
  HGDIOBJ& slot = isPen ? pen_ : brush_;
  const HGDIOBJ previous = slot;
  slot = object;
  return previous;
}

bool FakeDeviceContext::DeleteObject(HGDIOBJ object) {
  log_.Add("DeleteObject(" + std::to_string(object) + ")");
  if (object == pen_ || object == brush_) return false;  // GDI refuses to delete a selected object
  return objects_.erase(object) != 0;
}

bool FakeDeviceContext::Ellipse(int left, int top, int right, int bottom) {
  log_.Add("Ellipse(" + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
           std::to_string(bottom) + ")");
  return true;
}

bool FakeDeviceContext::Rectangle(int left, int top, int right, int bottom) {
  log_.Add("Rectangle(" + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) + "," +
           std::to_string(bottom) + ")");
  return true;
}

bool FakeDeviceContext::Polygon(const Point* points, int count) {
  std::string call = "Polygon(";
  for (int i = 0; i < count && points; ++i) {
    if (i) call += ",";
    call += "(" + std::to_string(points[i].x) + "," + std::to_string(points[i].y) + ")";
  }
  log_.Add(call + ")");
  return count >= 2 && points != nullptr;
}

bool FakeDeviceContext::MoveToEx(int x, int y, Point* previous) {
  log_.Add("MoveToEx(" + std::to_string(x) + "," + std::to_string(y) + ")");
  if (previous) *previous = position_;
  position_ = {x, y};
  return true;
}

bool FakeDeviceContext::LineTo(int x, int y) {
  log_.Add("LineTo(" + std::to_string(x) + "," + std::to_string(y) + ")");
  position_ = {x, y};
  return true;
}

bool FakeDeviceContext::Inside(int x, int y) const {
  return target_.pixels && x >= 0 && y >= 0 && x < target_.width && y < target_.height;
}

TColor FakeDeviceContext::GetPixel(int x, int y) {
  log_.Add("GetPixel(" + std::to_string(x) + "," + std::to_string(y) + ")");
  if (!Inside(x, y)) return CLR_INVALID;
  return ColourFromNative(ReadNative(target_.pixels + static_cast<size_t>(y) * target_.pitch, x, target_.bits),
                          target_.bits);
}

TColor FakeDeviceContext::SetPixel(int x, int y, TColor colour) {
  log_.Add("SetPixel(" + std::to_string(x) + "," + std::to_string(y) + "," + Hex(colour) + ")");
  if (!Inside(x, y)) return CLR_INVALID;
  const uint32_t native = NativeFromColour(colour, target_.bits);
  WriteNative(target_.pixels + static_cast<size_t>(y) * target_.pitch, x, native, target_.bits);
  return ColourFromNative(native, target_.bits);
}

void FakeDeviceContext::Draw(int x, int y, const Bitmap& bitmap) {
  log_.Add("Draw(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(bitmap.Width()) + "x" +
           std::to_string(bitmap.Height()) + ")");
  StretchBitmap(target_, {x, y, x + bitmap.Width(), y + bitmap.Height()}, bitmap);
}

void FakeDeviceContext::StretchDraw(const Rect& box, const Bitmap& bitmap) {
  log_.Add("StretchDraw(" + FormatRect(&box) + "," + std::to_string(bitmap.Width()) + "x" +
           std::to_string(bitmap.Height()) + ")");
  StretchBitmap(target_, box, bitmap);
}

// ---- FakeObject ----

void FakeObject::Log(const std::string& call, bool prefixed) {
  std::string line = prefixed ? name_ + "." + call : call;
  if (refs_ == 0) {
    line += " AFTER RELEASE";
    ++driver_.misuses_;
  }
  driver_.log.Add(std::move(line));
}

uint32_t FakeObject::DoAddRef() {
  Log("AddRef()");
  return ++refs_;
}

uint32_t FakeObject::DoRelease() {
  Log("Release()");
  if (refs_ == 0) return 0;  // already counted as a misuse by Log
  return --refs_;
}

// ---- FakeGammaControl ----

HRESULT FakeGammaControl::GetGammaRamp(uint32_t flags, DDGAMMARAMP* out) {
  Log("GetGammaRamp(" + Hex(flags) + ")");
  const HRESULT result = driver_.results.Next(name_ + ".GetGammaRamp", "GetGammaRamp");
  if (Succeeded(result) && out) *out = ramp;
  return result;
}

HRESULT FakeGammaControl::SetGammaRamp(uint32_t flags, const DDGAMMARAMP* in) {
  Log("SetGammaRamp(" + Hex(flags) + ")");
  const HRESULT result = driver_.results.Next(name_ + ".SetGammaRamp", "SetGammaRamp");
  if (Succeeded(result) && in) {
    ramp = *in;
    ++setCount;
  }
  return result;
}

// ---- FakeSurface ----

FakeSurface::FakeSurface(FakeDisplayDriver& driver, std::string name, int width, int height, uint32_t bits,
                         uint32_t caps)
    : FakeObject(driver, std::move(name)),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      bits_(IsSupportedDepth(bits) ? bits : 32),
      caps_(caps),
      pitch_(width_ * BytesPerPixel(bits_)),
      memory_(static_cast<size_t>(pitch_) * height_, 0),
      dc_(driver.log) {
  dc_.SetTarget(Pixels());
}

HRESULT FakeSurface::Result(const char* method) { return driver_.results.Next(name_ + "." + method, method); }

uint32_t FakeSurface::NativeAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return ReadNative(memory_.data() + static_cast<size_t>(y) * pitch_, x, bits_);
}

void FakeSurface::SetNativeAt(int x, int y, uint32_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  WriteNative(memory_.data() + static_cast<size_t>(y) * pitch_, x, value, bits_);
}

TColor FakeSurface::ColourAt(int x, int y) const { return ColourFromNative(NativeAt(x, y), bits_); }

HRESULT FakeSurface::IsLost() {
  Log("IsLost()");
  return Result("IsLost");
}

HRESULT FakeSurface::Restore() {
  Log("Restore()");
  return Result("Restore");
}

HRESULT FakeSurface::Flip(IDirectDrawSurface7* target, uint32_t flags) {
  Log("Flip(" + SurfaceName(target) + "," + Hex(flags) + ")");
  const HRESULT result = Result("Flip");
  FakeSurface* from = target ? static_cast<FakeSurface*>(target) : attached;
  if (result == DD_OK && from && from->memory_.size() == memory_.size()) memory_ = from->memory_;
  return result;
}

HRESULT FakeSurface::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) {
  Log("GetAttachedSurface(" + Hex(caps ? caps->dwCaps : 0) + ")");
  const HRESULT result = Result("GetAttachedSurface");
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (Failed(result)) return result;
  if (attached == nullptr || caps == nullptr || !(caps->dwCaps & DDSCAPS_BACKBUFFER)) return DDERR_NOTFOUND;
  attached->refs_++;  // the caller's count, as the platform adds it
  *out = attached;
  return result;
}

HRESULT FakeSurface::Blt(const Rect* dest, IDirectDrawSurface7* source, const Rect* sourceRect, uint32_t flags,
                         DDBLTFX* fx) {
  Log("Blt(" + FormatRect(dest) + "," + SurfaceName(source) + "," + FormatRect(sourceRect) + "," + Hex(flags) +
      "," + (fx ? Hex(fx->dwFillColor) : std::string("null")) + ")");
  const HRESULT result = Result("Blt");
  if (Failed(result)) return result;
  if ((flags & DDBLT_COLORFILL) && fx) {
    const Rect area = dest ? *dest : Rect{0, 0, width_, height_};
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, height_); ++y) {
      for (int x = std::max(area.left, 0); x < std::min(area.right, width_); ++x) SetNativeAt(x, y, fx->dwFillColor);
    }
  }
  return result;
}

HRESULT FakeSurface::BltStretched(int32_t x, int32_t y, int32_t boxW, int32_t boxH, IDirectDrawSurface7* source,
                                  const Rect& part, uint32_t flags) {
  Log("BltStretched(" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(boxW) + "x" +
      std::to_string(boxH) + "," + SurfaceName(source) + "," + FormatRect(&part) + "," + Hex(flags) + ")");
  const HRESULT result = Result("BltStretched");
  if (Failed(result) || source == nullptr) return Failed(result) ? result : DDERR_INVALIDPARAMS;
  if (part.left < 0 || part.top < 0 || part.right > boxW || part.bottom > boxH || part.left >= part.right ||
      part.top >= part.bottom || x < 0 || y < 0 || x + (part.right - part.left) > width_ ||
      y + (part.bottom - part.top) > height_) {
    return DDERR_INVALIDRECT;
  }
  return DD_OK;
}

HRESULT FakeSurface::BltFast(int32_t x, int32_t y, IDirectDrawSurface7* source, const Rect* sourceRect,
                             uint32_t flags) {
  Log("BltFast(" + std::to_string(x) + "," + std::to_string(y) + "," + SurfaceName(source) + "," +
      FormatRect(sourceRect) + "," + Hex(flags) + ")");
  const HRESULT result = Result("BltFast");
  if (Failed(result) || source == nullptr) return Failed(result) ? result : DDERR_INVALIDPARAMS;
  auto* from = static_cast<FakeSurface*>(source);
  const Rect r = sourceRect ? *sourceRect : Rect{0, 0, from->width_, from->height_};
  // The platform does not clip a fast blit: a rectangle outside either surface is refused.
  if (r.left < 0 || r.top < 0 || r.right > from->width_ || r.bottom > from->height_ || r.left >= r.right ||
      r.top >= r.bottom || x < 0 || y < 0 || x + (r.right - r.left) > width_ || y + (r.bottom - r.top) > height_) {
    return DDERR_INVALIDRECT;
  }
  const bool keyed = (flags & DDBLTFAST_SRCCOLORKEY) && from->key_.has_value();
  for (int row = r.top; row < r.bottom; ++row) {
    for (int col = r.left; col < r.right; ++col) {
      const uint32_t pixel = from->NativeAt(col, row);
      if (keyed && pixel == *from->key_) continue;
      SetNativeAt(x + col - r.left, y + row - r.top, pixel);
    }
  }
  return result;
}

HRESULT FakeSurface::GetDC(IDeviceContext** dc) {
  Log("GetDC()");
  const HRESULT result = Result("GetDC");
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (Failed(result)) return result;
  dcOut_ = true;
  *dc = &dc_;
  return result;
}

HRESULT FakeSurface::ReleaseDC(IDeviceContext* dc) {
  Log("ReleaseDC()");
  const HRESULT result = Result("ReleaseDC");
  if (dc != &dc_ || !dcOut_) return DDERR_INVALIDPARAMS;
  dcOut_ = false;
  return result;
}

HRESULT FakeSurface::Lock(const Rect* rect, DDSURFACEDESC2* desc, uint32_t flags, void*) {
  Log("Lock(" + FormatRect(rect) + "," + Hex(flags) + ")");
  const HRESULT result = Result("Lock");
  if (Failed(result)) return result;
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  GetSurfaceDesc(desc);
  uint8_t* start = memory_.data();
  if (rect) start += static_cast<size_t>(rect->top) * pitch_ + static_cast<size_t>(rect->left) * BytesPerPixel(bits_);
  desc->lpSurface = start;
  ++locks_;
  return result;
}

HRESULT FakeSurface::Unlock(const Rect* rect) {
  Log("Unlock(" + FormatRect(rect) + ")");
  const HRESULT result = Result("Unlock");
  if (Failed(result)) return result;
  if (locks_ == 0) return DDERR_NOTLOCKED;
  --locks_;
  return result;
}

HRESULT FakeSurface::SetColorKey(uint32_t flags, DDCOLORKEY* key) {
  Log("SetColorKey(" + Hex(flags) + "," + (key ? Hex(key->dwColorSpaceLowValue) : std::string("null")) +
      (key && key->dwColorSpaceHighValue != key->dwColorSpaceLowValue ? "-" + Hex(key->dwColorSpaceHighValue)
                                                                       : std::string()) +
      ")");
  const HRESULT result = Result("SetColorKey");
  if (Succeeded(result)) {
    if (key) key_ = key->dwColorSpaceLowValue;
    else key_.reset();
  }
  return result;
}

HRESULT FakeSurface::GetSurfaceDesc(DDSURFACEDESC2* desc) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = width_;
  desc->dwHeight = height_;
  desc->lPitch = pitch_;
  desc->ddpfPixelFormat = PixelFormatOf(bits_);
  desc->ddsCaps.dwCaps = caps_;
  return DD_OK;
}

HRESULT FakeSurface::QueryGammaControl(IDirectDrawGammaControl** control) {
  Log("QueryGammaControl()");
  const HRESULT result = Result("QueryGammaControl");
  if (control == nullptr) return DDERR_INVALIDPARAMS;
  *control = nullptr;
  if (Failed(result)) return result;
  auto* gamma = driver_.Make<FakeGammaControl>(driver_, "gamma");
  driver_.lastGamma_ = gamma;
  *control = gamma;
  return result;
}

// ---- FakeDirectDraw7 ----

HRESULT FakeDirectDraw7::QueryDirectDraw7(IDirectDraw7** dd7) {
  Log("QueryDirectDraw7()", false);
  const HRESULT result = driver_.results.Next("QueryDirectDraw7");
  if (dd7 == nullptr) return DDERR_INVALIDPARAMS;
  *dd7 = nullptr;
  if (Failed(result)) return result;
  auto* made = driver_.Make<FakeDirectDraw7>(driver_, "dd7");
  made->mode = mode;
  driver_.lastDD7_ = made;
  *dd7 = made;
  return result;
}

HRESULT FakeDirectDraw7::GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) {
  Log(std::string("GetCaps(") + (driverCaps ? "caps" : "null") + "," + (emulationCaps ? "caps" : "null") + ")",
      false);
  const HRESULT result = driver_.results.Next("GetCaps");
  if (Succeeded(result) && driverCaps) {
    const uint32_t size = driverCaps->dwSize;
    *driverCaps = driver_.caps;
    driverCaps->dwSize = size;
  }
  return result;
}

HRESULT FakeDirectDraw7::EnumDisplayModes(uint32_t flags, DDSURFACEDESC2*, void* context,
                                          EnumModesCallback callback) {
  Log("EnumDisplayModes(" + Hex(flags) + ")", false);
  const HRESULT result = driver_.results.Next("EnumDisplayModes");
  if (Failed(result) || callback == nullptr) return result;
  for (const DisplayMode& m : driver_.modes) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_PITCH;
    desc.dwWidth = m.width;
    desc.dwHeight = m.height;
    desc.lPitch = m.width * BytesPerPixel(m.bitsPerPixel);
    desc.ddpfPixelFormat.dwRGBBitCount = m.bitsPerPixel;
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return result;
}

HRESULT FakeDirectDraw7::SetCooperativeLevel(IWindow* window, uint32_t flags) {
  Log("SetCooperativeLevel(" + Hex(flags) + ")", false);
  const HRESULT result = driver_.results.Next("SetCooperativeLevel");
  if (Succeeded(result)) cooperativeWindow = window;
  return result;
}

HRESULT FakeDirectDraw7::SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refreshRate,
                                        uint32_t flags) {
  Log("SetDisplayMode(" + std::to_string(width) + "," + std::to_string(height) + "," + std::to_string(bpp) + "," +
          std::to_string(refreshRate) + "," + Hex(flags) + ")",
      false);
  const HRESULT result = driver_.results.Next("SetDisplayMode");
  if (Succeeded(result)) mode = {static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp)};
  return result;
}

HRESULT FakeDirectDraw7::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void*) {
  if (desc == nullptr) {
    Log("CreateSurface(null)", false);
    return DDERR_INVALIDPARAMS;
  }
  Log("CreateSurface(dwSize=" + std::to_string(desc->dwSize) + ",flags=" + Hex(desc->dwFlags) +
          ",caps=" + Hex(desc->ddsCaps.dwCaps) + ",w=" + std::to_string(desc->dwWidth) +
          ",h=" + std::to_string(desc->dwHeight) + ",backbuffers=" + std::to_string(desc->dwBackBufferCount) + ")",
      false);
  const HRESULT result = driver_.results.Next("CreateSurface");
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  if (Failed(result)) return result;
  if (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) {
    FakeSurface* primary =
        driver_.MakeSurface("primary", mode.width, mode.height, mode.bitsPerPixel, desc->ddsCaps.dwCaps);
    if ((desc->dwFlags & DDSD_BACKBUFFERCOUNT) && desc->dwBackBufferCount >= 1) {
      // The back buffer lives as long as its primary: the primary's count holds it.
      primary->attached =
          driver_.MakeSurface("back", mode.width, mode.height, mode.bitsPerPixel, DDSCAPS_BACKBUFFER);
      primary->attached->refs_ = 0;
    }
    *surface = primary;
  } else {
    *surface = driver_.MakeSurface("surface" + std::to_string(++driver_.offscreenCount_),
                                   static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight),
                                   mode.bitsPerPixel, desc->ddsCaps.dwCaps);
  }
  return result;
}

HRESULT FakeDirectDraw7::RestoreAllSurfaces() {
  Log("RestoreAllSurfaces()", false);
  return driver_.results.Next("RestoreAllSurfaces");
}

// ---- FakeDisplayDriver ----

FakeDisplayDriver::FakeDisplayDriver() = default;
FakeDisplayDriver::~FakeDisplayDriver() = default;

FakeSurface* FakeDisplayDriver::MakeSurface(const std::string& name, int width, int height, uint32_t bits,
                                            uint32_t caps) {
  return Make<FakeSurface>(*this, name, width, height, bits, caps);
}

HRESULT FakeDisplayDriver::DirectDrawCreate(const DeviceGuid* device, IDirectDraw** dd, void*) {
  log.Add("DirectDrawCreate(" + GuidText(device) + ")");
  const HRESULT result = results.Next("DirectDrawCreate");
  if (dd == nullptr) return DDERR_INVALIDPARAMS;
  *dd = nullptr;
  if (Failed(result)) return result;
  lastDD_ = Make<FakeDirectDraw>(*this, "dd");
  lastDD_->mode = desktop;
  *dd = lastDD_;
  return result;
}

DisplayMode FakeDisplayDriver::DesktopMode() {
  log.Add("DesktopMode()");
  return desktop;
}

FakeSurface* FakeDisplayDriver::Surface(const std::string& name) const {
  for (auto it = objects_.rbegin(); it != objects_.rend(); ++it) {
    auto* surface = dynamic_cast<FakeSurface*>(it->get());
    if (surface && surface->Name() == name) return surface;
  }
  return nullptr;
}

int FakeDisplayDriver::LiveObjects() const {
  int live = 0;
  for (const auto& object : objects_) live += object->RefCount() > 0 ? 1 : 0;
  return live;
}

}  // namespace velmo
