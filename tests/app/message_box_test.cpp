// SPDX-License-Identifier: MIT
// Message boxes are wide enough for their title.
#include "app/qt_platform.h"

#include <QMessageBox>

#include <gtest/gtest.h>

namespace talvix::app {
namespace {

TEST(MessageBoxTest, AShortTextUnderALongTitleShowsTheWholeTitle) {
  const QString title = QStringLiteral("Talvix Evaluation Software - a rather long title");
  QMessageBox box(QMessageBox::Information, title, QStringLiteral("Done."));
  const int before = box.sizeHint().width();
  WidenForTitle(box);
  EXPECT_GT(box.sizeHint().width(), before);
  EXPECT_GE(box.sizeHint().width(), box.fontMetrics().horizontalAdvance(title));
}

}  // namespace
}  // namespace talvix::app
