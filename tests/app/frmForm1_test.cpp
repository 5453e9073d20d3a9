// SPDX-License-Identifier: MIT
#include "app/frmForm1.h"

#include "monitor/ui/monitor_widget.h"
#include "startup/config_file.h"
#include "startup/fast_readout_setting.h"
#include "startup/start_up.h"
#include "startup/ui/frmPort.h"
#include "startup/ui/frmUSBselect.h"
#include "support/ui/startup_fixture.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::app {
namespace {

class FrmForm1Test : public ::testing::Test, public test::StartupFixture {
 protected:
  FrmForm1Test() : window(*session, dir.filePath("CommPort.cfg")) {}
  QAction* Item(const char* name) { return window.findChild<QAction*>(name); }
  // Loads with `interface_type` configured, as the start-up's reading of the file leaves it.
  void Load(int16_t interface_type) {
    session->link.InterfaceType = interface_type;
    session->startup.configured_interface = interface_type;
    window.Form_Load();
  }

  QTemporaryDir dir;
  frmForm1 window;
};

TEST_F(FrmForm1Test, NoConfigurationFileAsksForAnInterfaceAndStillSetsTheTitle) {
  session->link.InterfaceType = link::kInterfaceUsb;  // start-up's defaults must clear this
  startup::StartUp(*session, dir.filePath("CommPort.cfg"));
  window.Form_Load();
  // The message waits for the window, so that it stands over it rather than alone on the screen.
  EXPECT_TRUE(notifier.texts.isEmpty());
  window.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(notifier.texts, QStringList{"Please select an interface before taking data"});
  EXPECT_EQ(window.windowTitle(), "Morvane - Talvix Evaluation Software Rev_3");
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(Item("mnuPort")->isChecked());
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
}

TEST_F(FrmForm1Test, UsbAtLoadTakesTheFirstCardAndSendsItsSettings) {
  Load(link::kInterfaceUsb);
  EXPECT_TRUE(session->usb.CardReady());
  EXPECT_TRUE(Item("mnuUsb")->isChecked());
  const auto packets = rig.usb.ReceivedPackets(0);
  // Board information, then the static bits and the delay, before any register traffic.
  ASSERT_GE(packets.size(), 3u);
  EXPECT_EQ(packets[1], (std::vector<uint8_t>{12, 120}));
  EXPECT_EQ(packets[2], (std::vector<uint8_t>{11, 25}));
  EXPECT_TRUE(notifier.texts.isEmpty()) << notifier.texts.join('|').toStdString();
}

TEST_F(FrmForm1Test, ParallelAtLoadOpensThePortOrSaysWhy) {
  session->link.PortAddress = 0x378;
  port_failure = "There is no parallel port at address 378 (ports found: none).";
  Load(link::kInterfaceParallel);
  ASSERT_FALSE(notifier.texts.isEmpty());
  EXPECT_EQ(notifier.texts[0], "The required I/O drivers could not be installed.\n" + port_failure);
  EXPECT_FALSE(session->startup.PortDriverReady);
  // Not a working interface: reads would show zeros as if measured.
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(Item("mnuPort")->isChecked());
}

TEST_F(FrmForm1Test, ParallelPortThatFailsInTheSetUpWindowIsNotTaken) {
  Load(link::kInterfaceUsb);
  port_failure = "Permission denied opening /dev/parport0.";
  test::WhenDialogShows<startup::frmPort>([](startup::frmPort* port) {
    port->findChild<QLineEdit*>("txtUser")->setText("378");
    port->findChild<QPushButton*>("cmdOK")->click();
  });
  Item("mnuPort")->trigger();
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(Item("mnuPort")->isChecked());
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
  EXPECT_EQ(
      notifier.texts.count("The required I/O drivers could not be installed.\n" + port_failure),
      1);  // said once, not again by the menu
}

TEST_F(FrmForm1Test, ParallelThenCancelWithAddressZeroChangesNothing) {
  Load(link::kInterfaceNone);
  test::WhenDialogShows<startup::frmPort>(
      [](startup::frmPort* port) { port->findChild<QPushButton*>("cmdCancel")->click(); });
  Item("mnuPort")->trigger();
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(Item("mnuPort")->isChecked());
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
}

TEST_F(FrmForm1Test, ParallelWithAnAddressTakesTheParallelPort) {
  Load(link::kInterfaceUsb);
  test::WhenDialogShows<startup::frmPort>([](startup::frmPort* port) {
    port->findChild<QLineEdit*>("txtUser")->setText("378");
    port->findChild<QPushButton*>("cmdOK")->click();
  });
  Item("mnuPort")->trigger();
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceParallel);
  EXPECT_EQ(session->link.PortAddress, 0x378);
  EXPECT_TRUE(Item("mnuPort")->isChecked());
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
}

