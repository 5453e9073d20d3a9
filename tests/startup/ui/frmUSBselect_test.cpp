// SPDX-License-Identifier: MIT
#include "startup/ui/frmUSBselect.h"

#include "support/ui/startup_fixture.h"

#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace talvix::startup {
namespace {

class FrmUsbSelectTest : public ::testing::Test, public test::StartupFixture {
 protected:
  FrmUsbSelectTest() : window(*session) {}
  QRadioButton* Option(int i) {
    return window.findChild<QRadioButton*>(QStringLiteral("optUsbPort%1").arg(i));
  }
  QString Cell(const char* column, int i) {
    return window.findChild<QLineEdit*>(QStringLiteral("%1%2").arg(column).arg(i))->text();
  }
  frmUSBselect window;
};

TEST_F(FrmUsbSelectTest, NoCardLeavesEveryRowDisabledAndSelectsNone) {
  rig.usb.RemoveCard(0);
  window.show();
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(Option(i)->isEnabled()) << i;
    EXPECT_TRUE(Cell("txtDescript0", i).isEmpty());
  }
  EXPECT_TRUE(Option(4)->isChecked());
  EXPECT_TRUE(notifier.texts.contains("No USB Buffers Found, Please Verify Setup and Restart"));
}

TEST_F(FrmUsbSelectTest, OneCardAtDeviceTwoIsListedWithItsSpeed) {
  rig.usb.RemoveCard(0);
  sim::SimUsbCardSetup setup;
  setup.firmware_major = 1;
  setup.firmware_tenths = 0;
  rig.usb.PlaceCard(2, setup);
  window.show();
  for (int i : {0, 1, 3}) EXPECT_FALSE(Option(i)->isEnabled()) << i;
  EXPECT_TRUE(Option(2)->isEnabled());
  EXPECT_TRUE(Option(2)->isChecked());
  EXPECT_EQ(Cell("txtSpeed", 2), QLocale().toString(2.0, 'f', 1));
  EXPECT_EQ(Cell("txtDriverRev", 2), QLocale().toString(1.0, 'f', 1));
  EXPECT_EQ(Cell("txtDescript0", 2), "Talvix");
  EXPECT_EQ(session->ezusb.UsbCardIndex, 2);
}

TEST_F(FrmUsbSelectTest, FullSpeedCardShowsOnePointOne) {
  sim::SimUsbCardSetup setup;
  setup.max_packet = 64;
  rig.usb.PlaceCard(0, setup);
  window.show();
  EXPECT_EQ(Cell("txtSpeed", 0), QLocale().toString(1.1, 'f', 1));
}

TEST_F(FrmUsbSelectTest, PickingACardMakesItCurrentAndSendsItsSettings) {
  rig.usb.PlaceCard(1);
  window.show();
  EXPECT_EQ(session->ezusb.UsbCardIndex, 0);
  Option(1)->click();
  EXPECT_EQ(session->ezusb.CurrentCard.DevName, "Ezusb-1");
  const auto packets = rig.usb.ReceivedPackets(1);
  ASSERT_GE(packets.size(), 2u);
  EXPECT_EQ(packets[packets.size() - 2], (std::vector<uint8_t>{11, 25}));   // delay first
  EXPECT_EQ(packets[packets.size() - 1], (std::vector<uint8_t>{12, 120}));  // then the bits
  EXPECT_EQ(session->ezusb.UsbCardIndex, 0);  // the index of the scan's choice is kept
}

TEST_F(FrmUsbSelectTest, NoneClearsTheCurrentCardAndStopsEveryLoop) {
  int aborted = 0;
  CooperativeLoop loop(session->loops, session->events(), [&aborted] { ++aborted; });
  loop.SetRunning(true);
  window.show();
  ASSERT_TRUE(session->usb.CardReady());
  Option(4)->click();
  EXPECT_FALSE(session->usb.CardReady());
  EXPECT_EQ(aborted, 1);
  EXPECT_FALSE(loop.Running());
}

TEST_F(FrmUsbSelectTest, EveryActivationSearchesAgain) {
  window.show();
  window.hide();
  rig.usb.PlaceCard(3);
  window.show();
  EXPECT_TRUE(Option(3)->isEnabled());
}

}  // namespace
}  // namespace talvix::startup
