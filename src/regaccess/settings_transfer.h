// SPDX-License-Identifier: MIT
// The sensor's settings saved to a settings file and loaded back, the same for talvix-cli and the
// main window's "Save Settings..." and "Load Settings...":
//
// Save reads every settings register and writes the file whole, or writes nothing when a read did
// not reach the sensor.
//
// Load checks the whole file first (settings_file.h: nothing is sent for a file with a problem),
// reads the registers as they are, writes the file's words in an order the sensor takes without
// false alarms, then reads every register back and names each one that does not hold its word.
// The order: ALM_CTRL first with both alarm sources off and the capture trigger selection clear,
// so that no comparator trips and no armed capture fills on a half-written set-up; then the
// digital lines and MISC_CTRL (self-test among them), the nulls and scales, the sample period, the
// auxiliary DAC with the COMMAND that makes the DAC take it, the capture set-up, the two alarm
// levels, and last ALM_CTRL as the file gives it. Each write is followed by the pause its window
// makes after it. None of these registers needs the KeyCode unlock. The settings are not stored
// in the sensor's flash: that stays the user's choice (Flash Memory Register Update).
#pragma once

#include "link/register_access.h"
#include "regaccess/device_settings.h"
#include "session/session.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace talvix::regaccess {

// ---- save ------------------------------------------------------------------------------------

// Reads every settings register. Nothing, with the reason in `error`, when a read did not reach
// the sensor or came back all ones, or when the sensor holds a word a settings file cannot carry.
std::optional<DeviceSettings> ReadDeviceSettings(link::RegisterAccess& link, QString& error);

// Reads the settings and writes them to the settings file at `path`, whole. False, with the
// reason in `error` (naming the file or the register), when nothing was written.
bool SaveSettings(link::RegisterAccess& link, const QString& path, DeviceSettings& saved,
                  QString& error);

// ---- load ------------------------------------------------------------------------------------

struct PlannedWrite {
  int16_t index = 0;
  uint16_t word = 0;
  double pause_ms = 0.0;  // after the write
  QString note;           // what the write does
};

// The writes that load `settings`, in order.
std::vector<PlannedWrite> WritePlan(const registers::RegisterTable& table,
                                    const DeviceSettings& settings);

// The plan as text lines: label, word, what it does (tab-separated), for a dry run.
QStringList PlanLines(const registers::RegisterTable& table, const DeviceSettings& settings);

struct LoadReport {
  enum class Result {
    kLoaded,      // every register reads back its word
    kRefused,     // nothing was sent (a capture is armed or being read out)
    kNotReached,  // the sensor did not answer or a write did not reach it (see `error`)
    kDiffers,     // written, but the registers in `differing` read back other words
  };
  Result result = Result::kRefused;
  QString error;
  int writes_done = 0;         // of WritePlan's writes
  DeviceSettings before{};     // the words read before writing (valid once writes began)
  DeviceSettings read_back{};  // the words read back (valid for kLoaded and kDiffers)
  std::vector<int16_t> differing;
};

// Loads checked settings into the sensor through the session's link and delay.
LoadReport LoadSettings(Session& session, const DeviceSettings& settings);

// ---- what the user is told -------------------------------------------------------------------

// One line per register: label, word before, word now, what it means (tab-separated).
QStringList LoadedLines(const registers::RegisterTable& table, const DeviceSettings& settings,
                        const LoadReport& report);

// One line per register that reads back differently: "XACCL_NULL: wrote 0010, reads back 0000".
QStringList DifferingLines(const registers::RegisterTable& table, const DeviceSettings& settings,
                           const LoadReport& report);

// The summary the main window shows after a load (the registers that changed, those that read
// back differently, or why nothing was sent).
QString LoadSummary(const registers::RegisterTable& table, const QString& path,
                    const DeviceSettings& settings, const LoadReport& report);

// The message for a file refused by its checks: every problem, and that nothing was sent.
QString RefusedFileMessage(const QStringList& problems);

}  // namespace talvix::regaccess
