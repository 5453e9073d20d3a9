// SPDX-License-Identifier: MIT
// The operational control window on a simulated USB card whose SPI line goes to a register file,
// so the words it loads from and the words it writes are exact.
#include "operation/ui/frmOperationalControl.h"

#include "support/ui/tool_window_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace talvix::operation {
namespace {

using test::DefaultLocale;

using registers::kAuxDac;
using registers::kCommand;
using registers::kGpioCtrl;
using registers::kMiscCtrl;
using registers::kSmplPrd;
using registers::kStatus;

constexpr const char* kOptions[] = {"optIO_zero_input", "optIO_zero_output",  "optIO_one_input",
                                    "optIO_one_output", "optPol_zero_high",   "optPol_zero_low",
                                    "optPol_one_high",  "optPol_one_low",     "optDRselect_Zero",
                                    "optDRselect_One",  "optDRPolarity_High", "optDRPolarity_Low",
                                    "optDREnable_On",   "optDREnable_Off"};

class FrmOperationalControlTest : public test::ToolWindowTest<frmOperationalControl> {
 protected:
  FrmOperationalControlTest() {
    device.Set(kSmplPrd, 0x83);
    device.Set(kGpioCtrl, 0x0101);
    device.Set(kMiscCtrl, 0x0105);
    device.Set(kAuxDac, 0x7FF);
  }

  bool AnswersAllOnes(uint16_t sent) override {
    if ((sent & 0x8000) != 0 && silent_after_write) answering = false;
    return !answering;
  }

  QString Caption(const char* label) const { return Text(label); }
  std::vector<std::string> CheckedOptions() const {
    std::vector<std::string> checked;
    for (const char* name : kOptions) {
      if (Checked(name)) checked.emplace_back(name);
    }
    return checked;
  }
  bool AnyWriteSent() const {
    return std::any_of(device.sent().begin(), device.sent().end(),
                       [](uint16_t frame) { return (frame & 0x8000) != 0; });
  }

  bool silent_after_write = false;  // true: the sensor falls silent after the next write frame
};

TEST_F(FrmOperationalControlTest, LoadShowsTheDeviceAndWritesNothing) {
  window = std::make_unique<frmOperationalControl>(*sim.session);
  EXPECT_FALSE(AnyWriteSent());
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x36, 0x32, 0x34, 0x30}));
  EXPECT_EQ(Text("txtSampleRate"), "66.1");
  EXPECT_EQ(Caption("lblSmpl_Prd"), "83");
  EXPECT_EQ(Text("txtVolts"), "1.2496947");
  EXPECT_EQ(Caption("lblAuxDac"), "7FF");
  EXPECT_EQ(CheckedOptions(),
            (std::vector<std::string>{"optIO_zero_output", "optIO_one_input", "optPol_zero_high",
                                      "optPol_one_low", "optDRselect_One", "optDRPolarity_Low",
                                      "optDREnable_On"}));
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

struct ClickCase {
  int16_t index;
  uint16_t word;
  std::vector<const char*> clicks;
  std::vector<uint16_t> written;
};

class FrmOperationalControlClickTest : public FrmOperationalControlTest,
                                       public ::testing::WithParamInterface<ClickCase> {};

TEST_P(FrmOperationalControlClickTest, EachClickRewritesOnlyItsBitsOfTheWordRead) {
  const ClickCase& c = GetParam();
  device.Set(c.index, c.word);
  Open();
  for (const char* name : c.clicks) Click(name);
  EXPECT_EQ(device.Writes(c.index), c.written);
  EXPECT_TRUE(device.Writes(c.index == kMiscCtrl ? kGpioCtrl : kMiscCtrl).empty());
  // Read, write, 100 ms, read back: two reads per click.
  EXPECT_EQ(device.ReadAddresses().size(), 2 * c.clicks.size());
  EXPECT_GE(sim.delay->total_units, static_cast<int64_t>(c.clicks.size()) * 10000);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Options, FrmOperationalControlClickTest,
    ::testing::Values(
        // The self-test bit (8) stays on.
        ClickCase{kMiscCtrl,
                  0x0100,
                  {"optDRselect_One", "optDRPolarity_High", "optDREnable_On"},
                  {0x0101, 0x0103, 0x0107}},
        ClickCase{kMiscCtrl,
                  0x0907,
                  {"optDRselect_Zero", "optDRPolarity_Low", "optDREnable_Off"},
                  {0x0906, 0x0904, 0x0900}},
        ClickCase{kGpioCtrl, 0x0101, {"optIO_one_output", "optPol_zero_low"}, {0x0103, 0x0003}}));

struct UpdateCase {
  const char* box;
  const char* button;
  const char* typed;
  int16_t index;
  uint16_t code;
  std::vector<uint16_t> commands;
  const char* shown;
  const char* label;
  const char* contents;
};

