// SPDX-License-Identifier: MIT
// The calibration window on a simulated USB card whose SPI line goes to a register file, so the
// words it reads and writes are exact.
#include "calibration/ui/fmCalibration.h"

#include "support/ui/tool_window_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talvix::calibration {
namespace {

using test::DefaultLocale;

using registers::kCommand;
using registers::kXAcclNull;
using registers::kXAccScale;
using registers::kYAcclNull;
using registers::kYAccScale;
using Words = std::vector<uint16_t>;

// Byte addresses of XACCL_NULL, YACCL_NULL, XACC_SCALE, YACC_SCALE.
const std::vector<int> kAllFourRead = {0x10, 0x12, 0x14, 0x16};

class FmCalibrationTest : public test::ToolWindowTest<fmCalibration> {
 protected:
  QString Box(const std::string& name) const { return Text(name); }
  QString Label(const std::string& name) const { return Text(name); }
  QStringList Rows() const {
    return {Box("txtXoffset"),   Box("txtYoffset"),   Box("txtXscale"),   Box("txtYscale"),
            Label("lblXoffset"), Label("lblYoffset"), Label("lblXscale"), Label("lblYscale")};
  }
  void UpdateAll() {
    for (const char* row : {"Xoffset", "Yoffset", "Xscale", "Yscale"})
      Click(std::string("cmdCal_") + row);
  }
  void SetAll(uint16_t x_null, uint16_t y_null, uint16_t x_scale, uint16_t y_scale) {
    device.Set(kXAcclNull, x_null);
    device.Set(kYAcclNull, y_null);
    device.Set(kXAccScale, x_scale);
    device.Set(kYAccScale, y_scale);
  }
};

struct UpdateCase {
  const char* row;  // "Xoffset": box txtXoffset, button cmdCal_Xoffset, label lblXoffset
  int16_t index;
  const char* typed;
  uint16_t word;      // written
  const char* shown;  // in the box afterwards
  const char* hex;    // read back
};

class FmCalibrationUpdateTest : public FmCalibrationTest,
                                public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(FmCalibrationUpdateTest, UpdateWritesTheCodeShowsItAndReadsItBack) {
  const UpdateCase& c = GetParam();
  const std::string row = c.row;
  Open();
  Type("txt" + row, QString::fromLatin1(c.typed));
  const int64_t waited = sim.delay->total_units;
  Click("cmdCal_" + row);
  EXPECT_EQ(device.Writes(c.index), Words{c.word});
  EXPECT_EQ(device.ReadAddresses(), std::vector<int>{kAllFourRead[c.index - kXAcclNull]});
  EXPECT_GE(sim.delay->total_units - waited, 30000);  // 300 ms before the read-back
  EXPECT_EQ(Box("txt" + row), c.shown);
  EXPECT_EQ(Label("lbl" + row), c.hex);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, FmCalibrationUpdateTest,
    ::testing::Values(UpdateCase{"Xoffset", kXAcclNull, "1", 0x003A, "0.99324996", "3A"},
                      UpdateCase{"Xoffset", kXAcclNull, "-100", 0xF800, "-35.0719986", "F800"},
                      UpdateCase{"Yoffset", kYAcclNull, "17.5", 0x07FF, "17.20912993", "7FF"},
                      UpdateCase{"Yoffset", kYAcclNull, "-17.5", 0xF800, "-17.21753693", "F800"},
                      UpdateCase{"Xoffset", kXAcclNull, "", 0, "0.0", "0"},
                      UpdateCase{"Yscale", kYAccScale, "", 0, "0", "0"},
                      // The scale registers read back 12 bits, unsigned.
                      UpdateCase{"Xscale", kXAccScale, "-1", 0xFFC6, "-0.993249960243702", "FC6"}));

struct CommandCase {
  const char* button;
  uint16_t command;
  int64_t wait_units;
  bool refreshes;
};

class FmCalibrationCommandTest : public FmCalibrationTest,
                                 public ::testing::WithParamInterface<CommandCase> {};

TEST_P(FmCalibrationCommandTest, RunWritesTheCommandWaitsAndRefreshesOrSaysDone) {
  const CommandCase& c = GetParam();
  Open();
  SetAll(0x003A, 0xFFF0, 100, 0x0FFF);  // what the command leaves in the device
  const int64_t waited = sim.delay->total_units;
  Click(c.button);
  EXPECT_EQ(device.Writes(kCommand), Words{c.command});
  EXPECT_GE(sim.delay->total_units - waited, c.wait_units);
  if (c.refreshes) {
    EXPECT_EQ(device.ReadAddresses(), kAllFourRead);
    EXPECT_EQ(Rows(), (QStringList{"0.99325", "-0.134512", "1.7125", "34.42667", "3A", "FFF0", "64",
                                   "FFF"}));
    EXPECT_TRUE(sim.notifier.texts.isEmpty());
  } else {
    EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x3C, 0x3C}));  // STATUS, no refresh
    EXPECT_EQ(Box("txtXoffset"), "0.0");
    EXPECT_EQ(sim.notifier.texts, QStringList{FlashMessage(link::FlashOutcome::kStored)});
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, FmCalibrationCommandTest,
                         ::testing::Values(CommandCase{"cmdAutoNull", 1, 25000, true},
                                           CommandCase{"cmdFactoryCal", 2, 25000, true},
                                           CommandCase{"cmdFlashUpdate", 8, 20000, false}));

