// SPDX-License-Identifier: MIT
#include "link/batched_readout.h"

#include "registers/register_index.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::link {
namespace {

using test::SimSession;
using test::SimWiring;

std::vector<int16_t> ReadableRegisters(const registers::RegisterTable& table) {
  std::vector<int16_t> indices;
  for (int16_t i = 0; i < registers::RegisterTable::kDefinedSlots; ++i) {
    if (table.at(i).ReadFlag) indices.push_back(i);
  }
  return indices;
}

// Two benches with the same seed on clocks that do not move hold the same sensor state: one is
// read register by register, the other in one batched pass.
TEST(BatchedReadout, EveryReadableRegisterAnswersTheSameWordsAsSingleReads) {
  SimSession single(7, SimWiring::kUsbCard);
  SimSession batched(7, SimWiring::kUsbCard);
  ASSERT_TRUE(single.setup_error.isEmpty() && batched.setup_error.isEmpty());
  const std::vector<int16_t> indices = ReadableRegisters(single.session->table);
  ASSERT_GT(indices.size(), size_t{kMaxSpiWords});  // more than one transfer

  std::vector<RegisterRead> expected;
  for (const int16_t index : indices) {
    ASSERT_EQ(single.link().ReadReg(index), LinkStatus::kDone);
    expected.push_back(
        {index, single.link().RawWord, single.link().RegRaw, single.link().RegValue});
  }
  std::vector<RegisterRead> reads;
  ASSERT_EQ(ReadRegsBatched(batched.link(), indices, reads), LinkStatus::kDone);

  ASSERT_EQ(reads.size(), expected.size());
  for (size_t i = 0; i < reads.size(); ++i) {
    SCOPED_TRACE(single.session->table.at(indices[i]).Label.toStdString());
    EXPECT_EQ(reads[i].RawWord, expected[i].RawWord);
    EXPECT_EQ(reads[i].RegRaw, expected[i].RegRaw);
  }
}

// The card's timing is on (1 ms a transfer, 40 us between words) on a manual clock, so the frame
// trace shows when the sensor saw each frame.
TEST(BatchedReadout, SensorSeesTheSameReadsInOneTransferSpacedByTheCardsDelay) {
  constexpr double kLatency = 0.001;
  constexpr double kWordDelay = 40e-6;
  std::vector<uint16_t> reads_seen[2];
  for (const bool fast : {false, true}) {
    SimSession sim(3, SimWiring::kUsbCard);
    uint8_t delay = 40;
    sim.session->usb.UsbSpiSetDelay(delay);
    sim.usb.SetTiming({kLatency, [&sim](double seconds) { sim.clock.Advance(seconds); }});
    sim.sensor.trace().Clear();
    const size_t packets_before = sim.usb.ReceivedPackets(0).size();
    const std::vector<int16_t> outputs = {registers::kSupply, registers::kXAccl, registers::kYAccl,
                                          registers::kRssXy};
    std::vector<RegisterRead> reads;
    if (fast) {
      ASSERT_EQ(ReadRegsBatched(sim.link(), outputs, reads), LinkStatus::kDone);
    } else {
      for (const int16_t index : outputs) ASSERT_EQ(sim.link().ReadReg(index), LinkStatus::kDone);
    }

    const std::vector<uint16_t> sent = sim.sensor.trace().SentWords();
    const std::vector<double>& at = sim.sensor.trace().times();
    ASSERT_EQ(sent.size(), fast ? outputs.size() + 1 : 2 * outputs.size());
    EXPECT_EQ(sim.usb.ReceivedPackets(0).size() - packets_before, fast ? 1u : outputs.size());
    for (size_t k = 1; k < sent.size(); ++k) {
      // Within one transfer the card's delay; a new transfer (a new read, register by register)
      // waits for the bus.
      const bool new_transfer = !fast && k % 2 == 0;
      EXPECT_NEAR(at[k] - at[k - 1], new_transfer ? kLatency : kWordDelay, 1e-9) << k;
      if (sent[k] != sent[k - 1]) reads_seen[fast ? 1 : 0].push_back(sent[k - 1]);
    }
    reads_seen[fast ? 1 : 0].push_back(sent.back());
  }
  EXPECT_EQ(reads_seen[0], reads_seen[1]);  // the same reads, in the same order
}

struct CardFault {
  const char* name;
  void (*inject)(sim::SimUsbDriver& usb);
};

void PrintTo(const CardFault& fault, std::ostream* os) {
  *os << fault.name;
}

class BatchedReadoutFault : public ::testing::TestWithParam<CardFault> {};

// A failed batched transfer says what a failed single read says, once, and hands back no value.
TEST_P(BatchedReadoutFault, GivesTheSingleReadsOneMessageAndNoValue) {
  SimSession single(1, SimWiring::kUsbCard);
  GetParam().inject(single.usb);
  EXPECT_EQ(single.link().ReadReg(registers::kXAccl), LinkStatus::kLinkFailed);

  SimSession batched(1, SimWiring::kUsbCard);
  GetParam().inject(batched.usb);
  std::vector<RegisterRead> reads;
  const std::vector<int16_t> indices = {registers::kSupply, registers::kXAccl, registers::kYAccl};
  EXPECT_EQ(ReadRegsBatched(batched.link(), indices, reads), LinkStatus::kLinkFailed);
  EXPECT_TRUE(reads.empty());
  ASSERT_EQ(batched.notifier.texts.size(), 1);
  EXPECT_EQ(batched.notifier.texts, single.notifier.texts);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BatchedReadoutFault,
    ::testing::Values(CardFault{"AnswerLost", [](sim::SimUsbDriver& u) { u.FailNextBulkRead(0); }},
                      CardFault{"PacketRefused",
                                [](sim::SimUsbDriver& u) { u.FailNextBulkWrite(0); }},
                      CardFault{"Unplugged", [](sim::SimUsbDriver& u) { u.Unplug(0); }}),
    [](const ::testing::TestParamInfo<CardFault>& info) { return info.param.name; });

// A word of all ones counts as data only when STATUS answers after the batch: a register that
// holds 0xFFFF is read, a silent sensor's words are no register's.
TEST(BatchedReadout, AllOnesIsJudgedByTheStatusRule) {
  SimSession sim(1, SimWiring::kUsbCard);
  sim.Write(registers::kAlmMag2, 0xFFFF);
  const std::vector<int16_t> indices = {registers::kSupply, registers::kAlmMag2, registers::kXAccl};
  std::vector<RegisterRead> reads;
  ASSERT_TRUE(ReadConfirmedBatched(sim.link(), indices, reads));
  EXPECT_EQ(reads[1].RawWord, kNoAnswerWord);

  sim.sensor.SetAnswering(false);
  EXPECT_FALSE(ReadConfirmedBatched(sim.link(), indices, reads));
  EXPECT_TRUE(reads.empty());
  EXPECT_EQ(sim.link().LastStatus, LinkStatus::kDone);  // reached, but not answered
}

}  // namespace
}  // namespace talvix::link
