#pragma once
// Test fake of the display service and of device contexts. Every call is
// recorded in order, with its arguments, as a readable line in one shared
// log ("DirectDrawCreate(null)", "SetCooperativeLevel(0x53)",
// "primary.Flip(null,0)", "back.Release()", "TextOut(20,570,Frame rate: 0 FPS)");
// every HRESULT is scriptable per method (a queue of results, then a default);
// surfaces are backed by real memory in the display's pixel format, so tests
// can look at the pixels that fills, blits and device contexts leave.
//
// Objects are never freed while the driver lives: a call on an object whose
// count reached zero is logged with " AFTER RELEASE" and counted in
// Misuses(), so a test can prove that nothing touches a released surface.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/bitmap_blit.h"
#include "platform/display.h"
#include "platform/gdi.h"

namespace velmo {

class FakeCallLog {
 public:
  void Add(std::string call) { calls_.push_back(std::move(call)); }
  const std::vector<std::string>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  // Number of calls exactly equal to text.
  int Count(std::string_view text) const;
  // The calls that contain the substring, in order.
  std::vector<std::string> Containing(std::string_view substring) const;
  // Every call on one line each, for failure messages.
  std::string Dump() const;

 private:
  std::vector<std::string> calls_;
};

// Results by method key. A surface method asks "<surface>.<Method>" first
// (e.g. "back.IsLost") and then "<Method>" (any surface); other objects use
// the bare method name ("SetDisplayMode", "DirectDrawCreate").
class FakeResults {
 public:
  // Results handed out one per call before the default applies again.
  void Queue(const std::string& method, std::initializer_list<HRESULT> results);
  void SetDefault(const std::string& method, HRESULT result);
  HRESULT Next(const std::string& method);
  HRESULT Next(const std::string& specific, const std::string& general);

 private:
  bool Has(const std::string& method) const;
  std::map<std::string, std::deque<HRESULT>> queued_;
  std::map<std::string, HRESULT> defaults_;
};

// A recording device context. Attached to pixel memory it also reads and
// writes pixels (GetPixel, SetPixel, Draw, StretchDraw); the shapes and the
// text are recorded only.
class FakeDeviceContext : public IDeviceContext {
 public:
  static constexpr HGDIOBJ kStockPen = 1001;
  static constexpr HGDIOBJ kStockBrush = 1002;

  explicit FakeDeviceContext(FakeCallLog& log, PixelTarget target = {}) : log_(log), target_(target) {}
  void SetTarget(PixelTarget target) { target_ = target; }

  int SetBkMode(int mode) override;
  TColor SetTextColor(TColor colour) override;
  void SetTextHeight(int) override {}
  void SetSmoothEdges(bool on) override { smooth_ = on; }
  bool SmoothEdges() const { return smooth_; }
  bool TextOut(int x, int y, const char* text, int length) override;
  HGDIOBJ CreatePen(int style, int width, TColor colour) override;
  HGDIOBJ CreateSolidBrush(TColor colour) override;
  HGDIOBJ SelectObject(HGDIOBJ object) override;
  bool DeleteObject(HGDIOBJ object) override;
  bool Ellipse(int left, int top, int right, int bottom) override;
  bool Rectangle(int left, int top, int right, int bottom) override;
  bool Polygon(const Point* points, int count) override;
  bool MoveToEx(int x, int y, Point* previous) override;
  bool LineTo(int x, int y) override;
  TColor GetPixel(int x, int y) override;
  TColor SetPixel(int x, int y, TColor colour) override;
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void StretchDraw(const Rect& box, const Bitmap& bitmap) override;

  int BkMode() const { return bkMode_; }
  TColor TextColour() const { return textColour_; }
  HGDIOBJ SelectedPen() const { return pen_; }
  HGDIOBJ SelectedBrush() const { return brush_; }
  // Pens and brushes created and not yet deleted.
  int LiveObjects() const { return static_cast<int>(objects_.size()); }

