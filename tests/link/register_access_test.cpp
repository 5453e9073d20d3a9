// SPDX-License-Identifier: MIT
#include "link/register_access.h"

#include "support/sim_session.h"

#include <gtest/gtest.h>

namespace talvix::link {
namespace {

using registers::RegisterTable;

// A session on the simulated sensor behind the parallel port at 0x378; nothing waits.
class RegisterAccessTest : public ::testing::Test {
 protected:
  RegisterAccessTest() {
    EXPECT_TRUE(simulated.setup_error.isEmpty()) << simulated.setup_error.toStdString();
    sensor.trace().Clear();
  }
  RegisterAccess& link() { return session->link; }
  std::vector<uint16_t> Sent() { return sensor.trace().SentWords(); }

  test::SimSession simulated;
  sim::SimSensor& sensor = simulated.sensor;
  RecordingDelay* delay = simulated.delay;
  std::unique_ptr<Session>& session = simulated.session;
};

TEST_F(RegisterAccessTest, WriteSendsUpperByteFirst) {
  link().WriteReg(registers::kXAcclNull, 0x1234);
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0x9112, 0x9034}));
}

TEST_F(RegisterAccessTest, KeyCodeIsWrittenLowerByteFirst) {
  link().WriteReg(registers::kKeyCode, 0x05A7);
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0xD0A7, 0xD105}));
}

TEST_F(RegisterAccessTest, WriteUsesOnlyTheLow16Bits) {
  link().WriteReg(registers::kAlmMag1, 0x7ABCD);
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0xA1AB, 0xA0CD}));
}

TEST_F(RegisterAccessTest, ReadSendsTheReadFrameThenAZeroFrame) {
  link().ReadReg(registers::kXAccl);
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0x0400, 0x0000}));
}

TEST_F(RegisterAccessTest, SpiReadWordMasksTheCallersAddress) {
  int16_t address = 0x85;
  link().SpiReadWord(address);
  EXPECT_EQ(address, 0x05);
  EXPECT_EQ(Sent().front(), 0x0500);
}

TEST_F(RegisterAccessTest, SpiWritePairMasksAddressesAndData) {
  int16_t a1 = 0x91, d1 = 0x1FF, a2 = 0x10, d2 = -1;
  link().SpiWritePair(a1, d1, a2, d2);
  EXPECT_EQ(a1, 0x11);
  EXPECT_EQ(d1, 0xFF);
  EXPECT_EQ(d2, 0xFF);
  EXPECT_EQ(Sent(), (std::vector<uint16_t>{0x91FF, 0x90FF}));
}

TEST_F(RegisterAccessTest, WrittenRegisterReadsBackThroughTheReadRule) {
  link().WriteReg(registers::kAlmMag2, 0xBEEF);
  link().ReadReg(registers::kAlmMag2);
  EXPECT_EQ(link().RawWord, 0xBEEF);
  EXPECT_EQ(link().RegRaw, 0xBEEF);
  link().WriteReg(registers::kXAcclNull, 0x0FFF);  // 12-bit two's complement
  link().ReadReg(registers::kXAcclNull);
  EXPECT_EQ(link().RegRaw, -1);
  EXPECT_EQ(link().RegValue, -1.0f);
}

TEST_F(RegisterAccessTest, OutputsCarryFlagBitsThatTheReadRuleDrops) {
  link().ReadReg(registers::kSupply);
  EXPECT_NE(link().RawWord & 0xF000, 0);  // the sensor sets flags above the 12-bit field
  EXPECT_EQ(link().RegRaw, link().RawWord & 0x0FFF);
  EXPECT_GT(link().RegValue, 3.0f);  // a plausible supply voltage
  EXPECT_LT(link().RegValue, 3.6f);
}

TEST_F(RegisterAccessTest, PausesOfOneReadAndOneWrite) {
  delay->total_units = 0;
  link().ReadReg(registers::kStatus);
  EXPECT_EQ(delay->total_units, 30);  // 0.1 ms after each frame and after the read
  delay->total_units = 0;
  link().WriteReg(registers::kCommand, 0x0010);
  EXPECT_EQ(delay->total_units, 30);
}

TEST_F(RegisterAccessTest, UnreadableRegistersAreLeftAlone) {
  link().ReadReg(registers::kSupply);
  const int32_t raw = link().RegRaw;
  const float value = link().RegValue;
  sensor.trace().Clear();
  delay->calls = 0;
  for (int16_t index : {31, 32, 18, 19, 22, 23, 36, 50, 60}) {
    EXPECT_EQ(link().ReadReg(index), link::LinkStatus::kNotReadable);
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(delay->calls, 0);
  EXPECT_EQ(link().RegRaw, raw);
  EXPECT_EQ(link().RegValue, value);
}

TEST_F(RegisterAccessTest, IndexOutsideTheTableIsRejectedWithoutTraffic) {
  EXPECT_EQ(link().ReadReg(61), link::LinkStatus::kBadIndex);
  EXPECT_EQ(link().ReadReg(-1), link::LinkStatus::kBadIndex);
  EXPECT_EQ(link().WriteReg(61, 0x1234), link::LinkStatus::kBadIndex);
  EXPECT_EQ(link().WriteReg(1000, 0x1234), link::LinkStatus::kBadIndex);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(RegisterAccessTest, WithoutInterfaceReadsGiveTheOffsetAndWritesAreDropped) {
  link().InterfaceType = kInterfaceNone;
  link().ReadReg(registers::kTemperature);
  EXPECT_EQ(link().RegRaw, 0);
  EXPECT_EQ(link().RegValue, 625.66f);
  link().WriteReg(registers::kAlmMag1, 0x1234);
  int16_t address = 0x04;
  EXPECT_EQ(link().SpiReadWord(address), 0);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(RegisterAccessTest, UsbCardThatIsNotReadyReadsZeroAndSendsNothing) {
  link().InterfaceType = kInterfaceUsb;
  session->usb.SpiData[2][1] = 0x1234;  // left over from an earlier transfer
  int16_t address = 0x04;
  EXPECT_EQ(link().SpiReadWord(address), 0);
  EXPECT_EQ(link().RawWord, 0);
  link().ReadReg(registers::kAlmMag1);
  EXPECT_EQ(link().RegRaw, 0);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace talvix::link
