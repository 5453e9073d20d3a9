// SPDX-License-Identifier: MIT
#include "app/qt_platform.h"

#include <QApplication>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QSpacerItem>

namespace talvix::app {

namespace {

// Room in a title bar besides the title: the window's icon and its buttons, in pixels at 96 dpi.
constexpr int kTitleBarExtraPixels = 140;

// The window a message stands over: the active one, else the main window once it is shown (a
// message of the load step comes before any window is active).
QWidget* MessageParent() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMainWindow*>(window) != nullptr && window->isVisible()) return window;
  }
  return nullptr;
}

}  // namespace

void MessageBoxNotifier::Message(const QString& text, const QString& title) {
  const QMessageBox::Icon icon =
      title == QLatin1String("Error") ? QMessageBox::Critical : QMessageBox::Information;
  QMessageBox box(icon, title, text, QMessageBox::Ok, MessageParent());
  WidenForTitle(box);
  box.exec();
}

void WidenForTitle(QMessageBox& box) {
  // The box's grid takes a spacer as wide as the title needs.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  const int title_width = box.fontMetrics().horizontalAdvance(box.windowTitle()) +
                          kTitleBarExtraPixels * box.logicalDpiX() / 96;
  grid->addItem(new QSpacerItem(title_width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

void QtEventPump::ProcessEvents() {
  QCoreApplication::processEvents();
}

}  // namespace talvix::app