TEST_F(FrmForm1Test, UsbWithNoneSelectedClearsBothMarks) {
  Load(link::kInterfaceUsb);
  ASSERT_TRUE(Item("mnuUsb")->isChecked());
  test::WhenDialogShows<startup::frmUSBselect>([](startup::frmUSBselect* usb) {
    usb->findChild<QRadioButton*>("optUsbPort4")->click();
    usb->findChild<QPushButton*>("cmdExit")->click();
  });
  Item("mnuUsb")->trigger();
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(Item("mnuPort")->isChecked());
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
}

TEST_F(FrmForm1Test, CheckInterfaceResetsAParallelPortAtAddressZero) {
  Load(link::kInterfaceNone);
  notifier.texts.clear();
  session->link.InterfaceType = link::kInterfaceParallel;
  session->link.PortAddress = 0;
  EXPECT_FALSE(window.Check_Interface());
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_EQ(notifier.texts, QStringList{"Please select an interface first"});
}

TEST_F(FrmForm1Test, CheckInterfaceResetsACardThatFailed) {
  Load(link::kInterfaceUsb);
  rig.usb.FailNextBulkWrite(0);
  session->link.ReadReg(registers::kSupply);
  EXPECT_TRUE(notifier.texts.contains("Error Writing SPI"));
  EXPECT_FALSE(window.Check_Interface());
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
}

TEST_F(FrmForm1Test, ExitWritesTheConfigurationAndEndsTheProgram) {
  session->link.PortAddress = 888;
  Load(link::kInterfaceUsb);
  window.close();
  EXPECT_EQ(program_ends, 1);
  startup::ConfigSettings settings;
  startup::ReadConfig(dir.filePath("CommPort.cfg"), settings);
  EXPECT_EQ(settings, (startup::ConfigSettings{2, 888, 0}));
  QFile file(dir.filePath("CommPort.cfg"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().count('\n'), 3);
}

TEST_F(FrmForm1Test, ExitWithAnUnwritableConfigurationSaysSoAndStillEnds) {
  frmForm1 other(*session, dir.filePath("missing-folder/CommPort.cfg"));
  other.MnuExit_Click();
  EXPECT_EQ(program_ends, 1);
  EXPECT_EQ(exit_status, 1);
  ASSERT_FALSE(notifier.texts.isEmpty());
  EXPECT_TRUE(notifier.texts.last().contains("missing-folder/CommPort.cfg"));
}

TEST_F(FrmForm1Test, SwitchingToTheCardReleasesTheParallelPort) {
  session->link.PortAddress = 0x378;
  Load(link::kInterfaceParallel);
  ASSERT_TRUE(session->ParallelPortOpen());
  test::WhenDialogShows<startup::frmUSBselect>(
      [](startup::frmUSBselect* usb) { usb->findChild<QPushButton*>("cmdExit")->click(); });
  Item("mnuUsb")->trigger();
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceUsb);
  EXPECT_FALSE(session->ParallelPortOpen());
  EXPECT_FALSE(session->startup.PortDriverReady);
}

