// SPDX-License-Identifier: MIT
#include "registers/register_table.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace talvix::registers {
namespace {

class RegisterTableTest : public ::testing::Test {
 protected:
  void SetUp() override { table.BuildRegisterTable(); }
  RegisterTable table;
};

TEST_F(RegisterTableTest, LabelsAreStoredWithTheirOddSpellingsAndBlanks) {
  EXPECT_EQ(table.at(kXPeak).Label, "X_PEAK ");
  EXPECT_EQ(table.at(kXPeak).Label.size(), 7);
  EXPECT_EQ(table.at(kYPeak).Label, "Y _PEAK");
  EXPECT_EQ(table.at(kTemperature).Label, "TEMPERA");
  EXPECT_EQ(table.at(kProductId).Label, "ProcudtID");
  for (int i = 36; i <= 60; ++i) EXPECT_TRUE(table.at(i).Label.isEmpty()) << i;
}

TEST_F(RegisterTableTest, AddressesAreEvenAndAscendWithTheJumpBeforeKeyCode) {
  for (int i = 1; i < RegisterTable::kDefinedSlots; ++i) {
    EXPECT_EQ(table.at(i).BaseAddr % 2, 0) << i;
    EXPECT_GT(table.at(i).BaseAddr, table.at(i - 1).BaseAddr) << i;
  }
  EXPECT_EQ(table.at(kCommand).BaseAddr, 0x3E);
  EXPECT_EQ(table.at(kKeyCode).BaseAddr, 0x50);
  EXPECT_EQ(table.at(kProductId).BaseAddr, 0x56);
}

TEST_F(RegisterTableTest, AccessFlagsOfSpecialRows) {
  EXPECT_FALSE(table.at(kCommand).ReadFlag);
  EXPECT_TRUE(table.at(kCommand).WriteFlag);
  EXPECT_FALSE(table.at(kKeyCode).ReadFlag);
  EXPECT_TRUE(table.at(kKeyCode).Hidden);
  EXPECT_FALSE(table.at(kStatus).WriteFlag);
  for (int i : {18, 19, 22, 23}) {
    EXPECT_FALSE(table.at(i).ReadFlag) << i;
    EXPECT_FALSE(table.at(i).WriteFlag) << i;
  }
  EXPECT_EQ(table.at(18).NumBytes, 0);
  EXPECT_EQ(table.at(22).NumBytes, 2);
  int output_rows = 0;
  for (int i = 0; i < RegisterTable::kSlots; ++i) {
    if (table.at(i).ECflag) {
      ++output_rows;
      EXPECT_TRUE(table.at(i).NDflag);
    }
  }
  EXPECT_EQ(output_rows, 11);  // indices 1..7 and 12..15
}

TEST_F(RegisterTableTest, ScalesAreTheNearestSingles) {
  EXPECT_EQ(table.at(kSupply).RegScale, 0.00122f);
  EXPECT_EQ(table.at(kAuxAdc).RegScale, 0.0061f);
  EXPECT_EQ(table.at(kTemperature).RegScale, -0.47f);
  EXPECT_EQ(table.at(kTemperature).RegOffset, 625.66f);
  EXPECT_EQ(table.at(kRssXy).RegScale, 0.017125f);
}

TEST_F(RegisterTableTest, IndexOutsideTheTableIsRejected) {
  EXPECT_THROW(table.at(61), std::out_of_range);
  EXPECT_THROW(table.at(-1), std::out_of_range);
  EXPECT_NO_THROW(table.at(60));
}

TEST_F(RegisterTableTest, FindLabelIgnoresCaseAndTrailingBlanks) {
  EXPECT_EQ(table.FindLabel("xaccl"), kXAccl);
  EXPECT_EQ(table.FindLabel("X_PEAK"), kXPeak);
  EXPECT_EQ(table.FindLabel("x_peak   "), kXPeak);
  EXPECT_EQ(table.FindLabel("y _peak"), kYPeak);
  EXPECT_FALSE(table.FindLabel("YPEAK").has_value());
  EXPECT_FALSE(table.FindLabel("").has_value());
  EXPECT_FALSE(table.FindLabel("   ").has_value());
}

}  // namespace
}  // namespace talvix::registers
