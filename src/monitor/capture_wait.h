// SPDX-License-Identifier: MIT
// The wait of an armed event capture, as talvix-cli capture and the Python module's capture() wait:
// the main window's status read, repeated until it sees the capture triggered (the snapshots of
// CAPT_CFG and SMPL_PRD are then taken as that read takes them), then the wait for the buffers to
// fill behind the trigger.
#pragma once

#include "session/session.h"

#include <functional>

namespace talvix::monitor {

enum class CaptureWait { kTriggered, kTimedOut, kStopped, kFailed };

// How often the status is read while waiting, in ms (each read also pauses 0.1 ms).
inline constexpr double kCaptureStatusPollMs = 10.0;

// Reads the status every kCaptureStatusPollMs until the armed capture has triggered, for at most
// `timeout_seconds`. kStopped as soon as `stop_requested` says so between two reads; kFailed when
// a status read or a snapshot brought no value (the session's last link status tells why).
CaptureWait WaitForTrigger(Session& session, double timeout_seconds,
                           const std::function<bool()>& stop_requested);

// After the trigger the samples behind it are still coming in: waits for the "buffers full"
// status bit, at most twice the time they take plus a margin, by which time they are full
// whether or not the sensor shows the bit.
CaptureWait WaitForFullBuffers(Session& session, const std::function<bool()>& stop_requested);

}  // namespace talvix::monitor
