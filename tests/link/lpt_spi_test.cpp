// SPDX-License-Identifier: MIT
#include "link/lpt_spi.h"

#include "support/recording_port.h"

#include <gtest/gtest.h>

namespace talvix::link {
namespace {

constexpr uint16_t kBase = 0x378;

class LptSpiTest : public ::testing::Test {
 protected:
  LptSpiTest() : delay(clock), lpt(interface_type, port_address, raw_word, delay) {
    lpt.SetPort(&port);
  }
  platform::ManualClock clock;
  RecordingDelay delay;
  int16_t interface_type = 1;
  int16_t port_address = kBase;
  int32_t raw_word = 0;
  test::RecordingPort port;
  LptSpi lpt;
};

TEST_F(LptSpiTest, SendWord0x8000WritesTheExactPattern) {
  lpt.LptSendWord(0x8000);
  std::vector<uint8_t> expected = {4, 5, 7, 3, 1, 5};
  for (int bit = 14; bit >= 0; --bit) expected.insert(expected.end(), {7, 7, 5, 5});
  expected.push_back(0);
  EXPECT_EQ(port.ValuesAt(kBase), expected);
  EXPECT_EQ(port.writes.size(), expected.size());  // nothing goes to another register
  EXPECT_EQ(delay.total_units, 10);                // the 0.1 ms that ends the frame
}

TEST_F(LptSpiTest, ReadWordTakesComplementedStatusBit6) {
  port.status_level = 0x00;  // bit 6 low on every sample: every bit reads 1
  EXPECT_EQ(lpt.LptReadWord(port_address), 0xFFFF);
  EXPECT_EQ(raw_word, 0xFFFF);
  port.status_level = 0xFF;  // bit 6 high: every bit reads 0, whatever the other bits
  EXPECT_EQ(lpt.LptReadWord(port_address), 0);
  port.status_level = 0xBF;  // only bit 6 low
  EXPECT_EQ(lpt.LptReadWord(port_address), 0xFFFF);
}

TEST_F(LptSpiTest, ReadWordSamplesMostSignificantBitFirstAtTheStatusRegister) {
  // Bits 15 and 0 read as 1, the rest as 0.
  port.status_script.push_back(0x00);
  for (int i = 0; i < 14; ++i) port.status_script.push_back(0x40);
  port.status_script.push_back(0x00);
  int16_t address = 0x04;
  EXPECT_EQ(lpt.LptReadWord(address), 0x8001);
  ASSERT_EQ(port.reads.size(), 16u);
  for (uint16_t p : port.reads) EXPECT_EQ(p, kBase + 1);
  // The read frame 0x0400 first, then the response frame: 4, 5, (7, 5) x 16, 0.
  const std::vector<uint8_t> values = port.ValuesAt(kBase);
  const std::vector<uint8_t> response(values.end() - 35, values.end());
  std::vector<uint8_t> expected = {4, 5};
  for (int i = 0; i < 16; ++i) expected.insert(expected.end(), {7, 5});
  expected.push_back(0);
  EXPECT_EQ(response, expected);
  EXPECT_EQ(delay.total_units, 20);  // one 0.1 ms pause after each frame
}

TEST_F(LptSpiTest, ReadWordMasksTheCallersAddress) {
  int16_t address = 0x85;
  lpt.LptReadWord(address);
  EXPECT_EQ(address, 0x05);
}

TEST_F(LptSpiTest, ResetWritesStatusThenData) {
  lpt.LptReset();
  const std::vector<test::RecordingPort::Write> expected = {{kBase + 1, 0x40}, {kBase, 0}};
  EXPECT_EQ(port.writes, expected);
}

TEST_F(LptSpiTest, NothingHappensUnlessTheParallelPortIsTheInterface) {
  interface_type = 2;
  lpt.LptSendWord(0x1234);
  lpt.LptReset();
  int16_t address = 0x04;
  EXPECT_EQ(lpt.LptReadWord(address), std::nullopt);
  EXPECT_EQ(raw_word, 0);
  interface_type = 1;
  lpt.SetPort(nullptr);
  EXPECT_FALSE(lpt.LptSendWord(0x1234));
  EXPECT_TRUE(port.writes.empty());
  EXPECT_EQ(delay.calls, 0);
}

// A failed port access is no answer: the frame is finished (the lines end at rest) but no word
// is handed back, and the response word is not left holding bits clocked in before the failure.
TEST_F(LptSpiTest, AFailedPortAccessGivesNoWord) {
  port.status_level = 0x00;  // status bit 6 low reads as ones
  port.fail = true;
  int16_t address = 0x04;
  EXPECT_FALSE(lpt.LptSendWord(0x1234));
  EXPECT_EQ(lpt.LptReadWord(address), std::nullopt);
  EXPECT_EQ(raw_word, 0);
  EXPECT_EQ(port.ValuesAt(0x378).back(), 0);
  port.fail = false;
  EXPECT_EQ(lpt.LptReadWord(address), 0xFFFF);
}

}  // namespace
}  // namespace talvix::link
