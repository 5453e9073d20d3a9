// SPDX-License-Identifier: MIT
// The desktop program driven as a user drives it, for tests that end it by a signal or a crash
// part-way through a datalog: `talvix_datalog_driver --simulate` runs the program itself and,
// once its main window is shown, opens the datalog window and starts a run there: the supply
// voltage only, one file of the most samples a file takes, the pause after each sample from
// TALVIX_DRIVER_DELAY_MS (default 1 ms), written to the working folder as DATALOG_1.
#include "app/frmForm1.h"
#include "app/qt_program.h"
#include "session/session.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

namespace {

// The datalog window, once it is open (it opens modally, so this runs inside its loop).
void StartRunWhenOpen() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* start = top->findChild<QAbstractButton*>(QStringLiteral("cmdStartDatalog"));
    if (start == nullptr || !top->isVisible()) continue;
    top->findChild<QCheckBox*>(QStringLiteral("CheckReg0"))->setChecked(true);
    top->findChild<QLineEdit*>(QStringLiteral("txtFilesPerSession"))->setText(QStringLiteral("1"));
    top->findChild<QLineEdit*>(QStringLiteral("txtSamplesPerFile"))
        ->setText(QStringLiteral("65526"));
    const QByteArray delay = qgetenv("TALVIX_DRIVER_DELAY_MS");
    top->findChild<QLineEdit*>(QStringLiteral("txtSampleDelay"))
        ->setText(delay.isEmpty() ? QStringLiteral("1") : QString::fromLatin1(delay));
    start->click();
    return;
  }
  QTimer::singleShot(10, StartRunWhenOpen);
}

}  // namespace

int main(int argc, char** argv) {
  return talvix::app::RunProgram(
      argc, argv, [](talvix::Session& session, talvix::app::frmForm1& window) {
        session.data_folder = QDir::currentPath();
        QTimer::singleShot(0, StartRunWhenOpen);
        window.findChild<QAction*>(QStringLiteral("mnuDatalog"))->trigger();
      });
}
