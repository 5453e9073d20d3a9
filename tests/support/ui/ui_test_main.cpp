// SPDX-License-Identifier: MIT
// Widget tests need a QApplication for the whole run; windows are made on the offscreen platform.
// Settings the windows keep in the user's configuration folder go to Qt's test folder instead,
// so that no test reads or changes the user's own.
#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
