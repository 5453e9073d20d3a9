// SPDX-License-Identifier: MIT
// The simulated sensor's behaviour, seen as the program sees it: through register reads and
// writes over the simulated parallel port (and, for the capture, the simulated USB card).
#include "sim/sim_sensor.h"

#include "registers/value_conversion.h"
#include "support/sim_session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace talvix::sim {
namespace {

using namespace registers;
using test::SimSession;
using test::SimWiring;

constexpr double kXStep = 0.017125;  // g per XACCL code

// An ALM_MAGn word as the alarm and capture windows build it: the level's code in the source's
// code space, its low 14 bits, and bit 15 for "greater than".
uint16_t MagnitudeWord(const SimSession& s, int16_t source, const char* level, bool greater) {
  QString text = QString::fromLatin1(level);
  const std::optional<double> code = UnitsToRaw(s.session->table, source, text);
  return AlmMagWord(static_cast<int32_t>(std::lrint(code.value_or(0))), greater);
}

// No tilt, vibration or noise: the sensor measures exactly what the test applies. The peaks
// of the power-up sample, taken before, are reset.
void MakeQuiet(SimSession& s) {
  s.sensor.SetTilt(0);
  s.sensor.SetVibration(0, 0);
  s.sensor.SetNoise(0);
  s.Command(kCommandResetPeaks);
  s.Advance(0.001);
}

class CaptureOverEitherInterface : public ::testing::TestWithParam<SimWiring> {};

TEST_P(CaptureOverEitherInterface, XAboveTwoGTriggersOnAShockAfterThePreTriggerSamples) {
  SimSession s(7, GetParam());
  ASSERT_TRUE(s.setup_error.isEmpty()) << s.setup_error.toStdString();
  s.sensor.SetVibration(0, 0);  // tilt and noise stay: the quiet part reads well below 2 g

  s.Write(kCaptCfg, 0x3257);  // buffer 0 X, buffer 1 Y, 32 samples before the trigger, 128 long
  s.Write(kAlmCtrl, 0x3200);  // comparator 1 watches X, comparator 2 Y
  s.Write(kAlmMag1, MagnitudeWord(s, kSourceX, "2", true));
  s.Write(kAlmMag2, MagnitudeWord(s, kSourceY, "-50", false));
  // Arm as the main window does: COMMAND 0x0100, then the trigger selection into ALM_CTRL.
  s.Command(kCommandPrepareCapture);
  s.Write(kAlmCtrl, (s.Read(kAlmCtrl) & ~kAlmCtrlTriggerBits) | kAlmCtrlTrigger1);
  EXPECT_EQ(s.Read(kStatus) & (kStatusCaptureArmed | kStatusAlarm1 | kStatusCaptureTriggered),
            kStatusCaptureArmed);

  s.sensor.AddShock({s.clock.monotonic + 0.05, 3.0, 0.0, 0.004});  // passes 2 g in 0.9 ms
  s.Advance(0.04);
  EXPECT_EQ(s.Read(kStatus) & (kStatusAlarm1 | kStatusCaptureTriggered), 0);
  s.Advance(0.1);
  const int32_t status = s.Read(kStatus);
  EXPECT_TRUE(status & kStatusAlarm1);
  EXPECT_TRUE(status & kStatusCaptureTriggered);
  EXPECT_TRUE(status & kStatusCaptureFull);
  EXPECT_FALSE(status & kStatusCaptureArmed);
  EXPECT_EQ(s.Read(kAlmCtrl), 0x3200) << "the trigger ends the arming, so Arm arms again";

  std::vector<double> x_g;
  std::vector<double> y_g;
  for (int pointer = 1; pointer <= 128; ++pointer) {
    s.Write(kCaptPntr, pointer);
    EXPECT_TRUE(s.ReadWord(kCaptBuf0) & 0x8000) << "pointer " << pointer << " holds a sample";
    x_g.push_back(s.link().RegRaw * kXStep);
    y_g.push_back(s.Read(kCaptBuf1) * 0.008407);
  }
  // 32 pre-trigger samples span 7.8 ms: the earlier ones show the part at rest, the later ones
  // the shock's rise, all of them below the 2 g level.
  for (int i = 0; i < 32; ++i) {
    EXPECT_LT(x_g[i], 2.0) << "pre-trigger sample " << i + 1;
    if (i < 24) {
      EXPECT_LT(std::abs(x_g[i]), 1.2) << "sample " << i + 1 << " is before the shock";
    }
    EXPECT_LT(std::abs(y_g[i]), 1.2);
  }
  EXPECT_GT(x_g[32], 2.0) << "the trigger sample follows the pre-trigger samples";
  EXPECT_GT(*std::max_element(x_g.begin(), x_g.end()), 2.8);
  EXPECT_LT(std::abs(x_g[127]), 1.2) << "the shock is over by the end of the buffer";
  s.Write(kCaptPntr, 129);
  EXPECT_EQ(s.ReadWord(kCaptBuf0), 0) << "nothing past the buffer's length";
}

INSTANTIATE_TEST_SUITE_P(Wiring, CaptureOverEitherInterface,
                         ::testing::Values(SimWiring::kParallelPort, SimWiring::kUsbCard));

TEST(SimSensorTest, AutoNullBringsTheOutputsToZeroAndFactoryCalibrationUndoesIt) {
  SimSession s(3);
  s.sensor.SetVibration(0, 0);
  s.Advance(2.0);
  s.Write(kXAcclNull, 200);
  s.Write(kYAcclNull, -300);
  EXPECT_GT(std::abs(s.Read(kXAccl)) + std::abs(s.Read(kYAccl)), 100);

  s.Command(kCommandAutoNull);
  EXPECT_LE(std::abs(s.Read(kXAccl)), 2);
  EXPECT_LE(std::abs(s.Read(kYAccl)), 2);
  EXPECT_LE(s.Read(kRssXy), 2);
  s.Advance(0.01);
  EXPECT_LE(std::abs(s.Read(kXAccl)), 2) << "the null holds for the following samples";

  s.Command(kCommandFactoryCalibration);
  EXPECT_EQ(s.Read(kXAcclNull), 0);
  EXPECT_EQ(s.Read(kYAcclNull), 0);
  EXPECT_EQ(s.Read(kXAccScale), 0x800);
  EXPECT_EQ(s.Read(kYAccScale), 0x800);
}

TEST(SimSensorTest, SelfTestNullAndScaleShapeTheOutputCodes) {
  SimSession s;
  MakeQuiet(s);
  EXPECT_EQ(s.Read(kXAccl), 0);
  s.Write(kMiscCtrl, 0x0100);     // self-test: +0.5 g on both axes
  EXPECT_EQ(s.Read(kXAccl), 29);  // 0.5 / 0.017125 = 29.2
  EXPECT_EQ(s.Read(kYAccl), 59);  // 0.5 / 0.008407 = 59.5
  s.Write(kXAccScale, 0x0C00);    // gain 1.5
  s.Write(kXAcclNull, -100);
  EXPECT_EQ(s.Read(kXAccl), 44 - 100);  // 29.2 x 1.5 = 43.8
  s.Write(kMiscCtrl, 0x0000);
  EXPECT_EQ(s.Read(kXAccl), -100);
  EXPECT_EQ(s.Read(kRssXy), std::lround(100 * kXStep / kXStep));
}

TEST(SimSensorTest, PeaksFollowTheMotionAndReset) {
  SimSession s;
  MakeQuiet(s);
  s.sensor.AddShock({s.clock.monotonic + 0.01, -4.0, 1.5, 0.02});
  s.Advance(0.05);
  EXPECT_NEAR(s.ReadValue(kXPeak), -4.0, 0.03);
  EXPECT_NEAR(s.ReadValue(kYPeak), 1.5, 0.02);
  EXPECT_NEAR(s.ReadValue(kRssPeak), std::hypot(4.0, 1.5), 0.03);
  EXPECT_EQ(s.Read(kXAccl), 0) << "the shock is over";

  s.Command(kCommandResetPeaks);
  EXPECT_EQ(s.Read(kXPeak), 0);
  EXPECT_EQ(s.Read(kRssPeak), 0);
  s.sensor.SetVibration(0.1, 7.0);
  s.Advance(0.2);  // more than one vibration period
  EXPECT_NEAR(std::abs(s.ReadValue(kXPeak)), 0.1, 0.02);
  EXPECT_NEAR(s.ReadValue(kRssPeak), 0.1, 0.02);
}

TEST(SimSensorTest, SleepStopsTheAnswersAndTheSamplingForItsTime) {
  SimSession s;
  MakeQuiet(s);
  s.Write(kSlpCnt, 3);  // 1.5 s
  EXPECT_TRUE(s.sensor.Asleep());
  EXPECT_EQ(s.ReadWord(kStatus), 0xFFFF);
  EXPECT_EQ(s.ReadWord(kXAccl), 0xFFFF);
  s.Write(kAlmMag1, 0x1234);
  s.sensor.AddShock({s.clock.monotonic + 0.5, 5.0, 0.0, 0.05});
  s.Advance(1.4);
  EXPECT_EQ(s.ReadWord(kSupply), 0xFFFF);

  s.Advance(0.2);
  EXPECT_FALSE(s.sensor.Asleep());
  EXPECT_NEAR(s.ReadValue(kSupply), 3.3, 0.002);
  EXPECT_EQ(s.Read(kAlmMag1), 0) << "writes are ignored while asleep";
  EXPECT_EQ(s.Read(kXPeak), 0) << "no samples were taken of the shock during the sleep";
}

TEST(SimSensorTest, AlarmsLatchUntilClearedAndMarkTheOutputs) {
  SimSession s;
  MakeQuiet(s);
  s.Write(kAlmCtrl, 0x8200);  // comparator 1 on X, comparator 2 on RSS
  s.Write(kAlmMag1, MagnitudeWord(s, kSourceX, "1.5", true));
  s.Write(kAlmMag2, MagnitudeWord(s, kSourceRss, "2.5", true));
  s.Advance(0.01);
  EXPECT_EQ(s.Read(kStatus) & (kStatusAlarm1 | kStatusAlarm2), 0);
  EXPECT_FALSE(s.ReadWord(kXAccl) & kErrorFlag);

  s.sensor.AddShock({s.clock.monotonic + 0.01, 2.0, 0.0, 0.02});
  s.Advance(0.05);
  EXPECT_EQ(s.Read(kStatus) & (kStatusAlarm1 | kStatusAlarm2), kStatusAlarm1);
  s.Advance(1.0);
  EXPECT_EQ(s.Read(kXAccl), 0);
  EXPECT_TRUE(s.Read(kStatus) & kStatusAlarm1) << "latched after the shock is over";
  EXPECT_TRUE(s.ReadWord(kXAccl) & kErrorFlag);

  s.Command(kCommandClearAlarms);
  EXPECT_EQ(s.Read(kStatus) & kStatusAlarm1, 0);
  EXPECT_FALSE(s.ReadWord(kYAccl) & kErrorFlag);

  // The comparators watch the calibrated outputs: a null of -0.69 g takes X below -0.5 g.
  s.Write(kAlmMag1, MagnitudeWord(s, kSourceX, "-0.5", false));
  s.Write(kXAcclNull, -40);
  EXPECT_EQ(s.Read(kStatus) & kStatusAlarm1, 0) << "not before the next sample";
  s.Advance(0.001);
  EXPECT_TRUE(s.Read(kStatus) & kStatusAlarm1);
}

TEST(SimSensorTest, ComparatorsWorkInTheSourcesCodeSpaceAndSupplyFlagsFollowTheSupply) {
  SimSession s;
  MakeQuiet(s);
  // Temperature codes fall as it warms: "greater than" the code of 30 degC trips at 25 degC.
  s.Write(kAlmCtrl, 0x1500);  // comparator 1 on temperature, comparator 2 on the supply
  s.Write(kAlmMag1, MagnitudeWord(s, kSourceTemperature, "30", true));
  s.Write(kAlmMag2, MagnitudeWord(s, kSourceSupply, "3.0", false));
  s.Advance(0.01);
  EXPECT_EQ(s.Read(kStatus) & (kStatusAlarm1 | kStatusAlarm2), kStatusAlarm1);
  s.sensor.ForceSupply(2.9);
  s.Advance(0.01);
  EXPECT_EQ(s.Read(kStatus) & (kStatusAlarm2 | kStatusSupplyLow), kStatusAlarm2 | kStatusSupplyLow);
  EXPECT_NEAR(s.ReadValue(kSupply), 2.9, 0.001);
  s.sensor.ForceSupply(3.9);
  s.Advance(0.01);
  EXPECT_EQ(s.Read(kStatus) & (kStatusSupplyLow | kStatusSupplyHigh), kStatusSupplyHigh)
      << "the supply flags are live";
}

TEST(SimSensorTest, ProductRegistersAnswerOnlyAfterTheKeyCodeUnlock) {
  SimSession s;
  for (int16_t index : {kRevDate, kMonthYear, kProductId}) EXPECT_EQ(s.Read(index), 0);
  s.Write(kKeyCode, 0x05A8);
  EXPECT_EQ(s.Read(kProductId), 0) << "a wrong key leaves them locked";

  s.Write(kKeyCode, 0x05A7);
  EXPECT_EQ(s.Read(kRevDate), kIdentRevDate);
  EXPECT_EQ(s.Read(kMonthYear), kIdentMonthYear);
  EXPECT_EQ(s.Read(kProductId), kIdentProductId);
  s.Write(kProductId, 0);  // as the about window ends its read-out
  EXPECT_EQ(s.Read(kProductId), 0);
  EXPECT_EQ(s.Read(kStatus) & kStatusWriteRejected, 0);
}

TEST(SimSensorTest, OutputsChangeOnlyAtTheSampleInstantsThatSmplPrdSets) {
  SimSession s;
  s.Write(kSmplPrd, 0xFF);  // 3.784 ms x 128 = 0.484 s
  const uint16_t first = s.ReadWord(kXAccl);
  EXPECT_TRUE(first & kNewDataFlag);
  EXPECT_EQ(s.ReadWord(kXAccl), first & ~kNewDataFlag) << "no new sample, same code";
  s.Advance(0.48);
  EXPECT_FALSE(s.ReadWord(kXAccl) & kNewDataFlag);
  s.Advance(0.01);
  EXPECT_TRUE(s.ReadWord(kXAccl) & kNewDataFlag);
  EXPECT_TRUE(s.ReadWord(kYAccl) & kNewDataFlag) << "each register has its own flag";
}

TEST(SimSensorTest, AuxAdcReadsTheDacOnceCommandFourTakesTheCode) {
  SimSession s;
  s.sensor.SetNoise(0);
  s.Write(kAuxDac, 0x7FF);  // 1.2497 V
  EXPECT_EQ(s.Read(kAuxAdc), 0);
  s.Command(kCommandUpdateDac);
  EXPECT_EQ(s.Read(kAuxAdc), 205);  // 1.2497 V / 0.0061 V per code
  EXPECT_EQ(s.Read(kAuxDac), 0x7FF);
}

TEST(SimSensorTest, FlashKeepsTheSettingsThroughAPowerCycle) {
  SimSession s;
  s.Write(kXAcclNull, -16);
  s.Write(kSmplPrd, 0x81);
  s.Write(kAlmCtrl, 0x3206);
  s.Write(kAuxDac, 0x400);
  s.Command(kCommandStoreFlash);
  EXPECT_EQ(s.Read(kEndurance), 1);
  s.Write(kXAcclNull, 5);
  s.Write(kCaptPntr, 9);

  s.sensor.PowerCycle();
  EXPECT_EQ(s.Read(kXAcclNull), -16);
  EXPECT_EQ(s.Read(kSmplPrd), 0x81);
  EXPECT_EQ(s.Read(kAlmCtrl), 0x3206);
  EXPECT_EQ(s.Read(kCaptPntr), 0) << "not a stored register";
  EXPECT_NEAR(s.ReadValue(kAuxAdc), 0x400 / 4095.0 * 2.5, 0.02) << "the DAC powers up with it";
  EXPECT_EQ(s.Read(kEndurance), 1);
}

TEST(SimSensorTest, FlashFileCarriesTheSettingsToTheNextRun) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sensor_flash.txt"));
  {
    SimSession first;
    QString error;
    EXPECT_TRUE(first.sensor.SetFlashFile(path, &error)) << "no file yet is no error";
    first.Write(kYAccScale, 0x0900);
    first.Command(kCommandStoreFlash);
    EXPECT_TRUE(first.sensor.flash_error().isEmpty());
  }
  SimSession next;
  EXPECT_EQ(next.Read(kYAccScale), 0x0800);
  EXPECT_TRUE(next.sensor.SetFlashFile(path));
  EXPECT_EQ(next.Read(kYAccScale), 0x0900);
  EXPECT_EQ(next.Read(kEndurance), 1);
}

