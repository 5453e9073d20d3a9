#include "monitor/output_rows.h"

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
  const SampleVector samples = ReadOutputRows(sim.link());

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

}  // namespace
}  // namespace talvix::monitor
