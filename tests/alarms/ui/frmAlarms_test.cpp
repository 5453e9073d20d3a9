// SPDX-License-Identifier: MIT
// The alarm window on a simulated USB card whose SPI line goes to a register file, so the words it
// loads from and the words its buttons write are exact.
#include "alarms/ui/frmAlarms.h"

#include "support/ui/tool_window_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace talvix::alarms {
namespace {

using test::DefaultLocale;

using registers::kAlmCtrl;
using registers::kAlmMag1;
using registers::kAlmMag2;
using registers::kCommand;
using Words = std::vector<uint16_t>;

class FrmAlarmsTest : public test::ToolWindowTest<frmAlarms> {
 protected:
  bool AnswersAllOnes(uint16_t /*sent*/) override {
    return !answering || (silent_after_mag2_write && !device.Writes(kAlmMag2).empty());
  }

  bool silent_after_mag2_write = false;  // all ones once ALM_MAG2 has been written
};

TEST_F(FrmAlarmsTest, LoadShowsWhatTheDeviceHolds) {
  device.Set(kAlmCtrl, 0x5206);
  device.Set(kAlmMag1, 0x81F4);
  device.Set(kAlmMag2, 0x0064);
  window = std::make_unique<frmAlarms>(*sim.session);
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x20, 0x22, 0x28}));
  EXPECT_EQ(Shown("cmboAsource1"), "X_Acc");
  EXPECT_EQ(Shown("cmboAsource2"), "Temperature");
  EXPECT_FALSE(Visible("lblTemperaWarn1"));
  EXPECT_TRUE(Visible("lblTemperaWarn2"));
  for (const char* option : {"opDig_Enabled", "opDigLine_zero", "opDigPol_high",
                             "opTrigPol1_Greater", "opTrigPol2_Less"}) {
    EXPECT_TRUE(Checked(option)) << option;
  }
  EXPECT_EQ(Text("lblALM_MAG1"), "1F4");
  EXPECT_EQ(Text("lblALM_MAG2"), "64");
  EXPECT_EQ(Text("txtLevel2"), "578.660");
  EXPECT_TRUE(Find("cmdWiteA1")->isEnabled());
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

struct UntouchedCase {
  const char* name;
  QLocale::Language language;
  const char* button;
};

class FrmAlarmsUntouchedTest : public FrmAlarmsTest,
                               public ::testing::WithParamInterface<UntouchedCase> {};

// AUX code 41 shows as 0.250 V, which would convert back to code 410.
TEST_P(FrmAlarmsUntouchedTest, UpdateWithoutEditingRewritesTheWordsRead) {
  const DefaultLocale locale{QLocale(GetParam().language)};
  device.Set(kAlmCtrl, 0x4257);  // alarm 1 X_Acc, alarm 2 Aux_ADC
  device.Set(kAlmMag1, 0xBF00);  // > -4.384 g
  device.Set(kAlmMag2, 0x0029);  // < 0.250 V
  Open();
  const int64_t waited = sim.delay->total_units;
  Click(GetParam().button);
  EXPECT_EQ(device.Writes(kAlmCtrl), Words{0x4257});
  EXPECT_EQ(device.Writes(kAlmMag1), Words{0xBF00});
  EXPECT_EQ(device.Writes(kAlmMag2), Words{0x0029});
  EXPECT_GE(sim.delay->total_units - waited, 15000);  // 150 ms between sources and levels
  // ALM_CTRL before the writes, then the read-back.
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x28, 0x20, 0x22, 0x28}));
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Locales, FrmAlarmsUntouchedTest,
    ::testing::Values(UntouchedCase{"GermanAlarm1", QLocale::German, "cmdWiteA1"},
                      UntouchedCase{"GermanAlarm2", QLocale::German, "cmdWriteA2"},
                      UntouchedCase{"English", QLocale::English, "cmdWiteA1"}),
    [](const ::testing::TestParamInfo<UntouchedCase>& info) { return info.param.name; });

TEST_F(FrmAlarmsTest, UpdateWritesTheChoicesAndShowsWhatTheDeviceNowHolds) {
  device.Set(kAlmCtrl, 0x0000);
  device.Set(kAlmMag2, 0x01F4);
  Open();
  Pick("cmboAsource1", "X_Acc");
  Find<QLineEdit>("txtLevel1")->setText("500");  // above the X range: the limit, code 8191
  Click("opTrigPol1_Less");
  Click("opTrigPol2_greater");  // alarm 2 stays "Disabled": level code 0
  Click("cmdWiteA1");
  EXPECT_EQ(device.Writes(kAlmCtrl), Words{0x0200});
  EXPECT_EQ(device.Writes(kAlmMag1), Words{0x1FFF});
  EXPECT_EQ(device.Writes(kAlmMag2), Words{0x8000});
  EXPECT_EQ(Text("txtLevel1"), "140.271");
  EXPECT_EQ(Text("lblALM_MAG1"), "1FFF");
  EXPECT_EQ(Text("txtLevel2"), "");
  EXPECT_EQ(Text("lblALM_MAG2"), "0");
}

