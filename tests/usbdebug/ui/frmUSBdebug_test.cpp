// SPDX-License-Identifier: MIT
#include "usbdebug/ui/frmUSBdebug.h"

#include "common/ui/mnemonic_text.h"
#include "link/usb_spi_card.h"
#include "support/ui/startup_fixture.h"
#include "support/ui/window_probe.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace talvix::usbdebug {
namespace {

using Packet = std::vector<uint8_t>;

void PressKey(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

class FrmUsbDebugTest : public ::testing::Test, public test::StartupFixture {
 protected:
  FrmUsbDebugTest() : window(*session) {}

  template <typename T = QLineEdit>
  T* Get(const QString& name) {
    return test::Control<T>(&window, name);
  }
  QPushButton* Button(const char* name) { return Get<QPushButton>(QString::fromLatin1(name)); }
  QString Caption(const char* name) { return common::WithoutMnemonic(Button(name)->text()); }
  QLineEdit* Box(const QString& name) { return Get(name); }
  sim::SimUsbCard& Card() { return *rig.usb.Card(0); }
  std::vector<Packet> Packets() const { return rig.usb.ReceivedPackets(0); }
  // Transfer packets (commands 13 and 14) the card took.
  int Transfers() const {
    int count = 0;
    for (const Packet& packet : rig.usb.ReceivedPackets(0)) {
      count += packet[0] == link::kCardCmdTransfer || packet[0] == link::kCardCmdTransferInverted;
    }
    return count;
  }
  void Type(const QString& box, const QString& text) { Box(box)->setText(text); }
  // Runs `action` at the loop's yield number `at` (1 is the first), and counts the yields.
  void AtYield(int at, std::function<void()> action) {
    events.on_events = [this, at, action] {
      if (++yields == at) action();
    };
  }

  frmUSBdebug window;
  int yields = 0;
};

TEST_F(FrmUsbDebugTest, ShowingSearchesAndTakesTheFirstCardWithItsSettings) {
  Card().setup.strings[2] = QStringLiteral("SPI Card B");
  window.show();
  EXPECT_EQ(Box("txtUsbPort0")->text(), "Pellow - 0");
  EXPECT_EQ(Box("txtDescript10")->text(), "SPI Card B");
  EXPECT_EQ(Box("txtUsbPort1")->text(), "None");
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort0")->isChecked());
  EXPECT_FALSE(Get<QRadioButton>("optUsbPort1")->isEnabled());
  EXPECT_TRUE(Get<QGroupBox>("frameManual")->isEnabled());
  EXPECT_TRUE(Get<QRadioButton>("optSpiChan1")->isChecked());
  EXPECT_EQ(Caption("cmdPolarity"), "Pos");
  // The scan's board information; bits, delay, then the two reads of the card's setup. The box
  // shows what the card said.
  EXPECT_EQ(Packets(), (std::vector<Packet>{{0}, {12, 120}, {11, 25}, {1}, {1}}));
  EXPECT_EQ(Box("txtLoopDelay")->text(), "25");
  EXPECT_TRUE(notifier.texts.isEmpty()) << notifier.texts.join(u'|').toStdString();
}

TEST_F(FrmUsbDebugTest, WithoutACardNoneIsSelectedAndEveryStepAsksForOne) {
  rig.usb.RemoveCard(0);
  window.show();
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort4")->isChecked());
  EXPECT_FALSE(Get<QGroupBox>("frameSPIsetup")->isEnabled());
  // Each showing searches once: the closing message box re-activates the window, it does not
  // search again.
  EXPECT_EQ(notifier.texts.count("No USB Buffers Found, Please Verify Setup and Restart"), 1);
  QEvent activate(QEvent::WindowActivate);
  QCoreApplication::sendEvent(&window, &activate);
  EXPECT_EQ(notifier.texts.size(), 1);

  window.cmdWriteSpi_Click();
  window.cmdReadDelay_Click();
  EXPECT_EQ(notifier.texts.count("Please Select a Buffer first"), 2);
}

struct CountCase {
  const char* typed;
  const char* shown;
  int sent;
};

class WordCountTest : public FrmUsbDebugTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(WordCountTest, IsShownBackAndSent) {
  window.show();
  Type("txtNumWords", "3");
  window.cmdWriteSpi_Click();
  Type("txtNumWords", QString::fromLatin1(GetParam().typed));
  window.cmdWriteSpi_Click();
  EXPECT_EQ(Box("txtNumWords")->text(), GetParam().shown);
  const Packet last = Packets().back();
  EXPECT_EQ(last[2], GetParam().sent);
  EXPECT_EQ(last.size(), 3u + 2u * GetParam().sent);
  // Boxes past the count are cleared; those sent show the word sent.
  EXPECT_EQ(Box(QStringLiteral("txtWriteSpi%1").arg(GetParam().sent))->text(), "0");
  if (GetParam().sent < 16) {
    EXPECT_TRUE(Box(QStringLiteral("txtWriteSpi%1").arg(GetParam().sent + 1))->text().isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(Typed, WordCountTest,
                         ::testing::Values(CountCase{"20", "16", 16}, CountCase{"0", "1", 1},
                                           CountCase{"", "3", 3}, CountCase{"-4", "1", 1},
                                           CountCase{"256", "16", 16}));

TEST_F(FrmUsbDebugTest, TwoWordsGoOutInOnePacketAndBothAnswersAreShown) {
  window.show();
  Type("txtNumWords", "2");
  Type("txtWriteSpi1", "9112");
  Type("txtWriteSpi2", "9034");
  rig.sensor.trace().Clear();
  window.cmdWriteSpi_Click();
  EXPECT_EQ(Packets().back(), (Packet{13, 1, 2, 0x91, 0x12, 0x90, 0x34}));
  const std::vector<sim::TracedFrame>& frames = rig.sensor.trace().frames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(Box("txtReadSpi1")->text(), QString::number(frames[0].answered, 16).toUpper());
  EXPECT_EQ(Box("txtReadSpi2")->text(), QString::number(frames[1].answered, 16).toUpper());
  EXPECT_TRUE(Box("txtReadSpi3")->text().isEmpty());
}

TEST_F(FrmUsbDebugTest, StaticBitsAreReadIntoTheBoxesAndSetFromThem) {
  window.show();
  Card().static_bits = 0x50;
  Button("cmdReadBits")->click();
  for (int box = 2; box <= 5; ++box) {
    EXPECT_EQ(Get<QCheckBox>(QStringLiteral("chkStaticBits%1").arg(box))->isChecked(),
              box == 3 || box == 5)
        << box;
  }
  Get<QCheckBox>("chkStaticBits2")->setChecked(true);
  Get<QCheckBox>("chkStaticBits3")->setChecked(false);
  Get<QCheckBox>("chkStaticBits4")->setChecked(true);
  Get<QCheckBox>("chkStaticBits5")->setChecked(false);
  Button("cmdSetSpiBits")->click();
  EXPECT_EQ(Packets().back(), (Packet{12, 0x28}));
  EXPECT_EQ(session->usb.SpiStaticBits, 0x28);
}

TEST_F(FrmUsbDebugTest, EnterInTheDelayBoxSetsTheDelayWithinTheCardsByte) {
  window.show();
  Type("txtLoopDelay", "300");
  PressKey(Box("txtLoopDelay"), Qt::Key_Return);
  EXPECT_EQ(Card().word_delay, 255);
  EXPECT_EQ(Box("txtLoopDelay")->text(), "255");
  EXPECT_EQ(Transfers(), 0);  // Enter presses no button
}

TEST_F(FrmUsbDebugTest, AFailedSetupReadKeepsWhatWasShownAndTheNextChoiceSendsIt) {
  window.show();
  Type("txtLoopDelay", "40");
  window.txtLoopDelay_Enter();
  Get<QCheckBox>("chkStaticBits2")->setChecked(true);
  rig.usb.FailNextBulkRead(0);
  window.cmdReadDelay_Click();
  EXPECT_EQ(Box("txtLoopDelay")->text(), "40");
  EXPECT_TRUE(Get<QCheckBox>("chkStaticBits2")->isChecked());
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort4")->isChecked());
  EXPECT_EQ(notifier.texts, QStringList{"Error Reading SPI"});

  Get<QRadioButton>("optUsbPort0")->click();
  EXPECT_TRUE(session->usb.CardReady());
  EXPECT_EQ(Card().word_delay, 40);
}

TEST_F(FrmUsbDebugTest, PolarityButtonSwitchesTheTransferCommand) {
  window.show();
  Button("cmdPolarity")->click();
  EXPECT_EQ(Caption("cmdPolarity"), "Neg");
  window.cmdWriteSpi_Click();
  EXPECT_EQ(Packets().back()[0], link::kCardCmdTransferInverted);
  Button("cmdPolarity")->click();
  EXPECT_TRUE(session->usb.SpiInPolarity);
}

TEST_F(FrmUsbDebugTest, LoopRunsUntilStopWithTheSettingsLockedMeanwhile) {
  window.show();
  Get<QRadioButton>("optSpiChan3")->click();
  bool locked = false;
  AtYield(3, [&] {
    locked = !Button("cmdFindEzUsb")->isEnabled() && !Button("cmdWriteSpi")->isEnabled() &&
             !Box("txtLoopDelay")->isEnabled() && !Get<QRadioButton>("optUsbPort0")->isEnabled() &&
             Caption("cmdLoop") == "Stop";
    Button("cmdLoop")->click();
  });
  Button("cmdLoop")->click();
  EXPECT_TRUE(locked);
  EXPECT_EQ(yields, 3);
  EXPECT_EQ(Transfers(), 1 + 3);  // the Write, then one transfer before each yield
  EXPECT_EQ(Packets().back()[1], 3);
  EXPECT_FALSE(window.LoopRunning());
  EXPECT_EQ(Caption("cmdLoop"), "Loop");
  EXPECT_TRUE(Button("cmdWriteSpi")->isEnabled());
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort0")->isEnabled());
}

TEST_F(FrmUsbDebugTest, ACardUnpluggedDuringTheLoopStopsItOnceWithTheAnswersKept) {
  window.show();
  QString shown;
  AtYield(2, [&] {
    shown = Box("txtReadSpi1")->text();
    rig.usb.Unplug(0);
  });
  Button("cmdLoop")->click();
  EXPECT_EQ(yields, 2);
  EXPECT_FALSE(window.LoopRunning());
  EXPECT_EQ(notifier.texts, QStringList{"Error Writing SPI"});
  EXPECT_TRUE(Get<QRadioButton>("optUsbPort4")->isChecked());
  EXPECT_FALSE(Get<QGroupBox>("frameManual")->isEnabled());
  EXPECT_EQ(Caption("cmdLoop"), "Loop");
  EXPECT_FALSE(shown.isEmpty());
  EXPECT_EQ(Box("txtReadSpi1")->text(), shown);
}

// Everything that hides the window or ends the program ends the loop at once: no word goes out
// after it.
class LoopEndTest
    : public FrmUsbDebugTest,
      public ::testing::WithParamInterface<std::function<void(frmUSBdebug&, Session&)>> {};

TEST_P(LoopEndTest, NoTransferAfterTheWindowIsLeft) {
  window.show();
  int sent_before = -1;
  AtYield(2, [&] {
    sent_before = Transfers();
    GetParam()(window, *session);
  });
  Button("cmdLoop")->click();
  EXPECT_EQ(yields, 2);
  EXPECT_EQ(Transfers(), sent_before);
  EXPECT_EQ(Caption("cmdLoop"), "Loop");
  EXPECT_TRUE(notifier.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LoopEndTest,
    ::testing::Values([](frmUSBdebug& w,
                         Session&) { test::Control<QPushButton>(&w, "cmdExit")->click(); },
                      [](frmUSBdebug& w, Session&) { w.close(); },
                      [](frmUSBdebug& w, Session&) { PressKey(&w, Qt::Key_Escape); },
                      [](frmUSBdebug&, Session& s) { s.loops.StopAll(); }));

}  // namespace
}  // namespace talvix::usbdebug
