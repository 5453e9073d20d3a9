// SPDX-License-Identifier: MIT
// The program's register table read against the simulated part's own map. The part is put into a
// known state through its own knobs (steady acceleration, supply, temperature, flash contents),
// then every readable register is read the program's way (ReadReg by index, which takes address,
// width, sign rule, scale and offset from the program's table). Each expected value follows from
// the state alone, within half a code of the part's coding, so that a wrong entry on either side
// shows as a wrong reading.
#include "registers/register_bits.h"
#include "registers/register_table.h"
#include "sim/sensor_flash.h"
#include "sim/sensor_register_map.h"
#include "sim/sim_sensor.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace talvix::sim {
namespace {

using namespace registers;
using test::SimSession;

// The settings a flash programmer puts into the part. Several words carry bits above their
// register's field, which a read must drop.
const std::map<int16_t, uint16_t> kProgrammedSettings = {
    {kXAcclNull, 0xFF9C},  // -100 codes
    {kYAcclNull, 0x07FF},  // the largest null
    {kXAccScale, 0x0A00},  // gain 1.25
    {kYAccScale, 0x0FFF},  // the largest scale code: 12 bits, unsigned
    {kAlmMag1, 0x80C8},    // "greater than" code 200: bit 15 belongs to the field
    {kAlmMag2, 0x1234},    // "less than" code 0x1234
    {kAlmCtrl, 0x5206},    // alarm 1 on X, alarm 2 on temperature, indicator on
    {kAuxDac, 0xFABC},     // 12 bits: 0xABC
    {kGpioCtrl, 0xFD03},   // 10 bits: 0x103
    {kMiscCtrl, 0xF905},   // 12 bits: 0x905
    {kSmplPrd, 0x12FF},    // 8 bits: 0xFF
    {kCaptCfg, 0x922A},    // 1024 samples, 4 before the trigger, X and the RSS peak
};

// The part's flash as it leaves the factory, with `changes` on top; programmed, then powered up.
void ProgramFlash(SimSession& s, const std::map<int16_t, uint16_t>& changes) {
  QString error;
  ASSERT_TRUE(s.sensor.ProgramFlash(
      [&](int16_t index) {
        const auto changed = changes.find(index);
        return changed != changes.end() ? changed->second : SensorFlash::FactoryWord(index);
      },
      &error))
      << error.toStdString();
}

// Nothing moves or drifts but what the case sets.
void Quiet(SimSession& s) {
  s.sensor.SetTilt(0);
  s.sensor.SetVibration(0, 0);
  s.sensor.SetNoise(0);
}

// Held at (x1, y1) g from power-up for 10 ms, then at (x2, y2) g for 10 ms: the outputs show the
// second attitude, the peaks the larger first one.
std::function<void(SimSession&)> Moving(double x1, double y1, double x2, double y2) {
  return [=](SimSession& s) {
    Quiet(s);
    s.sensor.SetSteady(x1, y1);
    s.sensor.PowerCycle();
    s.Advance(0.01);
    s.sensor.SetSteady(x2, y2);
    s.Advance(0.01);
  };
}

std::function<void(SimSession&)> Supply(double volts) {
  return [=](SimSession& s) {
    Quiet(s);
    s.sensor.ForceSupply(volts);
    s.Advance(0.01);
  };
}

std::function<void(SimSession&)> Temperature(double degc) {
  return [=](SimSession& s) {
    Quiet(s);
    s.sensor.ForceTemperature(degc);
    s.Advance(0.01);
  };
}

// The auxiliary ADC reads the auxiliary DAC looped back; the DAC powers up on the flash's code.
std::function<void(SimSession&)> DacCode(uint16_t code) {
  return [=](SimSession& s) {
    Quiet(s);
    ProgramFlash(s, {{kAuxDac, code}});
    s.Advance(0.01);
  };
}

double DacVoltsOf(uint16_t code) {
  return code / 4095.0 * 2.5;
}

void ProgrammedSettings(SimSession& s) {
  Quiet(s);
  for (int i = 0; i < 3; ++i) ProgramFlash(s, kProgrammedSettings);  // ENDURANCE counts 3
}

// Held at 100 g on X and -50 g on Y, with comparator 1 watching X for more than 2 g and the
// capture set to trigger on it: 8 samples, 1 before the trigger, X into buffer 0, Y into 1.
// Armed by COMMAND 0x0100 and read out at pointer 5.
void Captured(SimSession& s) {
  Quiet(s);
  s.sensor.SetSteady(100.0, -50.0);
  const auto two_g = static_cast<int32_t>(std::lround(SensorRegisterOf(kXAccl).CodeOf(2.0)));
  ProgramFlash(s, {{kAlmCtrl, WithAlarmSources(kAlmCtrlTrigger1, kSourceX, kSourceY)},
                   {kAlmMag1, AlmMagWord(two_g, true)},
                   {kCaptCfg, CaptCfgWord(3, 0, kSourceX, kSourceY)}});
  s.Advance(0.01);
  s.Command(kCommandPrepareCapture);
  s.Advance(0.01);
  s.Write(kCaptPntr, 5);
}

// Supply below 3.0 V, and comparator 1 tripped by 3 g on X against a 2 g level.
void SupplyLowAndAlarm1(SimSession& s) {
  Quiet(s);
  s.sensor.ForceSupply(2.5);
  s.sensor.SetSteady(3.0, 0.0);
  const auto two_g = static_cast<int32_t>(std::lround(SensorRegisterOf(kXAccl).CodeOf(2.0)));
  ProgramFlash(s, {{kAlmCtrl, WithAlarmSources(0, kSourceX, kSourceDisabled)},
                   {kAlmMag1, AlmMagWord(two_g, true)}});
  s.Advance(0.01);
}

// Asleep for 3 x 0.5 s (the bits above the 8-bit count are dropped), then awake again.
void SleptAndWoke(SimSession& s) {
  s.Write(kSlpCnt, 0xFF03);
  EXPECT_TRUE(s.sensor.Asleep()) << "the count reached the part's SLP_CNT";
  s.Advance(1.6);
}

void Unlocked(SimSession& s) {
  s.Write(kKeyCode, kUnlockKey);
}

// The code the part's map gives a word of `index`: what the program must read for it.
double CodeOfWord(int16_t index, uint16_t word) {
  return SensorRegisterOf(index).CodeOfWord(word);
}

double CodeOfValue(int16_t index, double value) {
  return SensorRegisterOf(index).CodeOf(value);
}

struct Case {
  std::string name;
  int16_t index;
  std::function<void(SimSession&)> setup;
  double expected;    // in the unit the program reads the register in: V, g, degC, or the code
  bool code = false;  // the program reads a code (scale 1): the expected value is rounded
};

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"SupplyHigh", kSupply, Supply(4.9), 4.9},
      {"SupplyLow", kSupply, Supply(2.2), 2.2},
      {"XNegative", kXAccl, Moving(130, -60, -100, 50), -100.0},
      {"XPositive", kXAccl, Moving(-120, 65, 60, -30), 60.0},
      {"YPositive", kYAccl, Moving(130, -60, -100, 50), 50.0},
      {"YNegative", kYAccl, Moving(-120, 65, 60, -30), -30.0},
      {"AuxAdcHalfScale", kAuxAdc, DacCode(0x0800), DacVoltsOf(0x0800)},
      {"AuxAdcFullScale", kAuxAdc, DacCode(0x0FFF), DacVoltsOf(0x0FFF)},
      {"TemperatureCold", kTemperature, Temperature(-40.0), -40.0},
      {"TemperatureHot", kTemperature, Temperature(85.0), 85.0},
      {"XPeakPositive", kXPeak, Moving(130, -60, -100, 50), 130.0},
      {"XPeakNegative", kXPeak, Moving(-120, 65, 60, -30), -120.0},
      {"YPeakNegative", kYPeak, Moving(130, -60, -100, 50), -60.0},
      {"YPeakPositive", kYPeak, Moving(-120, 65, 60, -30), 65.0},
      {"Rss", kRssXy, Moving(130, -60, -100, 50), std::hypot(100.0, 50.0)},
      {"RssAboveHalfTheField", kRssXy, Moving(-10, 5, 130, -60), std::hypot(130.0, 60.0)},
      {"RssPeak", kRssPeak, Moving(130, -60, -100, 50), std::hypot(130.0, 60.0)},
      {"RssPeakSmall", kRssPeak, Moving(-12, 6, 3, -2), std::hypot(12.0, 6.0)},
      {"CaptureBuffer0", kCaptBuf0, Captured, CodeOfValue(kXAccl, 100.0), true},
      {"CaptureBuffer1", kCaptBuf1, Captured, CodeOfValue(kYAccl, -50.0), true},
      {"CapturePointer", kCaptPntr, [](SimSession& s) { s.Write(kCaptPntr, 0xFC05); },
       CodeOfWord(kCaptPntr, 0xFC05), true},
      {"SleepCount", kSlpCnt, SleptAndWoke, CodeOfWord(kSlpCnt, 0xFF03), true},
      {"Endurance", kEndurance, ProgrammedSettings, 3, true},
      {"Status", kStatus, SupplyLowAndAlarm1, kStatusSupplyLow | kStatusAlarm1, true},
      {"RevDate", kRevDate, Unlocked, kIdentRevDate, true},
      {"MonthYear", kMonthYear, Unlocked, kIdentMonthYear, true},
      {"ProductId", kProductId, Unlocked, kIdentProductId, true},
  };
  for (const auto& [index, word] : kProgrammedSettings) {
    cases.push_back({std::string(SensorRegisterOf(index).name), index, ProgrammedSettings,
                     CodeOfWord(index, word), true});
  }
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class RegisterMapCrossCheck : public ::testing::TestWithParam<Case> {};

