// SPDX-License-Identifier: MIT
// One sensor on one interface, as the Python module's Sensor object uses it: the same platform,
// simulated bench and session that talvix-cli builds, kept open between calls, and the commands of
// talvix-cli (read, write, dump, log, capture, settings) as calls that return data and throw the
// exceptions of sensor_errors.h. No Python here: the bindings (talvix_module.cpp) release the
// interpreter around these calls and give the long ones a stop question that checks for Ctrl-C.
// Calls on one Sensor are serialised by its own lock, so that threads may share it.
#pragma once

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/notifier.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace talvix {
class Session;
namespace platform {
class LibUsbDriver;
}  // namespace platform
namespace simbench {
class SimulatedBench;
}  // namespace simbench
}  // namespace talvix

namespace talvix::python {

// The interface and the simulator's options, as talvix-cli's global options give them.
struct OpenOptions {
  QString interface = QStringLiteral("sim-lpt");  // sim-lpt, sim-usb, lpt:<hex>, usb:<n>
  QString trace_path;                             // --sim-trace: every SPI frame to this file
  bool shocks = false;                            // --sim-shocks
  std::optional<QString> usb_ids;                 // --usb-ids VVVV:PPPP,QQQQ
  QStringList vibrations;                         // --sim-vibration HZ:G[:AXIS], each one given
  double usb_latency_ms = 0;                      // --sim-usb-latency: each card transfer's cost
};

// Throws std::invalid_argument when an option is not valid or needs a simulated interface.
void CheckOpenOptions(const OpenOptions& options);

// One register read: its raw word, the code the read rule takes from it, and the value.
struct Reading {
  QString label;
  int address = 0;
  uint16_t word = 0;
  int32_t code = 0;
  float value = 0;
};

struct LogRows {
  QStringList columns;          // the selected values' names, in column order
  std::vector<double> seconds;  // since the first sample began
  std::vector<float> values;    // row after row, columns.size() a row
  bool stopped = false;         // the stop question ended the log early
};

struct CaptureRequest {
  QString source1;  // data source of buffer 0, watched by comparator 1
  QString source2;  // data source of buffer 1, watched by comparator 2
  int64_t length = 0;
  int64_t pretrigger = 0;
  int trigger = 1;
  double level = 0;
  QString direction = QStringLiteral("above");  // or "below"
  double timeout_seconds = 10;
};

struct CaptureBuffer {
  QString source;
  QString units;
  std::vector<int32_t> codes;
  std::vector<double> values;  // in `units`
};

struct CaptureData {
  std::array<CaptureBuffer, 2> buffers;
  double sample_period_seconds = 0;
  int pretrigger = 0;    // samples before the trigger: the trigger is at index `pretrigger`
  bool stopped = false;  // the stop question ended the wait: disarmed, nothing read
};

// One line of a settings save: the register, its word and what it means.
struct SettingLine {
  QString label;
  uint16_t word = 0;
  QString meaning;
};

class Sensor {
 public:
  // Opens the interface and brings it up; throws std::invalid_argument for bad options and
  // LinkError when the interface cannot be brought up.
  explicit Sensor(const OpenOptions& options);
  ~Sensor();
  Sensor(const Sensor&) = delete;
  Sensor& operator=(const Sensor&) = delete;

  // Lets the interface go, then flushes the frame trace (FileError when it cannot be written).
  // Later calls throw std::invalid_argument.
  void Close();
  bool closed() const;
  const QString& interface_name() const { return interface_; }

  Reading Read(const QString& label);
  void Write(const QString& label, int64_t word);
  std::vector<Reading> Dump();
  // `values`: the datalog's value names (talvix-cli log --values); empty for all eight.
  LogRows Log(const QStringList& values, int64_t samples, double delay_ms,
              const std::function<bool()>& stop_requested);
  CaptureData Capture(const CaptureRequest& request, const std::function<bool()>& stop_requested);
  std::vector<SettingLine> SettingsSave(const QString& path);
  // The dry run's planned writes, or the loaded registers: label, word before, word now, meaning.
  QStringList SettingsLoad(const QString& path, bool dry_run);

 private:
  Session& OpenSession();  // throws when closed
  [[noreturn]] void ThrowNoValue(const QString& what);
  void FlushTrace();

  std::mutex mutex_;
  QString interface_;
  platform::SystemClock clock_;
  platform::RecordingNotifier notifier_;
  platform::CallbackEventPump events_;
  std::unique_ptr<simbench::SimulatedBench> sim_;
  std::unique_ptr<platform::LibUsbDriver> libusb_;
  std::unique_ptr<Session> session_;
};

}  // namespace talvix::python
