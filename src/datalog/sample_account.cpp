// SPDX-License-Identifier: MIT
#include "datalog/sample_account.h"

#include <algorithm>

namespace talvix::datalog {

namespace {

// Below this a sample is not called late whatever its delay: the scheduler's own jitter.
constexpr double kLeastLatenessSeconds = 0.001;

}  // namespace

void SampleAccount::Take(double start, double reads_done) {
  if (samples_ == 0) {
    first_start_ = start;
  } else {
    longest_gap_ = std::max(longest_gap_, start - last_start_);
    const double due = last_done_ + delay_s_;
    if (start - due > std::max(delay_s_, kLeastLatenessSeconds)) ++late_;
  }
  ++samples_;
  last_start_ = start;
  last_done_ = reads_done;
}

double SampleAccount::rate() const {
  const double span = last_done_ - first_start_;
  return samples_ > 0 && span > 0 ? static_cast<double>(samples_) / span : 0.0;
}

QString SampleAccount::Summary() const {
  return QStringLiteral(
             "%1 samples in %2 s, %3 samples/s; longest gap %4 ms; %5 late (more than "
             "%6 ms past their delay)")
      .arg(samples_)
      .arg(samples_ > 0 ? last_done_ - first_start_ : 0.0, 0, 'f', 2)
      .arg(rate(), 0, 'f', 1)
      .arg(longest_gap_ * 1000.0, 0, 'f', 1)
      .arg(late_)
      .arg(std::max(delay_s_, kLeastLatenessSeconds) * 1000.0, 0, 'g', 6);
}

}  // namespace talvix::datalog
