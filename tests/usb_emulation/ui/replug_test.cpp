// SPDX-License-Identifier: MIT
// A card pulled out while the program runs and plugged back in is found again without a restart:
// by Interface > Usb, and by the card selection window's Search; the main window then reads
// through it again.
#include "app/frmForm1.h"
#include "emulated_card_session.h"
#include "startup/ui/frmUSBselect.h"
#include "support/ui/startup_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace talvix::usb_emulator {
namespace {

class ReplugTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(rig_.Start(error)) << error.toStdString();
    window_ = std::make_unique<app::frmForm1>(*rig_.session, dir_.filePath("CommPort.cfg"));
    rig_.session->link.InterfaceType = link::kInterfaceUsb;
    rig_.session->startup.configured_interface = link::kInterfaceUsb;
    window_->Form_Load();
    ASSERT_TRUE(rig_.session->usb.CardReady()) << rig_.notifier.texts.join(u'|').toStdString();
    // Single passes: Read reads once.
    QCheckBox* loop = window_->findChild<QCheckBox*>(QStringLiteral("ckLoop"));
    if (loop->isChecked()) loop->click();
  }
  void TearDown() override { window_.reset(); }

  // One reading pass of the main window; the supply box afterwards.
  QString ReadOnce() {
    window_->findChild<QPushButton*>(QStringLiteral("cmdReadData"))->click();
    return window_->findChild<QLineEdit*>(QStringLiteral("txtReadReg1"))->text();
  }

  QTemporaryDir dir_;
  EmulatedCardSession rig_;
  std::unique_ptr<app::frmForm1> window_;
};

// The parameter: whether the user presses Search in the card selection window after plugging the
// card back in (else the window's own search when it opens finds it).
TEST_P(ReplugTest, ACardPluggedBackIsFoundAgainAndReadsAgain) {
  ASSERT_FALSE(ReadOnce().isEmpty());
  rig_.emulator->Unplug(0);
  ReadOnce();
  EXPECT_FALSE(rig_.session->usb.CardReady());
  ASSERT_EQ(rig_.notifier.texts.size(), 1) << rig_.notifier.texts.join(u'|').toStdString();

  const bool search_by_hand = GetParam();
  if (!search_by_hand) rig_.emulator->Replug(0);
  test::WhenDialogShows<startup::frmUSBselect>([this, search_by_hand](startup::frmUSBselect* w) {
    if (search_by_hand) {
      rig_.emulator->Replug(0);
      w->findChild<QPushButton*>(QStringLiteral("cmdFindEzUsb"))->click();
    }
    EXPECT_TRUE(w->findChild<QRadioButton*>(QStringLiteral("optUsbPort0"))->isChecked());
    w->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
  });
  window_->findChild<QAction*>(QStringLiteral("mnuUsb"))->trigger();

  EXPECT_TRUE(rig_.session->usb.CardReady());
  EXPECT_EQ(rig_.session->link.InterfaceType, link::kInterfaceUsb);
  rig_.notifier.texts.clear();
  rig_.sensor.trace().Clear();
  EXPECT_FALSE(ReadOnce().isEmpty());
  EXPECT_FALSE(rig_.sensor.trace().frames().empty());
  EXPECT_TRUE(rig_.notifier.texts.isEmpty()) << rig_.notifier.texts.join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rescans, ReplugTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("SearchPressed")
                                             : std::string("WindowOpened");
                         });

}  // namespace
}  // namespace talvix::usb_emulator