TEST(SimSensorTest, CorruptFlashFileIsIgnored) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sensor_flash.txt"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("\x01\x02 not a flash file");
  file.close();

  SimSession s;
  s.Write(kXAcclNull, 0x123);
  QString error;
  EXPECT_FALSE(s.sensor.SetFlashFile(path, &error));
  EXPECT_TRUE(error.contains(path));
  EXPECT_EQ(s.sensor.flash_error(), error);
  EXPECT_EQ(s.Read(kXAcclNull), 0) << "powered up on the factory values";
  EXPECT_EQ(s.Read(kXAccScale), 0x800);
}

TEST(SimSensorTest, FailedFlashStoreIsReportedAndChangesNothing) {
  QTemporaryDir dir;
  SimSession s;
  ASSERT_TRUE(s.sensor.SetFlashFile(dir.filePath(QStringLiteral("missing/folder/flash.txt"))));
  s.Write(kXAcclNull, 7);
  s.Command(kCommandStoreFlash);
  EXPECT_TRUE(s.Read(kStatus) & kStatusFlashStoreFailed);
  EXPECT_FALSE(s.sensor.flash_error().isEmpty());
  EXPECT_EQ(s.Read(kEndurance), 0);
  s.sensor.PowerCycle();
  EXPECT_EQ(s.Read(kXAcclNull), 0) << "the failed store left the flash as it was";
  s.Command(kCommandStoreFlash);
  s.Command(kCommandClearAlarms);
  EXPECT_EQ(s.Read(kStatus) & kStatusFlashStoreFailed, 0);
}

