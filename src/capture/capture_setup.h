// SPDX-License-Identifier: MIT
// An event capture set up in one go, as the capture configuration window's Steps 1 to 3 set it up:
// CAPT_CFG and the comparators' sources in ALM_CTRL, the chosen comparator's level and direction
// (the other comparator's level written back as it was), and the trigger source for the next Arm.
// talvix-cli capture and the Python module's capture() run it, then arm and wait
// (monitor/capture_wait.h).
#pragma once

#include "registers/register_table.h"
#include "session/session.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::capture {

struct CaptureSetup {
  std::array<int, 2> source{};  // source index of buffer 0 and buffer 1
  int length_code = 0;          // kLengthCodeMin..kLengthCodeMax: 2^n samples
  int pre_trigger_code = 0;     // 1..length_code - 1: 2^m samples before the trigger
  int trigger = 1;              // 1: comparator 1 on buffer 0's source; 2: comparator 2, buffer 1
  QString level;                // in the trigger source's unit, point as decimal separator
  bool above = true;            // Greater Than; else Less Than
};

// The source whose name (the configuration window's list text) is `name`, blanks or underscores
// and case aside ("x acceleration" and "X_ACCELERATION" both name X_Acceleration).
std::optional<int> FindCaptureSource(const QString& name);

// Why `level` (a number in the unit of `source`, point as decimal separator) cannot be its
// trigger level: outside the source's range, which the text gives. Empty when it can.
QString LevelRangeProblem(const registers::RegisterTable& table, int source, const QString& level);

enum class SetupEnd {
  kDone,
  kConfigNotRead,  // the configuration could not be read: nothing was written
  kNoSense,        // the sensor's answers make no sense (ALM_CTRL in `alm_ctrl`)
  kStep1Failed,    // CAPT_CFG and ALM_CTRL could not be set
  kStep2Failed,    // ALM_MAG1 and ALM_MAG2 could not be set
};

struct SetupResult {
  SetupEnd end = SetupEnd::kDone;
  int32_t alm_ctrl = 0;
};

// Writes the set-up (Steps 1 and 2 with their waits) and selects the trigger for the next Arm.
// The session's last link status tells why a step failed.
SetupResult WriteCaptureSetup(Session& session, const CaptureSetup& setup);

}  // namespace talvix::capture