TEST_P(RegisterMapCrossCheck, ProgramReadsWhatThePartHolds) {
  const Case& c = GetParam();
  SimSession s;
  ASSERT_TRUE(s.setup_error.isEmpty()) << s.setup_error.toStdString();
  c.setup(s);
  ASSERT_FALSE(HasFatalFailure());

  const float value = s.ReadValue(c.index);
  ASSERT_TRUE(link::Reached(s.link().LastStatus)) << "the read did not reach the sensor";
  // Half a code of the part's coding, and the program's single-precision arithmetic.
  const double lsb = std::abs(SensorRegisterOf(c.index).lsb);
  const double expected = c.code ? std::nearbyint(c.expected) : c.expected;
  EXPECT_NEAR(value, expected, 0.5 * lsb + 1e-5 * std::abs(expected))
      << SensorRegisterOf(c.index).name << " read through the program's table as code "
      << s.link().RegRaw << " from word 0x" << std::hex << s.link().RawWord;
}

INSTANTIATE_TEST_SUITE_P(EveryReadableRegister, RegisterMapCrossCheck, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

TEST(RegisterMapCrossCheckCoverage, EveryRegisterReadableOnEitherSideIsChecked) {
  std::set<int> checked;
  for (const Case& c : Cases()) checked.insert(c.index);

  std::set<int> part_readable;
  for (const SensorRegister& reg : SensorRegisters()) {
    if (reg.readable()) part_readable.insert(reg.index);
  }
  RegisterTable table;
  table.BuildRegisterTable();
  std::set<int> program_readable;
  for (int i = 0; i < RegisterTable::kSlots; ++i) {
    if (table.at(i).ReadFlag) program_readable.insert(i);
  }
  EXPECT_EQ(checked, part_readable);
  EXPECT_EQ(program_readable, part_readable);
}

}  // namespace
}  // namespace talvix::sim
