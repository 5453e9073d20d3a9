// SPDX-License-Identifier: MIT
#include "regaccess/manual_register.h"

#include "registers/register_index.h"
#include "registers/register_table.h"

#include <gtest/gtest.h>

#include <optional>

namespace talvix::regaccess {
namespace {

struct LineCase {
  int16_t index;
  std::optional<int32_t> code;
  const char* line;
};

class ListingLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ListingLineTest, LabelFiveSpacesAddressAndFourDigitSetting) {
  registers::RegisterTable table;
  table.BuildRegisterTable();
  const LineCase& c = GetParam();
  EXPECT_EQ(ListingLine(table.at(c.index), c.code), QString::fromLatin1(c.line));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListingLineTest,
    ::testing::Values(LineCase{registers::kSupply, 0x7A2, "SUPPLY     \t2\t07A2\r\n"},
                      LineCase{registers::kXAccl, -1, "XACCL     \t4\tFFFF\r\n"},
                      // The stored label "X_PEAK " loses its trailing blank.
                      LineCase{registers::kXPeak, -8192, "X_PEAK     \tC\tE000\r\n"},
                      LineCase{registers::kCommand, std::nullopt, "COMMAND     \t3E\t----\r\n"}));

TEST(ListingInColumnsTest, TabsLeadToTheNameAddressAndSettingColumns) {
  const QString columns = ListingInColumns(ListingHeader() + "SUPPLY     \t2\t07A2\r\n");
  EXPECT_EQ(columns,
            QString("Name" + QString(20, ' ') + "Addr" + QString(8, ' ') + "Setting\r\n" +
                    QString(20, '-') + "    " + QString(9, '-') + "   " + QString(9, '-') + "\r\n" +
                    "SUPPLY" + QString(18, ' ') + "2" + QString(11, ' ') + "07A2\r\n"));
}

struct EntryCase {
  const char* text;
  std::optional<int32_t> value;
};

class HexEntryTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(HexEntryTest, OneToFourHexDigitsOnly) {
  EXPECT_EQ(HexEntryValue(QString::fromLatin1(GetParam().text)), GetParam().value)
      << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HexEntryTest,
    ::testing::Values(EntryCase{"1F4", 0x1F4}, EntryCase{"ffff", 0xFFFF}, EntryCase{"0", 0},
                      EntryCase{" 3e ", 0x3E}, EntryCase{"12345", std::nullopt},
                      EntryCase{"FF FF", std::nullopt}, EntryCase{"1O0", std::nullopt},
                      EntryCase{"", std::nullopt}, EntryCase{"  ", std::nullopt},
                      EntryCase{"0x12", std::nullopt}, EntryCase{"-1", std::nullopt}));

TEST(UpdateFlashOfferTest, FromRevisionOnePointTwo) {
  EXPECT_FALSE(OffersUpdateFlash(0.0f));  // About not opened yet
  EXPECT_FALSE(OffersUpdateFlash(11 / 10.0f));
  EXPECT_TRUE(OffersUpdateFlash(12 / 10.0f));  // as the About window computes it
  EXPECT_TRUE(OffersUpdateFlash(2.0f));
}

}  // namespace
}  // namespace talvix::regaccess
