#include "setup/setup_mode.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

#include "setup/form2.h"

namespace velmo {

namespace {

void ShowMessageBox(QWidget* owner, const QString& text, const QString& caption, QMessageBox::Icon icon) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace

int RunSettingsMode(int& argc, char** argv, IDisplayDriver& display, IRegistry& registry) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kSettingsAppTitle));
  QApplication::setQuitOnLastWindowClosed(true);
  try {
    TForm2 form(display, registry, ShowMessageBox);
    form.show();
    QApplication::exec();
  } catch (const std::exception& e) {
    // The framework's standard exception box; the run then ends normally.
    ShowMessageBox(nullptr, QString::fromStdString(e.what()), QApplication::applicationName(), QMessageBox::Critical);
  }
  return 0;
}

}  // namespace velmo
