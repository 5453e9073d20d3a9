// SPDX-License-Identifier: MIT
// The account of a run's samples: the rate, the longest gap, and which samples came late (more
// than one delay, and at least 1 ms, past the end of the previous sample's reads and its delay).
#include "datalog/sample_account.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace talvix::datalog {
namespace {

struct AccountCase {
  double delay_ms;
  std::vector<std::pair<double, double>> samples;  // start and end of the reads, seconds
  double longest_gap;
  int64_t late;
};

class SampleAccountTest : public ::testing::TestWithParam<AccountCase> {};

TEST_P(SampleAccountTest, CountsTheGapsAndTheLateSamples) {
  const AccountCase& c = GetParam();
  SampleAccount account(c.delay_ms);
  for (const auto& [start, done] : c.samples) account.Take(start, done);
  EXPECT_EQ(account.samples(), static_cast<int64_t>(c.samples.size()));
  EXPECT_NEAR(account.longest_gap(), c.longest_gap, 1e-9);
  EXPECT_EQ(account.late(), c.late);
  EXPECT_NEAR(account.rate(), c.samples.size() / (c.samples.back().second - c.samples[0].first),
              1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SampleAccountTest,
    ::testing::Values(
        // Slow reads are not lateness; 2 ms past the end of the reads is, with no delay.
        AccountCase{0, {{0, 0.010}, {0.0102, 0.020}, {0.0225, 0.023}}, 0.0123, 1},
        // With 100 ms of delay, 150 ms past the reads is in time, 250 ms is late.
        AccountCase{100, {{0, 0.001}, {0.151, 0.152}, {0.502, 0.503}}, 0.351, 1},
        AccountCase{0, {{5, 5.5}}, 0, 0}));

}  // namespace
}  // namespace talvix::datalog