TEST(SimSensorTest, SilentPartReadsAllOnesAndIgnoresWrites) {
  SimSession s;
  s.sensor.SetAnswering(false);
  EXPECT_EQ(s.ReadWord(kAlmCtrl), 0xFFFF);
  EXPECT_EQ(s.Read(kAlmCtrl) >> 8 & 0xF, 15) << "what the windows take for no device";
  s.Write(kAlmCtrl, 0x0200);
  s.sensor.SetAnswering(true);
  EXPECT_EQ(s.Read(kAlmCtrl), 0);
}

TEST(SimSensorTest, WritesToRegistersThatCannotBeWrittenAreFlagged) {
  SimSession s;
  s.Write(kStatus, 0x1234);
  s.Write(kXAccl, 0x1234);
  EXPECT_TRUE(s.Read(kStatus) & kStatusWriteRejected);
  EXPECT_NE(s.Read(kStatus), 0x1234);
  s.Command(kCommandClearAlarms);
  EXPECT_EQ(s.Read(kStatus) & kStatusWriteRejected, 0);
}

TEST(SimSensorTest, AnyFrameAndAnyKnobLeaveItWorking) {
  SimSession s;
  for (uint32_t word = 0; word <= 0xFFFF; ++word) s.sensor.Transfer(static_cast<uint16_t>(word));
  s.sensor.SetVibration(1e300, std::nan(""));
  s.sensor.SetTilt(std::numeric_limits<double>::infinity());
  s.sensor.AddShock({std::nan(""), 1.0, 1.0, 0.01});
  s.sensor.AddShock({1.0, 1.0, 1.0, -1.0});
  s.sensor.ForceSupply(-5.0);
  s.Advance(200.0);  // past any sleep the frames started
  EXPECT_TRUE(s.Read(kStatus) & kStatusSupplyLow);
  EXPECT_EQ(s.Read(kYAccl), 8191) << "a huge vibration saturates the field";
  s.Command(kCommandAutoNull);
  s.Write(kAlmMag1, 0x1234);
  EXPECT_EQ(s.Read(kAlmMag1), 0x1234) << "still answering and taking writes";
}

TEST(SimSensorTest, SameSeedAndClockGiveTheSameRun) {
  auto run = [](uint32_t seed) {
    SimSession s(seed);
    s.sensor.AddShock({0.3, 1.0, -1.0, 0.01});
    std::vector<int32_t> codes;
    for (int i = 0; i < 50; ++i) {
      s.Advance(0.0071 * (i % 7 + 1));
      for (int16_t index : {kSupply, kXAccl, kYAccl, kTemperature, kRssPeak}) {
        codes.push_back(s.Read(index));
      }
    }
    return codes;
  };
  EXPECT_EQ(run(11), run(11));
  EXPECT_NE(run(11), run(12));
}

TEST(SimSensorTest, LongSilenceStillSeesAShock) {
  SimSession s;
  MakeQuiet(s);
  s.sensor.AddShock({1000.0, 3.0, 0.0, 0.01});
  s.Advance(3600.0);  // far more samples than one catch-up takes
  EXPECT_NEAR(s.ReadValue(kXPeak), 3.0, 0.03);
  EXPECT_TRUE(s.ReadWord(kXAccl) & kNewDataFlag);
}

}  // namespace
}  // namespace talvix::sim
