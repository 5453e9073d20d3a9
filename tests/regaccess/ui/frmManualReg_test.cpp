// SPDX-License-Identifier: MIT
// The register window on a simulated USB card whose SPI line goes to a register file, so the
// words it reads and writes are exact.
#include "regaccess/ui/frmManualReg.h"

#include "support/file_faults.h"
#include "support/ui/tool_window_fixture.h"

#include <QFile>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include <vector>

namespace talvix::regaccess {
namespace {

using registers::kAlmCtrl;
using registers::kAlmMag1;
using registers::kCommand;
using registers::kEndurance;
using registers::kSupply;
using registers::kXAccl;

class FrmManualRegTest : public test::ToolWindowTest<frmManualReg> {
 protected:
  void Choose(int16_t index) { Find<QComboBox>("cmboRegister")->setCurrentIndex(index); }
};

TEST_F(FrmManualRegTest, ReopenedListHas32EntriesAndTheEntryFollowsTheChoice) {
  Open();
  EXPECT_FALSE(Enabled("cmdRead"));  // nothing chosen yet
  EXPECT_FALSE(Enabled("cmdWrite"));
  Choose(kCommand);
  Click("cmdClose");
  EXPECT_TRUE(window->isHidden());
  Open();  // the frame's close box discards the window; the next showing makes a new one
  QComboBox* list = Find<QComboBox>("cmboRegister");
  ASSERT_EQ(list->count(), 32);
  EXPECT_EQ(list->itemText(0), "None");
  EXPECT_EQ(list->itemText(31), "COMMAND");

  Choose(kCommand);
  EXPECT_EQ(Text("txtRegAddr"), "3E");
  EXPECT_EQ(Text("txtRegByte"), "2");
  EXPECT_EQ(Text("txtRegRead"), "False");
  EXPECT_EQ(Text("txtRegWrite"), "True");
  EXPECT_TRUE(Enabled("cmdWrite"));
  EXPECT_FALSE(Enabled("cmdRead"));

  Choose(0);
  for (const char* box : {"txtRegAddr", "txtRegByte", "txtRegRead", "txtRegWrite"}) {
    EXPECT_EQ(Text(box), "") << box;
  }
  EXPECT_FALSE(Enabled("cmdRead"));
  EXPECT_FALSE(Enabled("cmdWrite"));
  EXPECT_TRUE(device.sent().empty());
}

TEST_F(FrmManualRegTest, ReadShowsTheRawWordAndTheValueAndASilentDeviceNothing) {
  device.Set(kXAccl, 0x3FFF);  // 14-bit code -1
  Open();
  Choose(kXAccl);
  Click("cmdRead");
  EXPECT_EQ(Text("txtRead"), "3FFF");
  EXPECT_EQ(Text("txtRegVal"), "-0.017125");
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x04, 0x04}));
  EXPECT_TRUE(sim.notifier.texts.isEmpty());

  answering = false;
  Click("cmdRead");
  EXPECT_EQ(Text("txtRead"), "");
  EXPECT_EQ(Text("txtRegVal"), "");
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_TRUE(sim.notifier.texts[0].contains("XACCL was not read"));
}

TEST_F(FrmManualRegTest, ListingReads27RegistersAndShowsUnreadOnesAsDashes) {
  device.Set(kSupply, 0x07A2);
  device.Set(kXAccl, 0x3FFF);
  Open();
  Click("cmdReadUserReg");
  const QStringList lines = Find<QPlainTextEdit>("txtUserReg")->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 34);
  EXPECT_EQ(lines[0], "Name\t\tAddr\tSetting");
  EXPECT_EQ(lines[3], "SUPPLY     \t2\t07A2");
  EXPECT_EQ(lines[4], "XACCL     \t4\tFFFF");
  EXPECT_EQ(lines[20], "reserved     \t24\t----");
  EXPECT_EQ(lines[33], "COMMAND     \t3E\t----");
  EXPECT_EQ(device.ReadAddresses().size(), 27u);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());

  // A device that stops answering: no listing, one message.
  answering = false;
  Click("cmdReadUserReg");
  EXPECT_EQ(Find<QPlainTextEdit>("txtUserReg")->toPlainText(), "");
  EXPECT_EQ(sim.notifier.texts.size(), 1);
}

