// SPDX-License-Identifier: MIT
#include "startup/ui/frmPort.h"

#include "startup/port_access.h"
#include "support/ui/startup_fixture.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace talvix::startup {
namespace {

class FrmPortTest : public ::testing::Test, public test::StartupFixture {
 protected:
  FrmPortTest() : window(*session) {}
  QLineEdit* Address() { return window.findChild<QLineEdit*>("txtUser"); }
  void Enter(const QString& text) {
    window.show();
    Address()->setText(text);
    window.findChild<QPushButton*>("cmdOK")->click();
  }
  frmPort window;
};

TEST_F(FrmPortTest, ShowsTheAddressInUpperCaseHex) {
  session->link.PortAddress = 888;
  window.show();
  EXPECT_EQ(Address()->text(), "378");
  window.hide();
  session->link.PortAddress = 0;
  window.show();
  EXPECT_EQ(Address()->text(), "0");
}

TEST_F(FrmPortTest, OkTakesTheHexAddressAndTheParallelPort) {
  Enter("3bc");
  EXPECT_EQ(Address()->text(), "3BC");
  EXPECT_EQ(session->link.PortAddress, 956);
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceParallel);
  EXPECT_TRUE(session->startup.PortDriverReady);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(notifier.texts.isEmpty());
}

TEST_F(FrmPortTest, EmptyAddressDoesNothing) {
  Enter("");
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_EQ(port_opens, 0);
}

TEST_F(FrmPortTest, CancelChangesNothing) {
  window.show();
  Address()->setText("278");
  window.findChild<QPushButton*>("cmdCancel")->click();
  EXPECT_EQ(session->link.PortAddress, 0);
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(FrmPortTest, FailedClaimSaysWhyAndTheNextOkTriesAgain) {
  port_failure = "Permission denied opening /dev/parport0. Add your user to group lp.";
  Enter("378");
  ASSERT_EQ(notifier.texts.size(), 1);
  EXPECT_EQ(notifier.texts[0], "The required I/O drivers could not be installed.\n" + port_failure);
  EXPECT_EQ(notifier.titles[0], "Error");
  EXPECT_FALSE(session->startup.PortDriverReady);

  port_failure.clear();  // the user fixed the cause
  Enter("378");
  EXPECT_EQ(port_opens, 2);
  EXPECT_TRUE(session->startup.PortDriverReady);
  EXPECT_EQ(notifier.texts.size(), 1);
}

TEST_F(FrmPortTest, SecondOkOnTheSameAddressKeepsThePort) {
  Enter("378");
  Enter("378");
  EXPECT_EQ(port_opens, 1);
  Enter("278");  // another port needs its own device
  EXPECT_EQ(port_opens, 2);
}

TEST_F(FrmPortTest, OkPutsTheLinesAtRest) {
  Enter("378");
  rig.sensor.trace().Clear();
  session->link.WriteReg(registers::kAlmMag1, 0x0102);
  EXPECT_EQ(rig.sensor.trace().SentWords(), (std::vector<uint16_t>{0xA101, 0xA002}));
}

}  // namespace
}  // namespace talvix::startup
