// The USB SPI card setup window on the real USB path (libusb, usbfs and an emulated card): it finds
// the card, sends the user's words and shows the sensor's answers, and its transfer loop ends with
// one message when the card is pulled out.
#include "link/delay.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/libusb_driver.h"
#include "platform/notifier.h"
#include "platform/usb_ids.h"
#include "session/session.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/fault_plan.h"
#include "usb_emulator/usb_card_emulator.h"
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
    EmulatedDevice card;
    card.setup.product_id = platform::kPellowProductId;
    QString error;
    emulator_ = UsbCardEmulator::Start(cards_, {card}, error);
    ASSERT_NE(emulator_, nullptr) << error.toStdString();
    libusb_ = std::make_unique<platform::LibUsbDriver>();
    session_ = std::make_unique<Session>(Platform{clock_, notifier_, events_, *libusb_, nullptr,
                                                  std::make_unique<link::RecordingDelay>(clock_)});
    window_ = std::make_unique<usbdebug::frmUSBdebug>(*session_);
  }
  void TearDown() override { window_.reset(); }

  template <typename T>
  T* Get(const char* name) {
    return window_->findChild<T*>(QString::fromLatin1(name));
  }
  QString Text(const char* name) { return Get<QLineEdit>(name)->text(); }

  platform::ManualClock clock_;
  sim::SimSensor sensor_{clock_, 5};
  sim::SimUsbDriver cards_{[this](uint16_t sent) { return sensor_.Transfer(sent); }};
  platform::RecordingNotifier notifier_;
  platform::CallbackEventPump events_;
  std::unique_ptr<UsbCardEmulator> emulator_;
  std::unique_ptr<platform::LibUsbDriver> libusb_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<usbdebug::frmUSBdebug> window_;
};

TEST_F(UsbDebugWindowTest, SendsTheWordsAndShowsTheSensorsAnswers) {
  window_->show();
  ASSERT_TRUE(Get<QRadioButton>("optUsbPort0")->isChecked())
      << notifier_.texts.join(u'|').toStdString();
  EXPECT_EQ(Text("txtUsbPort0"), "Pellow - 0");
  EXPECT_EQ(Text("txtLoopDelay"), "25");

  Get<QLineEdit>("txtNumWords")->setText(QStringLiteral("2"));
  Get<QLineEdit>("txtWriteSpi1")->setText(QStringLiteral("9112"));
  Get<QLineEdit>("txtWriteSpi2")->setText(QStringLiteral("9034"));
  sensor_.trace().Clear();
  Get<QPushButton>("cmdWriteSpi")->click();

  const std::vector<sim::TracedFrame>& frames = sensor_.trace().frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].sent, 0x9112);
  EXPECT_EQ(frames[1].sent, 0x9034);
  EXPECT_EQ(Text("txtReadSpi1"), QString::number(frames[0].answered, 16).toUpper());
  EXPECT_EQ(Text("txtReadSpi2"), QString::number(frames[1].answered, 16).toUpper());
  EXPECT_TRUE(notifier_.texts.isEmpty()) << notifier_.texts.join(u'|').toStdString();
}

TEST_F(UsbDebugWindowTest, LoopEndsWithOneMessageWhenTheCardIsPulledOut) {
  window_->show();
  ASSERT_TRUE(session_->usb.CardReady());
  int yields = 0;
  events_.on_events = [&] {
    // The cable comes out after a few passes; a loop that did not notice is stopped by hand.
    if (++yields == 3) emulator_->PlanFault(FaultPlan{FaultKind::kUnplug, 0});
    if (yields == 50) Get<QPushButton>("cmdLoop")->click();
  };
  Get<QPushButton>("cmdLoop")->click();
  EXPECT_EQ(yields, 3);
  EXPECT_FALSE(window_->LoopRunning());
  EXPECT_EQ(notifier_.texts.size(), 1) << notifier_.texts.join(u'|').toStdString();
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort4")->isChecked());
  EXPECT_EQ(Get<QPushButton>("cmdLoop")->text(), "Loop");
}

}  // namespace
}  // namespace talvix::usb_emulator
