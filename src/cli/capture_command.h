// SPDX-License-Identifier: MIT
// talvix-cli capture: one event capture from the command line, as the windows take it. The
// configuration window's Steps 1 to 3 (CAPT_CFG and the comparator sources, the trigger level
// and direction, the trigger selection), the main window's Arm, then its status read repeated
// until it sees the chosen alarm bit (the capture has triggered: the snapshots of CAPT_CFG and
// SMPL_PRD are taken), then the display windows' Write File: both buffers read out and written
// as CapDat_0 and CapDat_1 in the window's format.
#pragma once

#include "registers/register_table.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <array>
#include <functional>
#include <optional>

namespace talvix {
class Session;
namespace platform {
class LibUsbDriver;
}  // namespace platform
}  // namespace talvix

namespace talvix::cli {

// No trigger came before the time-out: nothing was written.
inline constexpr int kExitTimedOut = 3;
// A signal stopped the wait for the trigger: nothing was written.
inline constexpr int kExitStopped = 130;

struct CaptureOptions {
  std::array<int, 2> source{};  // source index of buffer 0 (--source1) and buffer 1 (--source2)
  int length_code = 0;          // 3..10: 2^n samples
  int pre_trigger_code = 0;     // 1..9: 2^m samples before the trigger, fewer than the length
  int trigger = 1;              // 1: comparator 1 on buffer 0's source; 2: comparator 2, buffer 1
  QString level;                // in the trigger source's unit, point as decimal separator
  bool above = true;            // Greater Than; else Less Than
  double timeout_seconds = 10;
  QString folder;  // where the files go; the data folder when empty
  // --analyse: after the files, each buffer's statistics and strongest frequencies, and its
  // spectrum written as CapSpec_0 / CapSpec_1 beside them.
  bool analyse = false;
};

inline constexpr double kMaxCaptureTimeoutSeconds = 86400;

// The words after "capture", every one checked (the level against its source's range, the
// output folder for existence) before anything is sent; nothing, with the reason in `error`,
// when they are not valid.
std::optional<CaptureOptions> ParseCaptureOptions(const QStringList& operands,
                                                  const registers::RegisterTable& table,
                                                  QString& error);

QString CaptureHelpText();

// Runs the capture on `session`, whose interface is up: on success prints the two files' paths
// on `out`, one per line, and with `analyse` then each buffer's analysis under a line
// "file<TAB>path" and the spectrum file's path on a line "spectrum_file<TAB>path". kExitTimedOut or
// kExitStopped (the capture is disarmed, nothing is written) when no trigger came before the
// time-out or `stop_requested` said so while waiting; kExitDeviceError, with the reason in `error`,
// when an operation did not reach the sensor or was not answered, or a file could not be written.
// `libusb` as for RunCommand.
int RunCapture(const CaptureOptions& options, Session& session,
               const platform::LibUsbDriver* libusb, QTextStream& out,
               const std::function<bool()>& stop_requested, QString& error);

}  // namespace talvix::cli
