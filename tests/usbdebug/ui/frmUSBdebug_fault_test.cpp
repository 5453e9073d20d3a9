// SPDX-License-Identifier: MIT
// The USB SPI card setup window's transfer loop on the simulated card when something fails: a
// card that fails stops the loop with one message and the answers shown before it kept; a silent
// sensor's all-ones words are what the card read and are shown as such; the parallel port is not
// this window's path, so its failure leaves the loop alone.
#include "usbdebug/ui/frmUSBdebug.h"

#include "common/ui/mnemonic_text.h"
#include "support/link_faults.h"
#include "support/ui/window_probe.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace talvix::usbdebug {
namespace {

using test::LinkFault;

class UsbDebugLoopFaultTest : public ::testing::TestWithParam<LinkFault> {
 protected:
  UsbDebugLoopFaultTest() : sim(1, test::SimWiring::kUsbCard), window(*sim.session) {
    if (GetParam() == LinkFault::kPortFails) {
      sim.link().PortAddress = 0x378;
      QString error;
      EXPECT_TRUE(sim.session->OpenParallelPort(error)) << error.toStdString();
    }
    window.show();
    sim.notifier.texts.clear();
  }
  QPushButton* Button(const char* name) {
    return test::Control<QPushButton>(&window, QString::fromLatin1(name));
  }
  QString Answer() { return test::Control<QLineEdit>(&window, "txtReadSpi1")->text(); }

  test::SimSession sim;
  frmUSBdebug window;
};

TEST_P(UsbDebugLoopFaultTest, CardFaultStopsTheLoopOnceAndKeepsTheAnswersShown) {
  QString shown_at_fault;
  int yields = 0;
  sim.events.on_events = [&] {
    ++yields;
    if (yields == 2) {
      shown_at_fault = Answer();
      test::Inject(sim, GetParam());
    }
    if (yields == 4) Button("cmdLoop")->click();  // Stop
  };
  Button("cmdLoop")->click();
  EXPECT_FALSE(window.LoopRunning());
  EXPECT_EQ(common::WithoutMnemonic(Button("cmdLoop")->text()), "Loop");
  ASSERT_FALSE(shown_at_fault.isEmpty());

  switch (GetParam()) {
    case LinkFault::kSensorAllOnes:
    case LinkFault::kPortFails:
      EXPECT_EQ(yields, 4);
      EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
      if (GetParam() == LinkFault::kSensorAllOnes) {
        EXPECT_EQ(Answer(), "FFFF");
      }
      break;
    default:
      EXPECT_EQ(yields, 2);
      EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join(u'|').toStdString();
      EXPECT_EQ(Answer(), shown_at_fault);
      // Plugged in again and picked in the window's own card list, the card works at once.
      ASSERT_TRUE(test::Recover(sim, GetParam()));
      test::Control<QRadioButton>(&window, "optUsbPort0")->click();
      sim.notifier.texts.clear();
      window.cmdWriteSpi_Click();
      EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
      EXPECT_FALSE(Answer().isEmpty());
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, UsbDebugLoopFaultTest, test::kAllLinkFaults, test::LinkFaultName);

}  // namespace
}  // namespace talvix::usbdebug
