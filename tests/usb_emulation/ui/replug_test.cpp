// A card pulled out while the program runs and plugged back in is found again without a restart:
// by Interface > Usb, and by the card selection window's Search; the main window then reads
// through it again.
#include "app/frmForm1.h"
#include "link/delay.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/libusb_driver.h"
#include "platform/notifier.h"
#include "platform/usb_ids.h"
#include "session/session.h"
#include "sim/sim_sensor.h"
#include "sim/sim_usb_driver.h"
#include "startup/ui/frmUSBselect.h"
#include "support/ui/startup_fixture.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/usb_card_emulator.h"

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
    EmulatedDevice card;
    card.setup.product_id = platform::kPellowProductId;
    QString error;
    emulator_ = UsbCardEmulator::Start(cards_, {card}, error);
    ASSERT_NE(emulator_, nullptr) << error.toStdString();
    libusb_ = std::make_unique<platform::LibUsbDriver>();
    session_ = std::make_unique<Session>(Platform{clock_, notifier_, events_, *libusb_, nullptr,
                                                  std::make_unique<link::RecordingDelay>(clock_)});
    window_ = std::make_unique<app::frmForm1>(*session_, dir_.filePath("CommPort.cfg"));
    session_->link.InterfaceType = link::kInterfaceUsb;
    session_->startup.configured_interface = link::kInterfaceUsb;
    window_->Form_Load();
    ASSERT_TRUE(session_->usb.CardReady()) << notifier_.texts.join(u'|').toStdString();
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
  platform::ManualClock clock_;
  sim::SimSensor sensor_{clock_, 5};
  sim::SimUsbDriver cards_{[this](uint16_t sent) { return sensor_.Transfer(sent); }};
  platform::RecordingNotifier notifier_;
  platform::CallbackEventPump events_;
  std::unique_ptr<UsbCardEmulator> emulator_;
  std::unique_ptr<platform::LibUsbDriver> libusb_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<app::frmForm1> window_;
};

// The parameter: whether the user presses Search in the card selection window after plugging the
// card back in (else the window's own search when it opens finds it).
TEST_P(ReplugTest, ACardPluggedBackIsFoundAgainAndReadsAgain) {
  ASSERT_FALSE(ReadOnce().isEmpty());
  emulator_->Unplug(0);
  ReadOnce();
  EXPECT_FALSE(session_->usb.CardReady());
  ASSERT_EQ(notifier_.texts.size(), 1) << notifier_.texts.join(u'|').toStdString();

  const bool search_by_hand = GetParam();
  if (!search_by_hand) emulator_->Replug(0);
  test::WhenDialogShows<startup::frmUSBselect>([this, search_by_hand](startup::frmUSBselect* w) {
    if (search_by_hand) {
      emulator_->Replug(0);
      w->findChild<QPushButton*>(QStringLiteral("cmdFindEzUsb"))->click();
    }
    EXPECT_TRUE(w->findChild<QRadioButton*>(QStringLiteral("optUsbPort0"))->isChecked());
    w->findChild<QPushButton*>(QStringLiteral("cmdExit"))->click();
  });
  window_->findChild<QAction*>(QStringLiteral("mnuUsb"))->trigger();

  EXPECT_TRUE(session_->usb.CardReady());
  EXPECT_EQ(session_->link.InterfaceType, link::kInterfaceUsb);
  notifier_.texts.clear();
  sensor_.trace().Clear();
  EXPECT_FALSE(ReadOnce().isEmpty());
  EXPECT_FALSE(sensor_.trace().frames().empty());
  EXPECT_TRUE(notifier_.texts.isEmpty()) << notifier_.texts.join(u'|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rescans, ReplugTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("SearchPressed")
                                             : std::string("WindowOpened");
                         });

}  // namespace
}  // namespace talvix::usb_emulator