 private:
  bool Inside(int x, int y) const;
  bool smooth_ = false;
  FakeCallLog& log_;
  PixelTarget target_;
  int bkMode_ = OPAQUE;
  TColor textColour_ = 0;
  HGDIOBJ pen_ = kStockPen;
  HGDIOBJ brush_ = kStockBrush;
  HGDIOBJ nextObject_ = 1;
  std::map<HGDIOBJ, bool> objects_;  // handle -> is a pen
  Point position_;
};

class FakeDisplayDriver;

// Reference counting and misuse tracking shared by the fake objects.
class FakeObject {
 public:
  FakeObject(FakeDisplayDriver& driver, std::string name) : driver_(driver), name_(std::move(name)) {}
  virtual ~FakeObject() = default;
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  uint32_t RefCount() const { return refs_; }
  bool Released() const { return refs_ == 0; }

 protected:
  // Logs "<name>.<call>" (or the bare call for unnamed DD methods) and
  // flags a use after release.
  void Log(const std::string& call, bool prefixed = true);
  friend class FakeSurface;
  friend class FakeDirectDraw7;
  uint32_t DoAddRef();
  uint32_t DoRelease();
  FakeDisplayDriver& driver_;
  std::string name_;
  uint32_t refs_ = 1;
};

class FakeGammaControl : public IDirectDrawGammaControl, public FakeObject {
 public:
  using FakeObject::FakeObject;
  uint32_t AddRef() override { return DoAddRef(); }
  uint32_t Release() override { return DoRelease(); }
  HRESULT GetGammaRamp(uint32_t flags, DDGAMMARAMP* ramp) override;
  HRESULT SetGammaRamp(uint32_t flags, const DDGAMMARAMP* ramp) override;

  DDGAMMARAMP ramp;  // what GetGammaRamp reads; SetGammaRamp stores here
  int setCount = 0;
};

class FakeSurface : public IDirectDrawSurface7, public FakeObject {
 public:
  FakeSurface(FakeDisplayDriver& driver, std::string name, int width, int height, uint32_t bits,
              uint32_t caps);

  uint32_t AddRef() override { return DoAddRef(); }
  uint32_t Release() override { return DoRelease(); }
  HRESULT IsLost() override;
  HRESULT Restore() override;
  HRESULT Flip(IDirectDrawSurface7* target, uint32_t flags) override;
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** attached) override;
  HRESULT Blt(const Rect* dest, IDirectDrawSurface7* source, const Rect* sourceRect, uint32_t flags,
              DDBLTFX* fx) override;
  HRESULT BltStretched(int32_t x, int32_t y, int32_t boxW, int32_t boxH, IDirectDrawSurface7* source,
                       const Rect& part, uint32_t flags) override;
  HRESULT BltFast(int32_t x, int32_t y, IDirectDrawSurface7* source, const Rect* sourceRect,
                  uint32_t flags) override;
  HRESULT GetDC(IDeviceContext** dc) override;
  HRESULT ReleaseDC(IDeviceContext* dc) override;
  HRESULT Lock(const Rect* rect, DDSURFACEDESC2* desc, uint32_t flags, void* event) override;
  HRESULT Unlock(const Rect* rect) override;
  HRESULT SetColorKey(uint32_t flags, DDCOLORKEY* key) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
  HRESULT QueryGammaControl(IDirectDrawGammaControl** control) override;
  // The fake's flip swaps nothing it draws, but it keeps no pixels either:
  // callers fall back to drawing whole frames.
  HRESULT SetClipRect(const Rect*) override { return DDERR_UNSUPPORTED; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  uint32_t Bits() const { return bits_; }
  uint32_t Caps() const { return caps_; }
  PixelTarget Pixels() { return {memory_.data(), pitch_, width_, height_, bits_}; }
  uint32_t NativeAt(int x, int y) const;
  void SetNativeAt(int x, int y, uint32_t value);
  TColor ColourAt(int x, int y) const;
  std::optional<uint32_t> ColourKey() const { return key_; }
  FakeDeviceContext& Dc() { return dc_; }
  bool DcOut() const { return dcOut_; }
  FakeSurface* attached = nullptr;  // the back buffer of a primary

 private:
  HRESULT Result(const char* method);
  int width_, height_;
  uint32_t bits_, caps_;
  int pitch_;
  std::vector<uint8_t> memory_;
  std::optional<uint32_t> key_;
  FakeDeviceContext dc_;
  bool dcOut_ = false;
  int locks_ = 0;
};

class FakeDirectDraw7 : public IDirectDraw7, public FakeObject {
 public:
  using FakeObject::FakeObject;
  uint32_t AddRef() override { return DoAddRef(); }
  uint32_t Release() override { return DoRelease(); }
  HRESULT QueryDirectDraw7(IDirectDraw7** dd7) override;
  HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) override;
  HRESULT EnumDisplayModes(uint32_t flags, DDSURFACEDESC2* match, void* context,
                           EnumModesCallback callback) override;
  HRESULT SetCooperativeLevel(IWindow* window, uint32_t flags) override;
  HRESULT SetDisplayMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refreshRate,
                         uint32_t flags) override;
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** surface, void* outer) override;
  HRESULT RestoreAllSurfaces() override;

  IWindow* cooperativeWindow = nullptr;
  DisplayMode mode;  // set by SetDisplayMode; the desktop's until then
};

