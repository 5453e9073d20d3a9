// SPDX-License-Identifier: MIT
// The USB SPI card setup window on the real USB path (libusb, usbfs and an emulated card): it finds
// the card, sends the user's words and shows the sensor's answers, and its transfer loop ends with
// one message when the card is pulled out.
#include "common/ui/mnemonic_text.h"
#include "emulated_card_session.h"
#include "usb_emulator/fault_plan.h"
#include "usbdebug/ui/frmUSBdebug.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <memory>

namespace talvix::usb_emulator {
namespace {

class UsbDebugWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(rig_.Start(error)) << error.toStdString();
    window_ = std::make_unique<usbdebug::frmUSBdebug>(*rig_.session);
  }
  void TearDown() override { window_.reset(); }

  template <typename T>
  T* Get(const char* name) {
    return window_->findChild<T*>(QString::fromLatin1(name));
  }
  QString Text(const char* name) { return Get<QLineEdit>(name)->text(); }

  EmulatedCardSession rig_;
  std::unique_ptr<usbdebug::frmUSBdebug> window_;
};

TEST_F(UsbDebugWindowTest, SendsTheWordsAndShowsTheSensorsAnswers) {
  window_->show();
  ASSERT_TRUE(Get<QRadioButton>("optUsbPort0")->isChecked())
      << rig_.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(Text("txtUsbPort0"), "Pellow - 0");
  EXPECT_EQ(Text("txtLoopDelay"), "25");

  Get<QLineEdit>("txtNumWords")->setText(QStringLiteral("2"));
  Get<QLineEdit>("txtWriteSpi1")->setText(QStringLiteral("9112"));
  Get<QLineEdit>("txtWriteSpi2")->setText(QStringLiteral("9034"));
  rig_.sensor.trace().Clear();
  Get<QPushButton>("cmdWriteSpi")->click();

  const std::vector<sim::TracedFrame>& frames = rig_.sensor.trace().frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].sent, 0x9112);
  EXPECT_EQ(frames[1].sent, 0x9034);
  EXPECT_EQ(Text("txtReadSpi1"), QString::number(frames[0].answered, 16).toUpper());
  EXPECT_EQ(Text("txtReadSpi2"), QString::number(frames[1].answered, 16).toUpper());
  EXPECT_TRUE(rig_.notifier.texts.isEmpty()) << rig_.notifier.texts.join(u'|').toStdString();
}

TEST_F(UsbDebugWindowTest, LoopEndsWithOneMessageWhenTheCardIsPulledOut) {
  window_->show();
  ASSERT_TRUE(rig_.session->usb.CardReady());
  int yields = 0;
  rig_.events.on_events = [&] {
    // The cable comes out after a few passes; a loop that did not notice is stopped by hand.
    if (++yields == 3) rig_.emulator->PlanFault(FaultPlan{FaultKind::kUnplug, 0});
    if (yields == 50) Get<QPushButton>("cmdLoop")->click();
  };
  Get<QPushButton>("cmdLoop")->click();
  EXPECT_EQ(yields, 3);
  EXPECT_FALSE(window_->LoopRunning());
  EXPECT_EQ(rig_.notifier.texts.size(), 1) << rig_.notifier.texts.join(u'|').toStdString();
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort4")->isChecked());
  EXPECT_EQ(common::WithoutMnemonic(Get<QPushButton>("cmdLoop")->text()), "Loop");
}

}  // namespace
}  // namespace talvix::usb_emulator
