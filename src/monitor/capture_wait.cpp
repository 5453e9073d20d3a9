// SPDX-License-Identifier: MIT
#include "monitor/capture_wait.h"

#include "monitor/arm_logic.h"
#include "monitor/status_flags.h"
#include "registers/capture_trace.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"

#include <algorithm>
#include <optional>

namespace talvix::monitor {

namespace {

// Added to twice the fill time of the buffers (see WaitForFullBuffers).
constexpr double kFillMarginSeconds = 0.2;

}  // namespace

CaptureWait WaitForTrigger(Session& session, double timeout_seconds,
                           const std::function<bool()>& stop_requested) {
  link::RegisterAccess& link = session.link;
  platform::Clock& clock = session.clock();
  const double deadline = clock.MonotonicSeconds() + timeout_seconds;
  for (;;) {
    if (!link::Answered(link.ReadReg(registers::kStatus), link.RawWord)) {
      return CaptureWait::kFailed;
    }
    if (CaptureTriggered(link.RegRaw, session.capture.Armed, session.capture.CaptTrigSelect)) {
      break;
    }
    if (stop_requested()) return CaptureWait::kStopped;
    if (clock.MonotonicSeconds() >= deadline) return CaptureWait::kTimedOut;
    session.delay->DelayMs(kCaptureStatusPollMs);
  }
  // Without both snapshots the buffers' layout is not known.
  return RecordTrigger(link, session.capture) ? CaptureWait::kTriggered : CaptureWait::kFailed;
}

CaptureWait WaitForFullBuffers(Session& session, const std::function<bool()>& stop_requested) {
  link::RegisterAccess& link = session.link;
  platform::Clock& clock = session.clock();
  const auto capt_cfg = static_cast<uint16_t>(session.capture.CaptCfgSnapshot);
  const std::optional<int> length = registers::CaptureLength(capt_cfg);
  if (!length) return CaptureWait::kTriggered;  // the read-out says what is wrong with it
  const int after_trigger = *length - (1 << registers::CaptPreTriggerCode(capt_cfg));
  const double fill_seconds =
      std::max(after_trigger, 0) *
      registers::SamplePeriodMs(static_cast<uint16_t>(session.capture.SmplPrdSnapshot)) / 1000.0;
  const double deadline = clock.MonotonicSeconds() + 2 * fill_seconds + kFillMarginSeconds;
  for (;;) {
    if (!link::Answered(link.ReadReg(registers::kStatus), link.RawWord)) {
      return CaptureWait::kFailed;
    }
    if ((link.RegRaw & registers::kStatusCaptureFull) != 0) return CaptureWait::kTriggered;
    if (clock.MonotonicSeconds() >= deadline) return CaptureWait::kTriggered;
    if (stop_requested()) return CaptureWait::kStopped;
    session.delay->DelayMs(kCaptureStatusPollMs);
  }
}

}  // namespace talvix::monitor
