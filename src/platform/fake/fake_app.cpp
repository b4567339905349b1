#include "platform/fake/fake_app.h"

namespace velmo {

std::unique_ptr<IWindow> FakeApplication::CreateWindow(const std::string& caption) {
  auto window = std::make_unique<FakeWindow>();
  window->caption = caption;
  lastWindow = window.get();
  return window;
}

std::unique_ptr<IWindow> FakeApplication::CreateHostedWindow(uint64_t nativeWindow) {
  if (refuseHosted) return nullptr;
  auto window = std::make_unique<FakeWindow>();
  window->hosted = true;
  window->hostedId = nativeWindow;
  window->width = hostedWidth;
  window->height = hostedHeight;
  window->desktopArea = hostedDesktopArea;
  lastWindow = window.get();
  return window;
}

std::unique_ptr<IWindow> FakeApplication::CreateResizableWindow(const std::string& caption, int width, int height) {
  auto window = std::make_unique<FakeWindow>();
  window->caption = caption;
  window->resizable = true;
  window->width = width;
  window->height = height;
  lastWindow = window.get();
  return window;
}

void FakeApplication::Run(IWindow& mainWindow) {
  while (!mainWindow.IsClosed() && idleCalls < maxIdleCalls) {
    RunPosted();
    if (mainWindow.IsClosed() || !idle) break;
    bool done = true;
    ++idleCalls;
    idle(done);
  }
  RunPosted();
}

void FakeApplication::RunPosted() {
  while (!posted.empty()) {
    auto work = std::move(posted.front());
    posted.erase(posted.begin());
    work();
  }
}

}  // namespace velmo