TEST_F(FmCalibrationTest, SilentSensorInventsNothingAndWritesNothingUntouched) {
  SetAll(0x003A, 0xFFF0, 100, 0);
  answering = false;
  Open();
  EXPECT_EQ(sim.notifier.texts, QStringList{ReadFailedMessage()});
  EXPECT_EQ(Rows(), QStringList(8));

  UpdateAll();
  EXPECT_TRUE(device.sent().empty());
  EXPECT_EQ(sim.notifier.texts.size(), 5);

  // A typed value is written; its read-back is not shown.
  sim.notifier.texts.clear();
  Type("txtXoffset", "1");
  Click("cmdCal_Xoffset");
  EXPECT_EQ(device.Writes(kXAcclNull), Words{0x003A});
  EXPECT_EQ(Label("lblXoffset"), "");
  EXPECT_EQ(sim.notifier.texts, QStringList{ReadBackFailedMessage(CalRow::kXOffset)});

  // Once the sensor answers, the window works as usual.
  answering = true;
  sim.notifier.texts.clear();
  Click("cmdAutoNull");
  EXPECT_EQ(Rows(), (QStringList{"0.99325", "-0.134512", "1.7125", "0", "3A", "FFF0", "64", "0"}));
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
}

TEST_F(FmCalibrationTest, RefreshThatIsNotAnsweredKeepsTheRowsAndSaysSoOnce) {
  SetAll(0x003A, 0xFFF0, 100, 0);
  Open();
  const QStringList loaded = Rows();
  answering = false;
  Click("cmdFactoryCal");
  EXPECT_EQ(Rows(), loaded);
  EXPECT_EQ(sim.notifier.texts, QStringList{ReadFailedMessage()});

  // A card that fails has said so itself: no second message.
  answering = true;
  sim.notifier.texts.clear();
  sim.usb.FailNextBulkRead(0);
  Click("cmdAutoNull");
  EXPECT_EQ(Rows(), loaded);
  EXPECT_EQ(sim.notifier.texts.size(), 1);
}

TEST_F(FmCalibrationTest, DecimalCommaBoxesRoundTrip) {
  const DefaultLocale german(QLocale(QLocale::German));
  SetAll(0x003A, 0xFFF0, 100, 0);
  Open();
  EXPECT_EQ(Box("txtXoffset"), "0,99325");
  UpdateAll();
  EXPECT_EQ(device.Writes(kXAcclNull), Words{0x003A});
  EXPECT_EQ(device.Writes(kYAcclNull), Words{0xFFF0});
  EXPECT_EQ(device.Writes(kXAccScale), Words{100});
  EXPECT_EQ(device.Writes(kYAccScale), Words{0});
  EXPECT_EQ(Box("txtXoffset"), "0,99324996");

  // The text a write left behind goes back as the same code too.
  device.ClearSent();
  Click("cmdCal_Xoffset");
  EXPECT_EQ(device.Writes(kXAcclNull), Words{0x003A});
}

// The simulated sensor, whose flash file cannot be written, reports the failed store in STATUS.
TEST(FmCalibrationFlashFailureTest, AFailedStoreIsReportedAndNeverCalledStored) {
  test::SimSession sim;
  EXPECT_EQ(test::FailedFlashStoreMessages<fmCalibration>(sim, "cmdFlashUpdate"),
            QStringList{FlashMessage(link::FlashOutcome::kFlashFailed)});
}

}  // namespace
}  // namespace talvix::calibration
