// SPDX-License-Identifier: MIT
// The program's file dialogs open in detail view, wide enough for their columns.
#include "common/ui/file_dialogs.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>

namespace talvix::common {
namespace {

TEST(FileDialogsTest, OpensInDetailViewWideEnoughForItsColumns) {
  QFileDialog dialog;
  MakeWide(dialog);
  EXPECT_EQ(dialog.viewMode(), QFileDialog::Detail);
  const int screen_width = dialog.screen()->availableGeometry().width() * 9 / 10;
  EXPECT_GE(dialog.width(), std::min(100 * dialog.fontMetrics().averageCharWidth(), screen_width));
  // Never past the screen, never below what the dialog needs.
  EXPECT_EQ(WideFileDialogSize({300, 200}, {700, 500}, 8, 16), QSize(700, 480));
  EXPECT_EQ(WideFileDialogSize({1000, 600}, {1900, 1000}, 8, 16), QSize(1000, 600));
}

}  // namespace
}  // namespace talvix::common
