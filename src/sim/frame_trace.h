// SPDX-License-Identifier: MIT
// Every SPI frame the simulated sensor sees: the word sent to it and the word it shifted out
// meanwhile. Tests read it; `--sim-trace FILE` writes it, one frame a line ("9112 0000").
#pragma once

#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace talvix::sim {

struct TracedFrame {
  uint16_t sent = 0;
  uint16_t answered = 0;
  bool operator==(const TracedFrame&) const = default;
};

class FrameTrace {
 public:
  FrameTrace();
  ~FrameTrace();

  // `at_seconds`: when the frame was clocked, on the sensor's monotonic clock.
  void Record(uint16_t sent, uint16_t answered, double at_seconds = 0.0);

  // Why `path` cannot take the trace, naming the file (for a message at start, before anything
  // is opened); empty when it can. Only a regular file is written, or a link to one: a folder,
  // a named pipe, a device, a socket or a link that leads nowhere is refused.
  static QString TargetProblem(const QString& path);
  // Also writes every frame from now on to `path`, replacing the file. False, with the reason in
  // `error` (naming the file), when it is refused (TargetProblem) or cannot be opened. Opening
  // never blocks, not even on a named pipe put there meanwhile.
  bool WriteTo(const QString& path, QString& error);
  // Flushes the file written to; false with the reason when a write failed.
  bool Flush(QString& error);

  const std::vector<TracedFrame>& frames() const { return frames_; }
  // When each frame of frames() was clocked, on the sensor's monotonic clock (seconds).
  const std::vector<double>& times() const { return times_; }
  std::vector<uint16_t> SentWords() const;
  void Clear() {
    frames_.clear();
    times_.clear();
  }

  // The file form of one frame: the two words as four upper-case hex digits, one space apart.
  static QString FormatLine(const TracedFrame& frame);

 private:
  std::vector<TracedFrame> frames_;
  std::vector<double> times_;
  std::unique_ptr<QFile> file_;
};

}  // namespace talvix::sim
