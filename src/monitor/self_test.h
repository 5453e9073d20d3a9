// SPDX-License-Identifier: MIT
// Self-test on and off: bit 8 of MISC_CTRL, changed by a read-modify-write.
#pragma once

#include "link/register_access.h"

#include <cstdint>

namespace talvix::monitor {

// ON sets bit 8 and keeps every other bit (0x0E05 -> 0x0F05); OFF keeps only the lower byte, so
// bit 8 and everything above it are cleared (0x0F05 -> 0x0005).
int32_t SelfTestWord(int32_t misc_ctrl, bool on);

// Reads MISC_CTRL and writes it back with the self-test bit set or cleared. A read that does not
// reach the sensor, or that a silent sensor answers with all ones, writes nothing: a word built on
// it would overwrite the other bits with invented ones. Returns whether both operations reached the
// sensor.
bool SetSelfTest(link::RegisterAccess& link, bool on);

}  // namespace talvix::monitor
