// SPDX-License-Identifier: MIT
#include "registers/value_conversion.h"

#include <gtest/gtest.h>

namespace talvix::registers {
namespace {

class ValueConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { table.BuildRegisterTable(); }
  DecodedWord Decode(int16_t index, int32_t word) { return ApplyReadRule(table.at(index), word); }
  double ToRaw(int16_t source, QString& text) { return *UnitsToRaw(table, source, text); }
  RegisterTable table;
};

TEST_F(ValueConversionTest, SignExtensionDropsTheBitsAboveTheField) {
  EXPECT_EQ(Decode(kXAccl, 0x3FFF).RegRaw, -1);
  EXPECT_EQ(Decode(kXAccl, 0x2000).RegRaw, -8192);
  EXPECT_EQ(Decode(kXAccl, 0x1FFF).RegRaw, 8191);
  EXPECT_EQ(Decode(kXAccl, 0xC001).RegRaw, 1);
  EXPECT_EQ(Decode(kXAccl, 0xE000).RegRaw, -8192);
  EXPECT_FLOAT_EQ(Decode(kXAccl, 0xE000).RegValue, -140.288f);
  EXPECT_EQ(Decode(kXAccl, 0x9FFF).RegRaw, 8191);
  // 12-bit signed field: bit 11 is the sign, bits 12..15 are flags.
  EXPECT_EQ(Decode(kAuxAdc, 0xF800).RegRaw, -2048);
  EXPECT_EQ(Decode(kAuxAdc, 0x87FF).RegRaw, 2047);
  EXPECT_EQ(Decode(kXAcclNull, 0x0FFF).RegRaw, -1);
}

TEST_F(ValueConversionTest, UnsignedFieldsAreMasked) {
  EXPECT_EQ(Decode(kSupply, 0xFFFF).RegRaw, 4095);
  EXPECT_EQ(Decode(kSupply, 0xCFFF).RegRaw, 4095);
  EXPECT_FLOAT_EQ(Decode(kSupply, 0xCFFF).RegValue, 4.9959f);
  EXPECT_EQ(Decode(kEndurance, 0xFFFF).RegRaw, 65535);
  EXPECT_EQ(Decode(kCaptPntr, 0xFFFF).RegRaw, 2047);  // 11 bits
  EXPECT_EQ(Decode(kSmplPrd, 0x1234).RegRaw, 0x34);   // 8 bits
  EXPECT_EQ(Decode(kGpioCtrl, 0xFFFF).RegRaw, 1023);  // 10 bits
  EXPECT_EQ(Decode(kRssXy, 0xFFFF).RegRaw, 16383);    // unsigned 14 bits
}

TEST_F(ValueConversionTest, TemperatureScaleAndOffset) {
  EXPECT_FLOAT_EQ(Decode(kTemperature, 0).RegValue, 625.66f);
  EXPECT_NEAR(Decode(kTemperature, 4095).RegValue, -1298.99, 0.01);
  // Product and sum in double, rounded once: the nearest single to the exact double result.
  for (int32_t code : {1, 1278, 1279, 1333, 2047, 3001}) {
    const double exact = code * static_cast<double>(-0.47f) + static_cast<double>(625.66f);
    EXPECT_EQ(Decode(kTemperature, code).RegValue, static_cast<float>(exact)) << code;
  }
}

TEST_F(ValueConversionTest, EmptySlotDecodesToZero) {
  const DecodedWord d = Decode(40, 0xFFFF);
  EXPECT_EQ(d.RegRaw, 0);
  EXPECT_EQ(d.RegValue, 0.0f);
}

TEST_F(ValueConversionTest, RawToUnitsAdjustsTheCallersCode) {
  double raw = 16383;
  EXPECT_FLOAT_EQ(*RawToUnits(table, kSourceX, raw), -0.017125f);
  EXPECT_EQ(raw, -1);
  raw = 5000;
  EXPECT_FLOAT_EQ(*RawToUnits(table, kSourceAuxAdc, raw), 4095 * 0.0061f);
  EXPECT_EQ(raw, 4095);
  raw = 9000;  // sources without a step leave the code as it is
  EXPECT_FLOAT_EQ(*RawToUnits(table, kSourceRss, raw), 9000 * 0.017125f);
  EXPECT_EQ(raw, 9000);
  raw = 0;
  EXPECT_FLOAT_EQ(*RawToUnits(table, kSourceTemperature, raw), 625.66f);
}

TEST_F(ValueConversionTest, SourceZeroAndUnknownSourcesAreEmpty) {
  double raw = 5;
  QString text = "1";
  for (int16_t source : {0, 10, -1}) {
    EXPECT_FALSE(RawToUnits(table, source, raw).has_value());
    EXPECT_FALSE(UnitsToRaw(table, source, text).has_value());
  }
  EXPECT_EQ(raw, 5);
  EXPECT_EQ(text, "1");
}

TEST_F(ValueConversionTest, UnitsToRawLimitsTheTextToTheRange) {
  QString text = "-200";
  EXPECT_EQ(ToRaw(kSourceX, text), 8192);
  EXPECT_EQ(text, "-140.288");
  text = "-1";
  EXPECT_EQ(ToRaw(kSourceSupply, text), 0);
  EXPECT_EQ(text, "0");
  text = "3";
  EXPECT_EQ(ToRaw(kSourceAuxAdc, text), 4095);
  EXPECT_EQ(text, "2.5");
  text = "1.5 g";  // in range: the text stays as typed
  EXPECT_EQ(ToRaw(kSourceX, text), 88);
  EXPECT_EQ(text, "1.5 g");
  text = "junk";
  EXPECT_EQ(ToRaw(kSourceY, text), 0);
}

TEST_F(ValueConversionTest, XUpperLimitStaysInsideThe14BitField) {
  QString text = "500";
  EXPECT_EQ(ToRaw(kSourceX, text), 8191);
  EXPECT_EQ(text, "140.2714");
  text = "140.271375";
  EXPECT_EQ(ToRaw(kSourceX, text), 8191);
}

TEST_F(ValueConversionTest, NegativeThresholdsBecomeTwosComplementCodes) {
  QString text = "-0.017125";
  EXPECT_EQ(ToRaw(kSourceX, text), 16383);
  text = "-68.1828";
  EXPECT_EQ(ToRaw(kSourceY, text), 16384 - 8110);
  text = "-0.001";  // rounds to code 0, which stays 0 rather than 16384
  EXPECT_EQ(ToRaw(kSourceXPeak, text), 0);
  text = "-30";
  EXPECT_EQ(ToRaw(kSourceYPeak, text), 16384 - 2457);
  EXPECT_EQ(text, "-20.66");
}

TEST_F(ValueConversionTest, TemperatureRoundsTheDegreesNotTheCode) {
  QString text = "25";
  EXPECT_NEAR(ToRaw(kSourceTemperature, text), -601 / static_cast<double>(-0.47f), 1e-9);
  text = "-10";
  EXPECT_NEAR(ToRaw(kSourceTemperature, text), -636 / static_cast<double>(-0.47f), 1e-9);
  text = "-400";
  ToRaw(kSourceTemperature, text);
  EXPECT_EQ(text, "-336.43");
}

TEST_F(ValueConversionTest, RssThresholdsInvertTheDisplayedValue) {
  for (double code : {0.0, 1.0, 584.0, 8191.0, 16383.0}) {
    double raw = code;
    QString text = QString::number(*RawToUnits(table, kSourceRss, raw), 'g', 9);
    EXPECT_EQ(ToRaw(kSourceRss, text), code);
    raw = code;
    text = QString::number(*RawToUnits(table, kSourceRssPeak, raw), 'g', 9);
    EXPECT_EQ(ToRaw(kSourceRssPeak, text), code);
  }
  QString text = "-3";
  EXPECT_EQ(ToRaw(kSourceRss, text), 0);
  EXPECT_EQ(text, "0");
  text = "300";
  EXPECT_EQ(ToRaw(kSourceRssPeak, text), 16383);
  EXPECT_EQ(text, "280.5604");
}

}  // namespace
}  // namespace talvix::registers