// The object DirectDrawCreate hands out: only the IDirectDraw part is used
// on it; QueryDirectDraw7 gives a separate counted "dd7" object.
class FakeDirectDraw : public FakeDirectDraw7 {
 public:
  using FakeDirectDraw7::FakeDirectDraw7;
};

class FakeDisplayDriver : public IDisplayDriver {
 public:
  FakeDisplayDriver();
  ~FakeDisplayDriver() override;

  HRESULT DirectDrawCreate(const DeviceGuid* device, IDirectDraw** dd, void* outer) override;
  DisplayMode DesktopMode() override;
  std::vector<MonitorArea> Monitors() override { return monitorAreas; }
  bool MonitorsChanged() override { return std::exchange(monitorsChanged, false); }

  // Scriptable facts.
  FakeCallLog log;
  FakeResults results;
  std::vector<DisplayMode> modes{{640, 480, 16}, {800, 600, 16}, {640, 480, 32}, {800, 600, 32}};
  DDCAPS caps{380, 0, DDCAPS2_PRIMARYGAMMA};
  DisplayMode desktop{1024, 768, 32};
  // What Monitors() lists (already distinct); a test sets monitorsChanged
  // to have the next MonitorsChanged() say so.
  std::vector<MonitorArea> monitorAreas;
  bool monitorsChanged = false;

  // What the calls made. Surfaces are found by name ("primary", "back",
  // "surface1", "surface2", ... in order of creation; the latest of a name).
  FakeSurface* Surface(const std::string& name) const;
  FakeSurface* Primary() const { return Surface("primary"); }
  FakeSurface* Back() const { return Surface("back"); }
  FakeDirectDraw* LastDirectDraw() const { return lastDD_; }
  FakeDirectDraw7* LastDirectDraw7() const { return lastDD7_; }
  FakeGammaControl* LastGammaControl() const { return lastGamma_; }
  // Objects still holding a count (a leak once the owner closed).
  int LiveObjects() const;
  // Calls made on released objects and releases below zero.
  int Misuses() const { return misuses_; }

 private:
  friend class FakeObject;
  friend class FakeSurface;
  friend class FakeDirectDraw7;
  template <class T, class... Args>
  T* Make(Args&&... args);
  FakeSurface* MakeSurface(const std::string& name, int width, int height, uint32_t bits, uint32_t caps);

  std::vector<std::unique_ptr<FakeObject>> objects_;
  FakeDirectDraw* lastDD_ = nullptr;
  FakeDirectDraw7* lastDD7_ = nullptr;
  FakeGammaControl* lastGamma_ = nullptr;
  int offscreenCount_ = 0;
  int misuses_ = 0;
};

// "null" or "{l,t,r,b}", as the log writes rectangles.
std::string FormatRect(const Rect* rect);

}  // namespace velmo
