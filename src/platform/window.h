#pragma once
// The application loop, its windows and the user's input: the subset of the
// window manager and component framework the saver uses. Everything here is
// for the main thread (the one that made the application) except Post.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/gdi.h"

namespace velmo {

// Virtual-key codes the scene reacts to.
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_F1 = 0x70;

// Message box buttons and answers.
constexpr uint32_t MB_OK = 0x0;
constexpr uint32_t MB_ICONERROR = 0x10;
constexpr int IDOK = 1;

// What a window reports to whoever listens: key down (virtual key), a typed
// character, a mouse move (desktop coordinates, so that a window moved under
// a still pointer reads as no movement), that it was asked to close, that it
// lost its activation (hidden, minimised, or the focus taken by another
// window for longer than a frame) after it had been shown, that its drawing
// area changed size (GetClientSize tells the new one), and a mouse button
// pressed or the wheel turned over it.
struct WindowEvents {
  std::function<void(int key, uint32_t shift)> onKeyDown;
  std::function<void(char character)> onKeyPress;
  std::function<void(uint32_t shift, int x, int y)> onMouseMove;
  std::function<void()> onClose;
  std::function<void()> onDeactivate;
  std::function<void()> onResize;
  std::function<void()> onMouseDown;
};

class IWindow {
 public:
  virtual ~IWindow() = default;
  virtual void SetEvents(WindowEvents events) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void Show() = 0;
  // Closes the window; the loop ends when the main window is closed.
  virtual void Close() = 0;
  virtual bool IsClosed() const = 0;
  // Backend-specific handle (the SDL window for the real backend).
  virtual void* NativeHandle() const = 0;
  // The size of the window's drawing area in pixels; false when unknown.
  virtual bool GetClientSize(int& width, int& height) const {
    width = height = 0;
    return false;
  }
  // The part of the desktop the window was made to cover (a monitor's
  // area); false for a window made for none. Cheap, main thread.
  virtual bool GetCoverArea(Rect& area) const {
    (void)area;
    return false;
  }
  // Where the window lies on the desktop; false when unknown. Asks the
  // window system (a round trip); main thread.
  virtual bool GetDesktopArea(Rect& area) const {
    (void)area;
    return false;
  }
  // The monitor changed: from now on the window stands for this area. The
  // display device covers it when it next opens on the window.
  virtual void SetCoverArea(const Rect& area) { (void)area; }
  // True when keys typed now reach the program's windows: one of them holds
  // the keyboard focus, or the window system already sends them keys (the
  // focus follows the pointer). A round trip or two to the window system
  // until the toolkit has the focus; main thread.
  virtual bool HoldsKeyboard() const { return true; }
};

// Idle handler: called on the main thread whenever the event queue is empty;
// sets done = false to be called again at once (after the events that came
// meanwhile), true to wait for the next event or wake (IApplication::Wake,
// WakeWithin). The saver draws its frames here, only when something on the
// screen changed; what paces them is the display's flip, not the loop.
using IdleHandler = std::function<void(bool& done)>;

class IApplication {
 public:
  virtual ~IApplication() = default;
  // A borderless window, not shown yet; the caller owns it. Null when the
  // window system refuses one.
  virtual std::unique_ptr<IWindow> CreateWindow(const std::string& caption) = 0;
  // A borderless window made to cover one monitor's area of the desktop
  // (IDisplayDriver::Monitors), not shown yet; the display device covers
  // that area with it without changing any mode. Null when it cannot be made.
  virtual std::unique_ptr<IWindow> CreateWindowOver(const std::string& caption, const Rect& area) {
    std::unique_ptr<IWindow> window = CreateWindow(caption);
    if (window) window->SetCoverArea(area);
    return window;
  }
  // A window that a screen-saver daemon made and shows (an X window id; 0 for
  // the screen's root window), to draw into at its own size. It stays the
  // daemon's: showing and closing it leave it as it is, and while it is used
  // message boxes go to the terminal only (the daemon covers the screen and
  // holds the keyboard, so nobody could answer them). Null when unusable.
  virtual std::unique_ptr<IWindow> CreateHostedWindow(uint64_t nativeWindow) {
    (void)nativeWindow;
    return nullptr;
  }
  // A normal window of width x height with the window manager's frame, not
  // shown yet, that the user may resize (reported as onResize) and close
  // (onClose); the display shows into it at its size and keeps its mode.
  // Null when no window can be made.
  virtual std::unique_ptr<IWindow> CreateResizableWindow(const std::string& caption, int width, int height) {
    (void)caption, (void)width, (void)height;
    return nullptr;
  }
  virtual void SetIdleHandler(IdleHandler handler) = 0;
  // Runs the loop until the main window closes: blocks the calling (main)
  // thread, dispatching events and calling the idle handler. It owns frame
  // timing: after a turn whose idle handler presented frames it sleeps until
  // the next refresh, once for all windows. With nothing to do it sleeps in
  // the window system's wait (waking at least every 100 ms to notice a
  // daemon's window gone); it never spins.
  virtual void Run(IWindow& mainWindow) = 0;
  // The window system ended the last Run through a fault of the program's
  // own (a request it refused as a protocol error, said on standard
  // error): the run failed. Cheap; main thread.
  virtual bool RunFailed() const { return false; }
  // Dispatches pending events without waiting (for polling loops).
  virtual void ProcessMessages() = 0;
  // Any thread: the work runs on the main thread at the loop's next turn.
  // Allocates one small block; never blocks.
  virtual void Post(std::function<void()> work) = 0;
  // Any thread (the frame timer's tick): the loop calls the idle handler at
  // its next turn. Wakes that come before that turn count as one. Allocates
  // nothing, never blocks.
  virtual void Wake() {}
  // Main thread: the loop calls the idle handler again within milliseconds
  // even if nothing else wakes it (the clock's next second). The earliest of
  // several asked for holds; allocates nothing.
  virtual void WakeWithin(int milliseconds) { (void)milliseconds; }
  // The cursor's show count, as the platform keeps it; returns the new count.
  virtual int ShowCursor(bool show) = 0;
  // Modal: blocks the main thread until the user answers (or, for a hosted
  // window, returns at once after writing the text to standard error). The
  // text goes to standard error in every case. A termination signal ends the
  // program while a box waits.
  virtual int MessageBox(IWindow* owner, const std::string& text, const std::string& caption,
                         uint32_t flags) = 0;
  // The framework's standard exception box: the text, the title as caption,
  // an error icon and OK. Blocks as MessageBox does.
  virtual void ShowException(const std::string& text) = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;
};

}  // namespace velmo