TEST_F(FrmAlarmsTest, NewSourceShowsTheStoredLevelUnderItWithoutWriting) {
  const DefaultLocale german{QLocale(QLocale::German)};
  device.Set(kAlmCtrl, 0x0200);
  device.Set(kAlmMag1, 0x0064);
  Open();
  Pick("cmboAsource1", "Temperature");
  EXPECT_EQ(device.ReadAddresses(), std::vector<int>{0x20});
  EXPECT_EQ(Text("txtLevel1"), "578,66");
  EXPECT_TRUE(Visible("lblTemperaWarn1"));
  Pick("cmboAsource1", "X_Acc");
  EXPECT_EQ(Text("txtLevel1"), "1,7125");
  EXPECT_FALSE(Visible("lblTemperaWarn1"));
  Click("cmdWriteA2");
  EXPECT_EQ(device.Writes(kAlmMag1), Words{0x0064});
}

TEST_F(FrmAlarmsTest, IndicatorUpdateChangesOnlyBits0To2) {
  device.Set(kAlmCtrl, 0x525B);  // capture trigger bits 4-7 and bit 3 set; DI/O1, High, off
  Open();
  EXPECT_TRUE(Checked("opDig_Disabled"));
  EXPECT_TRUE(Checked("opDigLine_one"));
  Click("opDig_Enabled");
  Click("opDigLine_zero");
  Click("opDigPol_low");
  Click("cmdAdio");
  EXPECT_EQ(device.Writes(kAlmCtrl), Words{0x525C});
  EXPECT_EQ(device.ReadAddresses(), std::vector<int>{0x28});  // no refresh
}

struct SilentCase {
  const char* name;
  bool card_fails;  // the card's own failure message instead of the window's
};

class FrmAlarmsSilentTest : public FrmAlarmsTest,
                            public ::testing::WithParamInterface<SilentCase> {};

TEST_P(FrmAlarmsSilentTest, SilentDeviceShowsNothingWritesNothingUntilARead) {
  device.Set(kAlmCtrl, 0x5206);
  device.Set(kAlmMag1, 0x81F4);
  if (GetParam().card_fails) {
    sim.usb.FailNextBulkRead(0);
  } else {
    answering = false;
  }
  Open();
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_EQ(sim.notifier.texts[0] == LoadFailedMessage(), !GetParam().card_fails);
  for (const char* shown : {"cmboAsource1", "cmboAsource2"}) EXPECT_EQ(Shown(shown), "");
  for (const char* shown : {"txtLevel1", "txtLevel2", "lblALM_MAG1", "lblALM_MAG2"}) {
    EXPECT_EQ(Text(shown), "") << shown;
  }
  for (const char* option : {"opTrigPol1_Less", "opTrigPol1_Greater", "opDig_Enabled",
                             "opDig_Disabled", "opDigPol_high", "opDigPol_low"}) {
    EXPECT_FALSE(Checked(option)) << option;
  }
  for (const char* button : {"cmdWiteA1", "cmdWriteA2", "cmdAdio", "cmdFlash"}) {
    EXPECT_FALSE(Find(button)->isEnabled()) << button;
  }
  window->cmdWriteA1_Click();
  window->cmdAdio_Click();
  window->cmdFlash_Click();
  EXPECT_TRUE(device.sent().empty());
  EXPECT_EQ(sim.notifier.texts.size(), 1);

  // Once the device answers (the card picked again), a pick reads the setup and keeps the pick.
  answering = true;
  sim.session->ezusb.CurrentCard.Present = true;
  Pick("cmboAsource1", "RSS");
  EXPECT_EQ(Shown("cmboAsource2"), "Temperature");
  EXPECT_EQ(Shown("cmboAsource1"), "RSS");
  EXPECT_EQ(Text("lblALM_MAG1"), "1F4");
  EXPECT_TRUE(Find("cmdWiteA1")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Faults, FrmAlarmsSilentTest,
                         ::testing::Values(SilentCase{"AllOnes", false},
                                           SilentCase{"CardFails", true}),
                         [](const ::testing::TestParamInfo<SilentCase>& info) {
                           return info.param.name;
                         });

TEST_F(FrmAlarmsTest, ReadBackThatFailsSaysSoAndKeepsWhatWasEntered) {
  device.Set(kAlmCtrl, 0x0200);
  Open();
  Find<QLineEdit>("txtLevel1")->setText("1.5");
  silent_after_mag2_write = true;
  Click("cmdWiteA1");
  EXPECT_EQ(device.Writes(kAlmMag1), Words{0x0058});
  EXPECT_EQ(sim.notifier.texts, QStringList{ReadBackFailedMessage()});
  EXPECT_EQ(Text("txtLevel1"), "1.5");
  EXPECT_EQ(Text("lblALM_MAG1"), "0");
}

TEST_F(FrmAlarmsTest, FlashCommandWaitsAndSaysWhenDone) {
  Open();
  const int64_t waited = sim.delay->total_units;
  Click("cmdFlash");
  EXPECT_EQ(device.Writes(kCommand), Words{0x0008});
  EXPECT_GE(sim.delay->total_units - waited, 20000);
  EXPECT_EQ(sim.notifier.texts, QStringList{FlashMessage(link::FlashOutcome::kStored)});
}

// The simulated sensor, whose flash file cannot be written, reports the failed store in STATUS.
TEST(FrmAlarmsFlashFailureTest, AFailedStoreIsReportedAndNeverCalledStored) {
  test::SimSession sim;
  EXPECT_EQ(test::FailedFlashStoreMessages<frmAlarms>(sim, "cmdFlash"),
            QStringList{FlashMessage(link::FlashOutcome::kFlashFailed)});
}

}  // namespace
}  // namespace talvix::alarms
