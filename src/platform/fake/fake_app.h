#pragma once
// Test-only application loop: windows that tests drive by hand, message boxes
// recorded instead of shown, posted work queued until the test runs it.
#include <cstdint>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace velmo {

class FakeWindow : public IWindow {
 public:
  void SetEvents(WindowEvents events) override { events_ = std::move(events); }
  void SetCaption(const std::string& caption) override { this->caption = caption; }
  void Show() override { shown = true; }
  void Close() override {
    closed = true;
    ++closeCalls;
  }
  bool IsClosed() const override { return closed; }
  void* NativeHandle() const override { return nullptr; }
  bool GetClientSize(int& w, int& h) const override {
    w = width;
    h = height;
    return width > 0 && height > 0;
  }
  bool GetDesktopArea(Rect& a) const override {
    if (!desktopArea) return false;
    a = *desktopArea;
    return true;
  }
  bool GetCoverArea(Rect& a) const override {
    if (!covers) return false;
    a = area;
    return true;
  }
  // As a window manager would: the window takes the area's size.
  void SetCoverArea(const Rect& a) override {
    covers = true;
    area = a;
    width = a.right - a.left;
    height = a.bottom - a.top;
  }

  // Input as the real loop would deliver it.
  void KeyDown(int key, uint32_t shift = 0) { if (events_.onKeyDown) events_.onKeyDown(key, shift); }
  void KeyPress(char c) { if (events_.onKeyPress) events_.onKeyPress(c); }
  void MouseMove(int x, int y) { if (events_.onMouseMove) events_.onMouseMove(0, x, y); }
  void MouseDown() { if (events_.onMouseDown) events_.onMouseDown(); }
  // Another window took the focus, or the window was hidden or minimised.
  void Deactivate() { if (events_.onDeactivate) events_.onDeactivate(); }
  // Another program gave the window a new size.
  void Resize(int w, int h) {
    width = w;
    height = h;
    if (events_.onResize) events_.onResize();
  }
  // The window system (or a termination signal) asks the window to close.
  void RequestClose() {
    if (events_.onClose) events_.onClose();
    else Close();
  }

  std::string caption;
  bool shown = false;
  bool closed = false;
  int closeCalls = 0;
  int width = 0, height = 0;  // 0: the size is unknown
  uint64_t hostedId = 0;
  bool hosted = false;
  bool resizable = false;
  bool covers = false;
  std::optional<Rect> desktopArea;  // where it lies on the desktop, when known
  Rect area{};

 private:
  WindowEvents events_;
};

class FakeApplication : public IApplication {
 public:
  struct Box {
    std::string text;
    std::string caption;
    uint32_t flags;
    bool owned;
  };

  std::unique_ptr<IWindow> CreateWindow(const std::string& caption) override;
  // A window of hostedWidth x hostedHeight, or null when refuseHosted.
  std::unique_ptr<IWindow> CreateHostedWindow(uint64_t nativeWindow) override;
  // A window of the size asked for, resizable = true.
  std::unique_ptr<IWindow> CreateResizableWindow(const std::string& caption, int width, int height) override;
  void SetIdleHandler(IdleHandler handler) override { idle = std::move(handler); }
  // Runs the idle handler until the window closes or maxIdleCalls is reached,
  // running posted work between calls as the real loop does.
  void Run(IWindow& mainWindow) override;
  void ProcessMessages() override { RunPosted(); }
  void Post(std::function<void()> work) override { posted.push_back(std::move(work)); }
  void Wake() override { wakes.fetch_add(1, std::memory_order_relaxed); }
  void WakeWithin(int milliseconds) override { wakeWithin = milliseconds; }
  int ShowCursor(bool show) override {
    cursorCount += show ? 1 : -1;
    cursorCalls.push_back(show);
    return cursorCount;
  }
  int MessageBox(IWindow* owner, const std::string& text, const std::string& caption, uint32_t flags) override {
    boxes.push_back({text, caption, flags, owner != nullptr});
    if (onMessageBox) onMessageBox();
    return IDOK;
  }
  void ShowException(const std::string& text) override { exceptions.push_back(text); }
  void SetTitle(const std::string& t) override { title = t; }
  std::string Title() const override { return title; }

  void RunPosted();

  IdleHandler idle;
  std::vector<std::function<void()>> posted;
  std::vector<Box> boxes;
  std::function<void()> onMessageBox;
  std::vector<std::string> exceptions;
  std::vector<bool> cursorCalls;
  int cursorCount = 0;
  int idleCalls = 0;
  std::atomic<int> wakes{0};  // Wake calls, from any thread
  int wakeWithin = -1;         // the last WakeWithin asked for
  int maxIdleCalls = 100;
  std::string title = "velmo";
  FakeWindow* lastWindow = nullptr;
  int hostedWidth = 640, hostedHeight = 400;
  // Where hosted windows lie on the desktop; unknown when unset.
  std::optional<Rect> hostedDesktopArea;
  bool refuseHosted = false;
};

}  // namespace velmo
