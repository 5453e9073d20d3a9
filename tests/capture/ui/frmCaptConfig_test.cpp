// SPDX-License-Identifier: MIT
// The capture configuration window on a simulated USB card whose SPI line goes to a register
// file, so the words it loads from and the words its steps write are exact.
#include "capture/ui/frmCaptConfig.h"

#include "support/ui/tool_window_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talvix::capture {
namespace {

using test::DefaultLocale;

using registers::kAlmCtrl;
using registers::kAlmMag1;
using registers::kAlmMag2;
using registers::kCaptCfg;
using registers::kMiscCtrl;

class FrmCaptConfigTest : public test::ToolWindowTest<frmCaptConfig> {
 protected:
  QString Level(const char* box) const { return Text(box); }
  bool WarningShown() const { return Visible("lblTemperaWarn"); }
};

TEST_F(FrmCaptConfigTest, LoadShowsWhatTheDeviceHolds) {
  device.Set(kAlmCtrl, 0x9243);
  // Buffer #2 Temperature, Buffer #1 X_Acceleration, pre-trigger "8", length "1024".
  device.Set(kCaptCfg, 0x523A);
  device.Set(kAlmMag1, 0x8000 | 100);  // > 1.7125 g
  device.Set(kAlmMag2, 100);           // < 578.66 degC
  device.Set(kMiscCtrl, 0x0804);
  sim.session->capture.SelectTrigger(0x40);
  Open();
  EXPECT_EQ(Shown("ComboSourceBuff1"), "X_Acceleration");
  EXPECT_EQ(Shown("ComboSourceBuff2"), "Temperature");
  EXPECT_EQ(Shown("ComboBuffLength"), "1024");
  EXPECT_EQ(Shown("ComboPreTrigLength"), "8");
  EXPECT_EQ(Level("txtTrigLevelBuff1"), "1.7125");
  EXPECT_EQ(Level("txtTrigLevelBuff2"), "578.6600");
  EXPECT_EQ(Shown("ComboPolBuff1"), "Greater Than");
  EXPECT_EQ(Shown("ComboPolBuff2"), "Less Than");
  EXPECT_TRUE(Checked("ChkStoretoFlash"));
  EXPECT_TRUE(Checked("Option_A2"));
  EXPECT_TRUE(WarningShown());
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
  // Choosing away from the temperature hides the warning; the level boxes stay as they were.
  Pick("ComboSourceBuff2", "Peak_RSS");
  EXPECT_FALSE(WarningShown());
  EXPECT_EQ(Level("txtTrigLevelBuff2"), "578.6600");
}

struct LoadCase {
  uint16_t capt_cfg;
  int16_t capt_trig_select;
  const char* source1;
  const char* source2;
  const char* length;
  const char* pre_trigger;
  const char* option;  // the option button checked, or nullptr for none
};

class FrmCaptConfigLoadTest : public FrmCaptConfigTest,
                              public ::testing::WithParamInterface<LoadCase> {};

TEST_P(FrmCaptConfigLoadTest, CodesWithoutAListEntryShowTheNearestOrTheirOwn) {
  const LoadCase& c = GetParam();
  device.Set(kCaptCfg, c.capt_cfg);
  sim.session->capture.SelectTrigger(c.capt_trig_select);
  Open();
  EXPECT_EQ(Shown("ComboSourceBuff1"), c.source1);
  EXPECT_EQ(Shown("ComboSourceBuff2"), c.source2);
  EXPECT_EQ(Shown("ComboBuffLength"), c.length);
  EXPECT_EQ(Shown("ComboPreTrigLength"), c.pre_trigger);
  for (const char* option : {"Option_A1", "Option_A2", "Option_Disabled"}) {
    EXPECT_EQ(Checked(option), c.option != nullptr && std::string(option) == c.option) << option;
  }
  EXPECT_EQ(Find<QComboBox>("ComboSourceBuff1")->count(), (c.capt_cfg & 0x0F00) > 0x0900 ? 11 : 10);
}

INSTANTIATE_TEST_SUITE_P(Codes, FrmCaptConfigLoadTest,
                         ::testing::Values(LoadCase{0x9801, 0x10, "RSS_Acc", "Peak_RSS", "8", "1",
                                                    "Option_A1"},
                                           LoadCase{0x0AB5, 0, "unknown (10)", "Disabled", "32",
                                                    "1024", "Option_Disabled"},
                                           LoadCase{0x1F0C, 0x20, "unknown (15)", "Power Supply",
                                                    "1024", "1", nullptr}));

TEST_F(FrmCaptConfigTest, SilentDeviceGivesOneMessageAndTheDefaults) {
  device.Set(kCaptCfg, 0x9215);
  answering = false;
  Open();
  EXPECT_EQ(sim.notifier.texts, QStringList{NoCommunicationMessage()});
  EXPECT_EQ(Shown("ComboSourceBuff1"), "Disabled");
  EXPECT_EQ(Shown("ComboSourceBuff2"), "Disabled");
  EXPECT_EQ(Shown("ComboBuffLength"), "8");
  EXPECT_EQ(Shown("ComboPreTrigLength"), "1");
  EXPECT_EQ(Level("txtTrigLevelBuff1"), "");
  EXPECT_FALSE(WarningShown());
}

// 0xFFFF is a level ALM_MAG1 may hold ("Greater Than", code 0x3FFF): STATUS answering right
// after it tells it from a silent sensor.
TEST_F(FrmCaptConfigTest, AlmMagHoldingAllOnesIsShownAsReadWhenStatusAnswers) {
  device.Set(kCaptCfg, 0x2235);  // both buffers X_Acceleration
  device.Set(kAlmMag1, 0xFFFF);  // > -0.017125 g
  Open();
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(Shown("ComboSourceBuff1"), "X_Acceleration");
  EXPECT_EQ(Shown("ComboPolBuff1"), "Greater Than");
  EXPECT_EQ(Level("txtTrigLevelBuff1"), "-0.0171");
}

TEST_F(FrmCaptConfigTest, Step1WritesCaptCfgThenTheSourcesIntoAlmCtrl) {
  device.Set(kAlmCtrl, 0x3457);
  Open();
  Pick("ComboSourceBuff2", "Peak_RSS");
  Pick("ComboSourceBuff1", "X_Acceleration");
  Pick("ComboPreTrigLength", "4");
  Pick("ComboBuffLength", "1024");
  const int64_t waited = sim.delay->total_units;
  Click("cmdCapt_CFG");
  EXPECT_EQ(device.Writes(kCaptCfg), std::vector<uint16_t>{0x922A});
  EXPECT_EQ(device.ReadAddresses(), std::vector<int>{0x28});  // ALM_CTRL, after CAPT_CFG
  EXPECT_EQ(device.Writes(kAlmCtrl), std::vector<uint16_t>{0x9257});
  EXPECT_GE(sim.delay->total_units - waited, 2 * 10000);  // 100 ms after each write
  EXPECT_TRUE(sim.notifier.texts.isEmpty());

  // Pre-trigger "1" is never written: the list moves to "2".
  Pick("ComboPreTrigLength", "1");
  device.ClearSent();
  Click("cmdCapt_CFG");
  EXPECT_EQ(Shown("ComboPreTrigLength"), "2");
  EXPECT_EQ(device.Writes(kCaptCfg), std::vector<uint16_t>{0x921A});
}

TEST_F(FrmCaptConfigTest, Step1WritesAnUnknownSourceBack) {
  device.Set(kCaptCfg, 0x0A35);
  Open();
  Click("cmdCapt_CFG");
  EXPECT_EQ(device.Writes(kCaptCfg), std::vector<uint16_t>{0x0A35});
  EXPECT_EQ(device.Writes(kAlmCtrl), std::vector<uint16_t>{0x0A00});
}

TEST_F(FrmCaptConfigTest, Step2RewritesUntouchedLevelsExactlyAndConvertsTypedOnes) {
  const DefaultLocale german(QLocale(QLocale::German));
  device.Set(kCaptCfg, 0x2435);  // Buffer #1 Aux_ADC, Buffer #2 X_Acceleration
  device.Set(kAlmMag1, 1000);    // < 6.1 V
  device.Set(kAlmMag2, 0xBF00);  // > -4.384 g
  Open();
  EXPECT_EQ(Level("txtTrigLevelBuff1"), "6,1000");
  Click("cmdTrig_Mag");
  EXPECT_EQ(device.Writes(kAlmMag1), std::vector<uint16_t>{1000});
  EXPECT_EQ(device.Writes(kAlmMag2), std::vector<uint16_t>{0xBF00});

  // 1.5 g is code 87.6, written 88; the box keeps what was typed.
  Find<QLineEdit>("txtTrigLevelBuff2")->setText("1,5");
  device.ClearSent();
  Click("cmdTrig_Mag");
  EXPECT_EQ(device.Writes(kAlmMag2), std::vector<uint16_t>{0x8058});
  Pick("ComboPolBuff2", "Less Than");
  device.ClearSent();
  Click("cmdTrig_Mag");
  EXPECT_EQ(device.Writes(kAlmMag2), std::vector<uint16_t>{0x0058});
  EXPECT_EQ(Level("txtTrigLevelBuff2"), "1,5");
}

TEST_F(FrmCaptConfigTest, Step3KeepsTheChoiceWithoutWritingAndNoChoiceKeepsTheSetting) {
  sim.session->capture.SelectTrigger(0x20);  // no option button for it
  Open();
  Click("cmdALM_CTRL");
  EXPECT_EQ(sim.session->capture.CaptTrigSelect, 0x20);
  Click("Option_A2");
  Click("cmdALM_CTRL");
  EXPECT_EQ(sim.session->capture.CaptTrigSelect, 0x40);
  EXPECT_TRUE(device.sent().empty());
}

TEST_F(FrmCaptConfigTest, Step4SetsBit11KeepsTheRestAndWritesNothingFromAnUnreadWord) {
  device.Set(kMiscCtrl, 0x0004);
  Open();
  Click("ChkStoretoFlash");
  Click("cmdMSC_CTRL");
  EXPECT_EQ(device.Writes(kMiscCtrl), std::vector<uint16_t>{0x0804});
  EXPECT_TRUE(sim.notifier.texts.isEmpty());

  // A sensor that does not answer (all ones): nothing is written, and the step says so.
  device.Set(kMiscCtrl, 0xFFFF);
  device.ClearSent();
  Click("cmdMSC_CTRL");
  EXPECT_TRUE(device.Writes(kMiscCtrl).empty());
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_TRUE(sim.notifier.texts.last().contains("MISC_CTRL"));

  // The card loses the read: it says so itself, once, and nothing is written.
  sim.notifier.texts.clear();
  sim.usb.FailNextBulkRead(0);
  Click("cmdMSC_CTRL");
  EXPECT_TRUE(device.Writes(kMiscCtrl).empty());
  EXPECT_EQ(sim.notifier.texts.size(), 1);
}

class FrmCaptConfigArmedTest : public FrmCaptConfigTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(FrmCaptConfigArmedTest, StepsWhileArmedOnlySaySo) {
  Open();
  Click("Option_A1");
  sim.session->capture.MarkArmed();
  Click(GetParam());
  EXPECT_EQ(sim.notifier.texts, QStringList{ConfigWhileArmedMessage()});
  EXPECT_TRUE(device.sent().empty());
  EXPECT_EQ(sim.session->capture.CaptTrigSelect, 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, FrmCaptConfigArmedTest,
                         ::testing::Values("cmdCapt_CFG", "cmdTrig_Mag", "cmdALM_CTRL",
                                           "cmdMSC_CTRL"));

}  // namespace
}  // namespace talvix::capture
