// SPDX-License-Identifier: MIT
// The account of a run's samples, given at its end by the datalog window and talvix-cli log: how
// many were taken, the rate achieved, the longest gap between the starts of two samples, and how
// many came late. A sample is late when it starts more than one sample delay (and at least 1 ms)
// after it was due, that is after the previous sample's reads ended and its delay was waited: the
// time its reads take does not count, only what held the run up beyond the pause asked for (a
// slow disk, a busy machine, a window that kept the run waiting).
#pragma once

#include <QString>

#include <cstdint>

namespace talvix::datalog {

class SampleAccount {
 public:
  explicit SampleAccount(double delay_ms = 0) : delay_s_(delay_ms / 1000.0) {}

  // A sample whose reads began at `start` and ended at `reads_done` (monotonic seconds).
  void Take(double start, double reads_done);

  int64_t samples() const { return samples_; }
  // Samples per second from the first sample's start to the last one's end (0 for none).
  double rate() const;
  // Seconds between the starts of two samples that follow each other (0 for fewer than two).
  double longest_gap() const { return longest_gap_; }
  int64_t late() const { return late_; }

  // "1000 samples in 1.82 s, 549.5 samples/s; longest gap 2.9 ms; 0 late (more than 1 ms past
  // their delay)", with a point as the decimal separator.
  QString Summary() const;

 private:
  double delay_s_;
  int64_t samples_ = 0;
  double first_start_ = 0;
  double last_start_ = 0;
  double last_done_ = 0;
  double longest_gap_ = 0;
  int64_t late_ = 0;
};

}  // namespace talvix::datalog