// All ones from a sensor that answers are a reading (STATUS, read after them, never is all ones).
TEST_F(FrmManualRegTest, AnAllOnesRegisterIsShownWhenStatusAnswersAfterIt) {
  device.Set(kEndurance, 0xFFFF);  // 65535 flash writes
  device.Set(kAlmMag1, 0xFFFF);
  Open();
  Click("cmdReadUserReg");
  const QStringList lines = Find<QPlainTextEdit>("txtUserReg")->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 34);
  EXPECT_EQ(lines[2], "ENDURANCE     \t0\tFFFF");
  Choose(kAlmMag1);
  Click("cmdRead");
  EXPECT_EQ(Text("txtRead"), "FFFF");
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

TEST_F(FrmManualRegTest, WriteSendsTheTypedHexValue) {
  Open();
  Choose(kAlmCtrl);
  Find<QLineEdit>("txtDataWrite")->setText("1F4");
  Click("cmdWrite");
  EXPECT_EQ(device.Writes(kAlmCtrl), std::vector<uint16_t>{0x01F4});
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

class FrmManualRegRefusedTest : public FrmManualRegTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(FrmManualRegRefusedTest, AnythingButOneToFourHexDigitsIsRefused) {
  Open();
  Choose(kAlmCtrl);
  Find<QLineEdit>("txtDataWrite")->setText(GetParam());
  Click("cmdWrite");
  EXPECT_TRUE(device.sent().empty());
  EXPECT_EQ(sim.notifier.texts, QStringList{HexEntryRefusedMessage(GetParam())});
}

INSTANTIATE_TEST_SUITE_P(Texts, FrmManualRegRefusedTest,
                         ::testing::Values("12345", "FF FF", "1O0", ""));

TEST_F(FrmManualRegTest, UpdateFlashFollowsTheRevisionEachShowingAndStoresWhenClicked) {
  Open();
  QWidget* update_flash = Find("cmdUpdateFlash");
  window->show();
  EXPECT_FALSE(update_flash->isVisible());  // About not opened yet: DeviceRevision 0
  window->hide();
  sim.session->about.DeviceRevision = 2;
  window->show();
  EXPECT_TRUE(update_flash->isVisible());

  const int64_t waited = sim.delay->total_units;
  Click("cmdUpdateFlash");
  EXPECT_EQ(device.Writes(kCommand), std::vector<uint16_t>{0x0008});
  EXPECT_GE(sim.delay->total_units - waited, 25000);  // 250 ms in 10 us units
  window->hide();
}

TEST_F(FrmManualRegTest, SavedListingIsTheWholeListingAndAFailureNamesTheFile) {
  device.Set(kSupply, 0x07A2);
  QTemporaryDir folder;
  QString path = folder.filePath("listing.txt");
  Open();
  window->ask_save_path = [&path](const QString&, const QString&, const QString&) { return path; };
  Click("cmdSaveListing");  // nothing read yet: nothing to save
  EXPECT_EQ(sim.notifier.texts, QStringList{EmptyListingMessage()});
  EXPECT_FALSE(QFile::exists(path));

  sim.notifier.texts.clear();
  Click("cmdReadUserReg");
  Click("cmdSaveListing");
  const QByteArray saved = test::Contents(path);
  EXPECT_EQ(saved.count("\r\n"), 34);
  EXPECT_TRUE(saved.startsWith(ListingHeader().toLatin1()));
  EXPECT_TRUE(saved.endsWith("COMMAND     \t3E\t----\r\n"));
  EXPECT_TRUE(saved.contains("\r\nSUPPLY     \t2\t07A2\r\n"));
  EXPECT_TRUE(sim.notifier.texts.isEmpty());

  path = folder.filePath("missing/listing.txt");
  Click("cmdSaveListing");
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_TRUE(sim.notifier.texts[0].contains(path));
}

// The simulated sensor, whose flash file cannot be written, reports the failed store in STATUS.
TEST(FrmManualRegFlashFailureTest, AFailedStoreIsReportedAndNeverCalledStored) {
  test::SimSession sim;
  const QStringList messages = test::FailedFlashStoreMessages<frmManualReg>(sim, "cmdUpdateFlash");
  EXPECT_EQ(messages,
            QStringList{UpdateFlashMessage(sim.link(), link::FlashOutcome::kFlashFailed)});
}

}  // namespace
}  // namespace talvix::regaccess
