// SPDX-License-Identifier: MIT
// The identification texts decoded from the three product words.
#include "about/about_texts.h"

#include <gtest/gtest.h>

namespace talvix::about {
namespace {

struct DecodeCase {
  ProductWords words;
  float revision;
  const char* revision_text;
  const char* date_text;
  const char* id_text;
};

class DecodeProductWordsTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeProductWordsTest, ShowsRevisionDateAndProductId) {
  const DecodeCase& c = GetParam();
  const ProductIdentity identity = DecodeProductWords(c.words);
  EXPECT_FLOAT_EQ(identity.DeviceRevision, c.revision);
  EXPECT_EQ(RevisionText(identity.DeviceRevision, QLocale::c()), c.revision_text);
  EXPECT_EQ(ProductDateText(identity), c.date_text);
  EXPECT_EQ(identity.ProductIdText, c.id_text);
}

INSTANTIATE_TEST_SUITE_P(
    Words, DecodeProductWordsTest,
    ::testing::Values(
        // Day 15, revision 1.2; year 06, month 03; the product number in decimal.
        DecodeCase{{0x1512, 0x0603, 0x1234}, 1.2f, "1.2", "3/15/2006", "4660"},
        DecodeCase{{0x3109, 0x9912, 0x0001}, 0.9f, "0.9", "12/31/2099", "1"},
        DecodeCase{{0x0000, 0x0000, 0x0000}, 0.0f, "0.0", "0/0/2000", "0"},
        // A digit group holding 0xF counts as 15: no BCD check.
        DecodeCase{{0xF1FF, 0xFF0F, 0xFFFF}, 16.5f, "16.5", "15/151/2165", "65535"}));

TEST(AboutTextsTest, RevisionUsesTheLocalesDecimalSeparatorAndVersionIsThreeNumbers) {
  EXPECT_EQ(RevisionText(1.2f, QLocale(QLocale::German)), "1,2");
  EXPECT_EQ(ProgramVersionText(), "3.0.0");
  EXPECT_EQ(AboutCaption(), "About Talvix_Eval_Rev_3");
}

}  // namespace
}  // namespace talvix::about