// The exit path stops every loop through the session's registry: here a reading loop started from
// inside a power-down count's yield. Both end at their next yield, and nothing more is sent.
TEST_F(FrmForm1Test, ExitStopsTheReadingLoopAndThePowerDownCount) {
  Load(link::kInterfaceUsb);
  monitor::MonitorWidget* monitor = window.monitor();
  EXPECT_EQ(session->loops.Count(), 2);
  monitor->findChild<QLineEdit*>("txtPowerDown")->setText("100");
  const int base = events.calls;
  std::size_t packets_at_exit = 0;
  events.on_events = [&] {
    const int yield = events.calls - base;  // before any nested yield moves the count on
    clock.Advance(0.1);
    if (yield == 1) monitor->findChild<QPushButton*>("cmdReadData")->click();
    if (yield == 5) {
      EXPECT_TRUE(monitor->LoopRunning());
      window.MnuExit_Click();
      packets_at_exit = rig.usb.ReceivedPackets(0).size();
    }
  };
  monitor->findChild<QPushButton*>("cmdPowerDown")->click();
  EXPECT_EQ(program_ends, 1);
  EXPECT_EQ(events.calls, base + 5);
  EXPECT_FALSE(monitor->LoopRunning());
  EXPECT_FALSE(session->loops.AnyActive());
  EXPECT_EQ(rig.usb.ReceivedPackets(0).size(), packets_at_exit);
}

TEST_F(FrmForm1Test, ChoosingNoCardStopsARunningLoop) {
  Load(link::kInterfaceUsb);
  monitor::MonitorWidget* monitor = window.monitor();
  const int base = events.calls;
  events.on_events = [&] {
    if (events.calls != base + 3) return;
    test::WhenDialogShows<startup::frmUSBselect>([](startup::frmUSBselect* usb) {
      usb->findChild<QRadioButton*>("optUsbPort4")->click();
      usb->findChild<QPushButton*>("cmdExit")->click();
    });
    Item("mnuUsb")->trigger();
  };
  monitor->findChild<QPushButton*>("cmdReadData")->click();
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(monitor->LoopRunning());
  EXPECT_EQ(events.calls, base + 3);  // no pass after the choice
  EXPECT_TRUE(monitor->findChild<QLabel*>("lblReadProblem")->text().startsWith("No interface"));
}

// With the card configured and none attached, the user is told once; the configuration keeps the
// card for the next start.
TEST_F(FrmForm1Test, UsbAtLoadWithNoCardSaysSoOnce) {
  rig.usb.RemoveCard(0);
  session->startup.configured_interface = link::kInterfaceUsb;
  Load(link::kInterfaceUsb);
  EXPECT_EQ(notifier.texts, QStringList{"No USB Buffers Found, Please Verify Setup and Restart"});
  EXPECT_EQ(session->link.InterfaceType, link::kInterfaceNone);
  EXPECT_FALSE(Item("mnuUsb")->isChecked());
  EXPECT_EQ(startup::CurrentConfig(*session).InterfaceType, link::kInterfaceUsb);
}

// Fast read-out is offered only while the card is the interface, and the choice is kept in the
// user's settings for the next run.
TEST_F(FrmForm1Test, FastReadoutIsOfferedOnTheCardAndKeptForTheNextRun) {
  const QString kept = startup::DefaultFastReadoutPath();
  QFile::remove(kept);
  session->link.FastReadout = false;
  Load(link::kInterfaceUsb);
  QAction* fast = Item("mnuFastReadout");
  ASSERT_TRUE(fast->isEnabled());
  EXPECT_FALSE(fast->isChecked());
  fast->trigger();
  EXPECT_TRUE(session->link.FastReadout);

  session->link.FastReadout = false;
  frmForm1 next_run(*session, dir.filePath("CommPort.cfg"));
  EXPECT_TRUE(session->link.FastReadout);
  session->link.InterfaceType = link::kInterfaceNone;
  next_run.Check_Interface();
  QAction* next_fast = next_run.findChild<QAction*>("mnuFastReadout");
  EXPECT_TRUE(next_fast->isChecked());
  EXPECT_FALSE(next_fast->isEnabled());
  QFile::remove(kept);
}

}  // namespace
}  // namespace talvix::app
