#include "setup/setup_mode.h"

#include <QApplication>
#include <QMessageBox>
#include <X11/Xlib.h>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/shown_signal.h"
#include "platform/termination.h"
#include "platform/wayland/wayland_probe.h"
#include "setup/form2.h"

namespace velmo {

namespace {

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
  box.exec();
}

// Signals that the dialog is on the screen once its first paint has been
// handed to the window system (the queued call runs after the flush).
class FirstPaintWatch : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      QCoreApplication::instance()->removeEventFilter(this);
      QMetaObject::invokeMethod(this, [] { SignalShown(); }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
  }
};

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// True when the X display named by DISPLAY answers.
bool XDisplayOpens() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace

int RunSettingsMode(int& argc, char** argv, IDisplayDriver& display, IRegistry& registry) {
  // Qt aborts the process when it finds no display, and may try a named one
  // that does not answer before one that does: a console session gets a
  // message and a normal end instead, and Qt is sent to the display that answers.
  if (!Set("QT_QPA_PLATFORM")) {
    const bool wayland = Set("WAYLAND_DISPLAY");
    const bool waylandAnswers = wayland && ProbeWaylandCompositor() != WaylandCompositor::kNoAnswer;
    const bool x = Set("DISPLAY");
    const bool xAnswers = x && XDisplayOpens();
    if (!waylandAnswers && !xAnswers) {
      const std::string why =
          (wayland ? "no Wayland compositor answers on " + WaylandDisplayName() + ", " : std::string()) +
          (x ? std::string("cannot open display ") + std::getenv("DISPLAY") : "DISPLAY is not set");
      std::fprintf(stderr, "velmo: the settings need a display (%s)\n", why.c_str());
      return kSettingsFailed;
    }
    if (waylandAnswers != xAnswers) qputenv("QT_QPA_PLATFORM", waylandAnswers ? "wayland" : "xcb");
  }
  QApplication app(argc, argv);
  // The name is the window's class on X11 (the menu entry's StartupWMClass)
  // and the entry's file name its application id on Wayland, so a dock
  // shows the dialog under the entry that started it.
  QApplication::setApplicationName(QString::fromLatin1(kSettingsAppTitle));
  QGuiApplication::setDesktopFileName(QStringLiteral("velmo-settings"));
  QApplication::setQuitOnLastWindowClosed(true);
  // A termination signal closes the dialog as Cancel does: nothing is stored.
  // Leaving every loop, a box's own among them, is Qt's to do on its thread.
  TerminationHandler previous = SetTerminationHandler(
      [&app] { QMetaObject::invokeMethod(&app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection); });
  struct Restore {
    TerminationHandler& previous;
    ~Restore() { SetTerminationHandler(std::move(previous)); }
  } restore{previous};
  try {
    TForm2 form(display, registry, ShowMessageBox);
    FirstPaintWatch firstPaint;
    QCoreApplication::instance()->installEventFilter(&firstPaint);
    form.show();
    QApplication::exec();
  } catch (const std::exception& e) {
    // The framework's standard exception box; the dialog could not be shown.
    ShowMessageBox(nullptr, QString::fromStdString(e.what()), QApplication::applicationName(), QMessageBox::Critical);
    return kSettingsFailed;
  }
  return 0;
}

}  // namespace velmo
