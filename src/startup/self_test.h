// SPDX-License-Identifier: MIT
// The self-test of an interface that is open: a non-destructive check, step by step, that the
// card (when there is one) and the sensor behind it work, for a first bench on real hardware as
// for the simulated sensor. Every register it changes is restored before it ends. talvix-cli
// selftest opens the interface, runs these steps and prints their lines.
#pragma once

#include "registers/register_index.h"
#include "session/session.h"

#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace talvix::startup {

enum class StepResult { kPass, kFail, kSkipped };

struct SelfTestStep {
  QString name;  // "interface", "card", "product", "status", "write-read", "timing", "supply"
  StepResult result = StepResult::kSkipped;
  // What was found when it passed; why it failed, with what to do; why it was not run.
  QString detail;
  // Measured figures for benches that read them, as (name, number): "measured_ms", "volts", ...
  std::vector<std::pair<QString, double>> figures;
  // Failed for want of an answer (the link broke or the sensor is silent): the later steps would
  // fail the same way and are not run.
  bool lost_sensor = false;
};

// The sensor's identification read as the About window reads it (the unlock, the product words,
// the lock again). Filled by the caller, which owns that read-out.
struct IdentityRead {
  bool answered = false;  // every read reached the sensor and the words are not all ones
  bool all_zero = false;  // the three words read 0: the product registers stayed locked
  QString text;           // "product 16325, revision 1.2, date 6/24/2025"
};

struct SelfTestHooks {
  std::function<IdentityRead()> read_identity;
  // Why the last register operation brought no value, and what to check.
  std::function<QString()> no_value_cause;
};

// The register that the write and read-back step writes and restores. AUX_DAC is safe to change:
// the DAC's output takes a new code only on COMMAND 0x0004, which the self-test never sends.
inline constexpr int16_t kWriteReadRegister = registers::kAuxDac;  // 12 bits
// The bits the read-back step flips in its code, so that every line carries both levels.
inline constexpr int32_t kWriteReadFlips = 0x0A5A;
// Register reads timed by the timing step.
inline constexpr int kTimedReads = 100;
// The pauses one register read must make in all: over the parallel port 0.1 ms after each of its
// two frames and 0.1 ms after the read; over the USB SPI card 0.1 ms after the read.
inline constexpr double kParallelOperationMs = 0.3;
inline constexpr double kUsbOperationMs = 0.1;
// The sensor's supply range: its STATUS flags a supply below 3.0 V or above 3.6 V.
inline constexpr double kSupplyLowVolts = 3.0;
inline constexpr double kSupplyHighVolts = 3.6;

// Runs the steps after "interface" on `session`: "card" (USB SPI card
// only), "product", "status", "write-read", "timing", "supply". After a step that lost the
// sensor, the rest are listed as skipped; with `lost_in` (the step before these that lost it,
// "interface") all of them are.
std::vector<SelfTestStep> RunSelfTest(Session& session, const SelfTestHooks& hooks,
                                      QString lost_in = {});

// One step's outcome as a word: "pass", "fail", "skipped".
QString ResultWord(StepResult result);

}  // namespace talvix::startup
