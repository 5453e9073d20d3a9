#include "app/qt_platform.h"

#include <QApplication>
#include <QMessageBox>

namespace talvix::app {

void MessageBoxNotifier::Message(const QString& text, const QString& title) {
  const QMessageBox::Icon icon =
      title == QLatin1String("Error") ? QMessageBox::Critical : QMessageBox::Information;
  QMessageBox box(icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtEventPump::ProcessEvents() {
  QCoreApplication::processEvents();
}

}  // namespace talvix::app