class FrmOperationalControlUpdateTest : public FrmOperationalControlTest,
                                        public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(FrmOperationalControlUpdateTest, WritesTheTypedValueAndShowsTheReadBack) {
  const UpdateCase& c = GetParam();
  Open();
  Find<QLineEdit>(c.box)->setText(QString::fromLatin1(c.typed));
  Click(c.button);
  EXPECT_EQ(device.Writes(c.index), std::vector<uint16_t>{c.code});
  EXPECT_EQ(device.Writes(kCommand), c.commands);
  EXPECT_EQ(device.ReadAddresses().back(), 0x30 + 2 * (c.index - kAuxDac));
  EXPECT_EQ(Text(c.box), c.shown);
  EXPECT_EQ(Caption(c.label), c.contents);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FrmOperationalControlUpdateTest,
    ::testing::Values(
        UpdateCase{"txtSampleRate",
                   "cmdWriteSmpl_prd",
                   "63.9",
                   kSmplPrd,
                   0x83,
                   {},
                   "66.1",
                   "lblSmpl_Prd",
                   "83"},
        UpdateCase{"txtSampleRate",
                   "cmdWriteSmpl_prd",
                   "",
                   kSmplPrd,
                   0x01,
                   {},
                   "4096.0",
                   "lblSmpl_Prd",
                   "1"},
        UpdateCase{"txtVolts",
                   "cmdWriteAuxDac",
                   "1.25",
                   kAuxDac,
                   0x7FF,
                   {4},
                   "1.2496947",
                   "lblAuxDac",
                   "7FF"},
        UpdateCase{"txtVolts", "cmdWriteAuxDac", "abc", kAuxDac, 0, {4}, "0.0", "lblAuxDac", "0"},
        UpdateCase{
            "txtVolts", "cmdWriteAuxDac", "3", kAuxDac, 0xFFF, {4}, "2.5", "lblAuxDac", "FFF"}));

TEST_F(FrmOperationalControlTest, SilentSensorGivesOneMessageInventsNothingAndGetsNoWrite) {
  answering = false;
  Open();
  EXPECT_EQ(sim.notifier.texts, QStringList{LoadNotAnsweredMessage()});
  EXPECT_EQ(Text("txtSampleRate"), "");
  EXPECT_EQ(Caption("lblSmpl_Prd"), "");
  EXPECT_EQ(Text("txtVolts"), "");
  EXPECT_EQ(Caption("lblAuxDac"), "");
  EXPECT_TRUE(CheckedOptions().empty());

  const std::vector<const char*> presses = {"cmdWriteSmpl_prd", "cmdWriteAuxDac", "optDREnable_On",
                                            "optIO_zero_output", "cmdFlash"};
  for (const char* name : presses) Click(name);
  EXPECT_FALSE(AnyWriteSent());
  EXPECT_EQ(sim.notifier.texts.size(), 1 + static_cast<qsizetype>(presses.size()));
  EXPECT_EQ(sim.notifier.texts[1], NotWrittenMessage(QStringLiteral("SMPL_PRD")));
  EXPECT_TRUE(CheckedOptions().empty());  // a click that was not written is undone
  EXPECT_TRUE(window->isEnabled());
}

TEST_F(FrmOperationalControlTest, WriteWithoutReadBackSaysSoAndShowsNoValue) {
  Open();
  silent_after_write = true;
  Find<QLineEdit>("txtSampleRate")->setText(QStringLiteral("10"));
  Click("cmdWriteSmpl_prd");
  EXPECT_EQ(device.Writes(kSmplPrd), std::vector<uint16_t>{0x99});
  EXPECT_EQ(Text("txtSampleRate"), "10");
  EXPECT_EQ(Caption("lblSmpl_Prd"), "83");
  EXPECT_EQ(sim.notifier.texts, QStringList{NotReadBackMessage(QStringLiteral("SMPL_PRD"))});
}

TEST_F(FrmOperationalControlTest, DecimalCommaBoxesRoundTripAndTypedCommasAreRead) {
  const DefaultLocale german(QLocale(QLocale::German));
  Open();
  EXPECT_EQ(Text("txtSampleRate"), "66,1");
  EXPECT_EQ(Text("txtVolts"), "1,2496947");
  Click("cmdWriteSmpl_prd");
  Click("cmdWriteAuxDac");
  Click("cmdWriteAuxDac");
  EXPECT_EQ(device.Writes(kSmplPrd), std::vector<uint16_t>{0x83});
  EXPECT_EQ(device.Writes(kAuxDac), (std::vector<uint16_t>{0x7FF, 0x7FF}));

  Find<QLineEdit>("txtSampleRate")->setText(QStringLiteral("99,9"));
  Click("cmdWriteSmpl_prd");
  EXPECT_EQ(device.Writes(kSmplPrd), (std::vector<uint16_t>{0x83, 0x51}));
  EXPECT_EQ(Text("txtSampleRate"), "99,9");
}

struct FlashCase {
  uint16_t status;
  link::FlashOutcome outcome;
};

class FrmOperationalControlFlashTest : public FrmOperationalControlTest,
                                       public ::testing::WithParamInterface<FlashCase> {};

TEST_P(FrmOperationalControlFlashTest, StoreSendsCommand8AndSaysHowItWent) {
  device.Set(kStatus, GetParam().status);
  Open();
  Click("cmdFlash");
  EXPECT_EQ(device.Writes(kCommand), std::vector<uint16_t>{8});
  EXPECT_GE(sim.delay->total_units, 20000);
  EXPECT_EQ(sim.notifier.texts, QStringList{FlashMessage(GetParam().outcome)});
}

INSTANTIATE_TEST_SUITE_P(Status, FrmOperationalControlFlashTest,
                         ::testing::Values(FlashCase{0x0000, link::FlashOutcome::kStored},
                                           FlashCase{0x0004, link::FlashOutcome::kUnconfirmed}));

// The simulated sensor, whose flash file cannot be written, reports the failed store in STATUS.
TEST(FrmOperationalControlFlashFailureTest, AFailedStoreIsReportedAndNeverCalledStored) {
  test::SimSession sim;
  EXPECT_EQ(test::FailedFlashStoreMessages<frmOperationalControl>(sim, "cmdFlash"),
            QStringList{FlashMessage(link::FlashOutcome::kFlashFailed)});
}

}  // namespace
}  // namespace talvix::operation
