// SPDX-License-Identifier: MIT
#include "datalog/datalog_sample.h"

#include "support/read_frames.h"
#include "support/sim_session.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace talvix::datalog {
namespace {

struct SampleWire {
  const char* name;
  test::SimWiring wiring;
  bool fast;     // Fast read-out chosen
  bool batched;  // the frames the sample must send are the batched ones
};

void PrintTo(const SampleWire& wire, std::ostream* os) {
  *os << wire.name;
}

class DatalogSampleWireTest : public ::testing::TestWithParam<SampleWire> {};

// With Fast read-out off, or on the parallel port, a sample sends exactly the frames of its single
// reads; with it on the card, one batch, whose values are the sensor's as well.
TEST_P(DatalogSampleWireTest, SendsTheFramesOfItsReadOut) {
  const SampleWire& wire = GetParam();
  test::SimSession sim(1, wire.wiring);
  sim.link().FastReadout = wire.fast;
  sim.sensor.trace().Clear();
  Selection selection{};
  selection.fill(true);
  selection[2] = false;
  std::array<float, kColumnCount> values{};
  int count = 0;
  ASSERT_TRUE(ReadDatalogSample(sim.link(), selection, values.data(), count));
  EXPECT_EQ(count, kColumnCount - 1);
  EXPECT_NEAR(values[0], 3.3, 0.3);  // the simulated supply
  std::vector<int16_t> read;
  for (int column = 0; column < kColumnCount; ++column) {
    if (selection[column]) read.push_back(kColumns[column].register_index);
  }
  EXPECT_EQ(sim.sensor.trace().SentWords(),
            test::ReadFrames(sim.session->table, read, wire.wiring, wire.batched));
}

INSTANTIATE_TEST_SUITE_P(
    Wires, DatalogSampleWireTest,
    ::testing::Values(SampleWire{"CardFastOff", test::SimWiring::kUsbCard, false, false},
                      SampleWire{"PortFastOn", test::SimWiring::kParallelPort, true, false},
                      SampleWire{"CardFastOn", test::SimWiring::kUsbCard, true, true}),
    [](const ::testing::TestParamInfo<SampleWire>& info) { return info.param.name; });

// With Fast read-out a word of all ones is no answer, as for a single read: the sample fails at
// the column that came back so, and keeps no value of it.
TEST(DatalogSampleTest, BatchedSampleFailsAtTheFirstValueNotAnswered) {
  test::SimSession sim(1, test::SimWiring::kUsbCard);
  sim.link().FastReadout = true;
  sim.sensor.SetAnswering(false);
  Selection selection{};
  selection.fill(true);
  std::array<float, kColumnCount> values{};
  int count = 0;
  int failed_column = -1;
  EXPECT_FALSE(ReadDatalogSample(sim.link(), selection, values.data(), count, &failed_column));
  EXPECT_EQ(failed_column, 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace talvix::datalog
