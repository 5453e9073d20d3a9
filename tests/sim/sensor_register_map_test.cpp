// SPDX-License-Identifier: MIT
#include "sim/sensor_register_map.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

namespace talvix::sim {
namespace {

TEST(SensorRegisterMapTest, EveryRegisterIsFoundByItsIndexAndByBothItsBytes) {
  std::set<int> addresses;
  for (const SensorRegister& reg : SensorRegisters()) {
    EXPECT_EQ(reg.address % 2, 0) << reg.name;
    EXPECT_TRUE(addresses.insert(reg.address).second) << reg.name << " shares its address";
    EXPECT_EQ(&SensorRegisterOf(reg.index), &reg) << reg.name;
    EXPECT_EQ(SensorRegisterAt(reg.address), &reg) << reg.name;
    EXPECT_EQ(SensorRegisterAt(reg.address + 1), &reg) << reg.name;
  }
  for (int reserved : {18, 19, 22, 23, 36, -1, 64}) {
    EXPECT_EQ(FindSensorRegister(reserved), nullptr) << reserved;
  }
  EXPECT_THROW(SensorRegisterOf(18), std::out_of_range);
  for (uint8_t nothing : {0x24, 0x2D, 0x40, 0x4F, 0x58, 0x7F, 0x80}) {
    EXPECT_EQ(SensorRegisterAt(nothing), nullptr) << int{nothing};
  }
}

TEST(SensorRegisterMapTest, HeldCodeRoundsHalvesToEvenAndSaturates) {
  const SensorRegister& x = SensorRegisterOf(registers::kXAccl);  // 14-bit two's complement
  EXPECT_EQ(x.HeldCode(2.5), 2);
  EXPECT_EQ(x.HeldCode(-3.5), -4);
  EXPECT_EQ(x.HeldCode(1e12), 8191);
  EXPECT_EQ(x.HeldCode(-1e12), -8192);
  EXPECT_EQ(x.HeldCode(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(x.Field(-1), 0x3FFF);
  EXPECT_EQ(x.CodeOfWord(0xE000), -8192) << "flag bits above the field are ignored";

  const SensorRegister& supply = SensorRegisterOf(registers::kSupply);  // 12-bit unsigned
  EXPECT_EQ(supply.HeldCode(-5.0), 0);
  EXPECT_EQ(supply.HeldCode(5000.0), 4095);
  EXPECT_EQ(supply.CodeOfWord(0xCFFF), 4095);
}

}  // namespace
}  // namespace talvix::sim
