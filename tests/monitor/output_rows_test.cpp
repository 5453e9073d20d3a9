// SPDX-License-Identifier: MIT
#include "monitor/output_rows.h"

#include "sim/sim_port.h"
#include "support/read_frames.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace talvix::monitor {
namespace {

TEST(OutputRowsTest, SupplyColourIsJudgedOnTheNumberShown) {
  const QLocale c(QLocale::C);
  EXPECT_EQ(SupplyShadeOf("2.599", c), SupplyShade::kLow);
  EXPECT_EQ(SupplyShadeOf("2.600", c), SupplyShade::kUnchanged);
  EXPECT_EQ(SupplyShadeOf("2.601", c), SupplyShade::kNormal);
  // 2.5999 V is shown as 2.600, so it leaves the colour alone.
  EXPECT_EQ(SupplyShadeOf(RowText(2.5999f, c), c), SupplyShade::kUnchanged);
}

TEST(OutputRowsTest, SupplyColourReadsTheLocalesDecimalComma) {
  const QLocale german(QLocale::German, QLocale::Germany);
  ASSERT_EQ(RowText(2.599f, german), "2,599");
  EXPECT_EQ(SupplyShadeOf("2,599", german), SupplyShade::kLow);
  EXPECT_EQ(SupplyShadeOf("3,300", german), SupplyShade::kNormal);
  EXPECT_EQ(SupplyShadeOf("2,600", german), SupplyShade::kUnchanged);
}

TEST(OutputRowsTest, OnePassReadsTheNineRowsInOrderWithRssFrom12And13) {
  test::SimSession sim;
  sim.sensor.trace().Clear();
  const OutputPass pass = ReadOutputRows(sim.link());
  ASSERT_EQ(pass.result, PassResult::kRead);
  const SampleVector& samples = pass.samples;

  // Read frames (address x 256, each followed by the 0x0000 answering frame).
  std::vector<uint16_t> reads;
  for (uint16_t sent : sim.sensor.trace().SentWords()) {
    if (sent != 0) reads.push_back(sent);
  }
  EXPECT_EQ(reads, (std::vector<uint16_t>{0x0200, 0x0400, 0x0600, 0x0800, 0x0A00, 0x0C00, 0x0E00,
                                          0x1800, 0x1A00}));
  EXPECT_EQ(samples[0], 0.0f);
  for (int i = 10; i < kSampleVectorSize; ++i) EXPECT_EQ(samples[i], 0.0f);
  // The last row read is RSS_PEAK, whose value is still in RegValue.
  EXPECT_EQ(samples[9], sim.link().RegValue);
  EXPECT_GT(samples[1], 3.0f);  // the simulated supply sits near 3.3 V
  EXPECT_LT(samples[1], 3.6f);
}

// A pass stops at the first read that does not reach the sensor and hands back no value; a pass in
// which every row answers all ones is no answer either.
TEST(OutputRowsTest, PassWithoutTheSensorHandsBackNoValues) {
  test::SimSession sim;
  sim.sensor.trace().Clear();
  dynamic_cast<sim::SimPort&>(*sim.link().lpt.port()).SetAccessFails(true);
  const OutputPass failed = ReadOutputRows(sim.link());
  EXPECT_EQ(failed.result, PassResult::kNotReached);
  EXPECT_EQ(failed.status, link::LinkStatus::kLinkFailed);
  EXPECT_EQ(failed.samples, SampleVector{});
  EXPECT_FALSE(sim.link().lpt.port());  // the port was given up after one failure
  EXPECT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_EQ(ReadOutputRows(sim.link()).status, link::LinkStatus::kNoInterface);

  test::SimSession silent(1, test::SimWiring::kUsbCard);
  silent.usb.SetSpiWire([](uint16_t) { return uint16_t{0xFFFF}; });
  const OutputPass asleep = ReadOutputRows(silent.link());
  EXPECT_EQ(asleep.result, PassResult::kNoAnswer);
  EXPECT_EQ(asleep.samples, SampleVector{});
  EXPECT_EQ(PassProblemText(asleep), "The sensor does not answer: asleep or not connected.");
}

struct PassWire {
  const char* name;
  test::SimWiring wiring;
  bool fast;     // Fast read-out chosen
  bool batched;  // the frames the pass must send are the batched ones
};

void PrintTo(const PassWire& wire, std::ostream* os) {
  *os << wire.name;
}

class OutputPassWireTest : public ::testing::TestWithParam<PassWire> {};

// With Fast read-out off, or on the parallel port, the pass sends exactly the frames of nine
// single reads; with it on the card, one batch.
TEST_P(OutputPassWireTest, SendsTheFramesOfItsReadOut) {
  const PassWire& wire = GetParam();
  test::SimSession sim(1, wire.wiring);
  sim.link().FastReadout = wire.fast;
  sim.sensor.trace().Clear();
  ASSERT_EQ(ReadOutputRows(sim.link()).result, PassResult::kRead);
  std::vector<int16_t> rows;
  for (const OutputRow& row : kOutputRows) rows.push_back(row.register_index);
  EXPECT_EQ(sim.sensor.trace().SentWords(),
            test::ReadFrames(sim.session->table, rows, wire.wiring, wire.batched));
}

INSTANTIATE_TEST_SUITE_P(
    Wires, OutputPassWireTest,
    ::testing::Values(PassWire{"CardFastOff", test::SimWiring::kUsbCard, false, false},
                      PassWire{"PortFastOn", test::SimWiring::kParallelPort, true, false},
                      PassWire{"CardFastOn", test::SimWiring::kUsbCard, true, true}),
    [](const ::testing::TestParamInfo<PassWire>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::monitor
