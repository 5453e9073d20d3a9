// SPDX-License-Identifier: MIT
#include "sim/sim_sensor.h"

#include "sim/sensor_register_map.h"

#include <algorithm>
#include <cmath>

namespace talvix::sim {

namespace {

using namespace registers;

struct IdentificationWord {
  int16_t index;
  uint16_t word;
};
constexpr IdentificationWord kIdentification[] = {
    {kRevDate, kIdentRevDate},
    {kMonthYear, kIdentMonthYear},
    {kProductId, kIdentProductId},
};

// Catching up after a long silence takes at most this many samples (32 s at 4096 samples per
// second); older ones are skipped, except those that fall on a shock.
constexpr int64_t kMaxCatchUpSamples = int64_t{1} << 17;
// Auto null averages this many of the latest samples.
constexpr int kAutoNullSamples = 16;
// STATUS bits that raise the error flag (bit 14) of the output registers.
constexpr uint16_t kErrorStatusBits = kStatusSupplyLow | kStatusSupplyHigh |
                                      kStatusFlashStoreFailed | kStatusWriteRejected |
                                      kStatusAlarm1 | kStatusAlarm2;

// The output registers and the source index each one answers.
struct OutputRegister {
  int16_t index;
  int source;
};
constexpr OutputRegister kOutputs[] = {
    {kSupply, kSourceSupply},
    {kXAccl, kSourceX},
    {kYAccl, kSourceY},
    {kAuxAdc, kSourceAuxAdc},
    {kTemperature, kSourceTemperature},
    {kXPeak, kSourceXPeak},
    {kYPeak, kSourceYPeak},
    {kRssXy, kSourceRss},
    {kRssPeak, kSourceRssPeak},
};

}  // namespace

SimSensor::SimSensor(platform::Clock& clock, uint32_t seed) : clock_(clock), motion_(seed) {
  PowerUp();
}

// ---- register file --------------------------------------------------------------------------

void SimSensor::SetWord(uint8_t address, uint16_t word) {
  const uint8_t even = address & 0x7E;
  bytes_[even] = static_cast<uint8_t>(word & 0xFF);
  bytes_[even + 1] = static_cast<uint8_t>(word >> 8);
}

uint16_t SimSensor::Reg(int16_t index) const {
  const uint8_t even = AddressOf(index);
  return static_cast<uint16_t>(bytes_[even] | (bytes_[even + 1] << 8));
}

void SimSensor::SetReg(int16_t index, uint16_t word) {
  SetWord(AddressOf(index), word);
}

void SimSensor::PowerUp() {
  bytes_.fill(0);
  for (const IdentificationWord& id : kIdentification) SetReg(id.index, id.word);
  for (int16_t index : SensorFlash::StoredRegisters()) SetReg(index, flash_.Word(index));
  dac_word_ = Reg(kAuxDac);
  peaks_.Reset();
  capture_.Reset();
  alarm1_ = alarm2_ = false;
  flash_store_failed_ = write_rejected_ = false;
  sleep_until_.reset();
  pending_answer_ = 0;
  key_low_ = 0;
  unlocked_ = false;
  const double now = clock_.MonotonicSeconds();
  frame_time_ = now;
  grid_.Restart(now, SamplePeriodSeconds(Reg(kSmplPrd)));
  last_read_index_.fill(grid_.IndexAt(0) - 1);
  CatchUp(now);  // the first sample, taken at power-up
}

// ---- sampling -------------------------------------------------------------------------------

CodingInputs SimSensor::Coding() const {
  CodingInputs in;
  in.x_null = Reg(kXAcclNull);
  in.y_null = Reg(kYAcclNull);
  in.x_scale = Reg(kXAccScale);
  in.y_scale = Reg(kYAccScale);
  in.self_test = (Reg(kMiscCtrl) & kMiscCtrlSelfTest) != 0;
  in.dac_volts = DacVolts(dac_word_);
  in.gpio_ctrl = Reg(kGpioCtrl);
  return in;
}

void SimSensor::CatchUp(double now) {
  if (sleep_until_) {
    if (now < *sleep_until_) return;
    grid_.Restart(*sleep_until_, grid_.period());  // wakes up with a sample
    sleep_until_.reset();
  }
  int64_t due = grid_.DueBy(now);
  if (due > kMaxCatchUpSamples) {
    const int64_t skipped = due - kMaxCatchUpSamples;
    TakeShockSamples(skipped);
    grid_.Advance(skipped);
    due = kMaxCatchUpSamples;
  }
  for (int64_t k = 0; k < due; ++k) {
    TakeSample(grid_.InstantAt(0), grid_.IndexAt(0));
    grid_.Advance(1);
  }
}

void SimSensor::TakeShockSamples(int64_t skipped) {
  const double first = grid_.InstantAt(0);
  const double period = grid_.period();
  const double last_k = static_cast<double>(skipped - 1);
  double next_k = 0.0;
  int64_t budget = kMaxCatchUpSamples;  // bounds the work for shocks of any length
  for (const Shock& shock : motion_.shocks()) {
    const double begin = std::max(next_k, std::ceil((shock.at_seconds - first) / period));
    const double end =
        std::min(last_k, std::floor((shock.at_seconds + shock.duration_seconds - first) / period));
    for (double k = begin; k <= end && budget > 0; k += 1.0, --budget) {
      const auto kk = static_cast<int64_t>(k);
      TakeSample(grid_.InstantAt(kk), grid_.IndexAt(kk));
      next_k = k + 1.0;
    }
  }
}

void SimSensor::TakeSample(double instant, int64_t index) {
  latest_ = motion_.At(instant, index);
  latest_index_ = index;
  latest_instant_ = instant;
  SampleCodes codes = CodeSample(latest_, Coding());
  peaks_.Update(codes);
  const uint16_t alm_ctrl = Reg(kAlmCtrl);
  const ComparatorOutputs trips =
      EvaluateComparators(alm_ctrl, Reg(kAlmMag1), Reg(kAlmMag2), codes);
  alarm1_ = alarm1_ || trips.trip1;
  alarm2_ = alarm2_ || trips.trip2;
  if (capture_.OnSample(codes, trips, alm_ctrl, Reg(kCaptCfg))) {
    // The trigger consumes the selection: the capture is no longer armed.
    SetReg(kAlmCtrl, static_cast<uint16_t>(alm_ctrl & ~kAlmCtrlTriggerBits));
  }
}

SampleCodes SimSensor::PresentCodes() const {
  SampleCodes codes = CodeSample(latest_, Coding());
  peaks_.Fill(codes);
  return codes;
}

// ---- answers --------------------------------------------------------------------------------

uint16_t SimSensor::StatusWord() const {
  uint16_t status = 0;
  if (latest_.supply_volts < kSupplyLowVolts) status |= kStatusSupplyLow;
  if (latest_.supply_volts > kSupplyHighVolts) status |= kStatusSupplyHigh;
  if (flash_store_failed_) status |= kStatusFlashStoreFailed;
  if (write_rejected_) status |= kStatusWriteRejected;
  if (capture_.Armed(Reg(kAlmCtrl))) status |= kStatusCaptureArmed;
  if (capture_.Triggered()) status |= kStatusCaptureTriggered;
  if (alarm1_) status |= kStatusAlarm1;
  if (alarm2_) status |= kStatusAlarm2;
  if (capture_.Full()) status |= kStatusCaptureFull;
  return status;
}

uint16_t SimSensor::AnswerWord(uint8_t even) const {
  for (const OutputRegister& out : kOutputs) {
    const SensorRegister& reg = SensorRegisterOf(out.index);
    if (reg.address != even) continue;
    uint16_t word = reg.Field(PresentCodes()[out.source]);
    if (latest_index_ > last_read_index_[out.index]) word |= kNewDataFlag;
    if (StatusWord() & kErrorStatusBits) word |= kErrorFlag;
    return word;
  }
  if (even == AddressOf(kCaptBuf0) || even == AddressOf(kCaptBuf1)) {
    const int buffer = even == AddressOf(kCaptBuf0) ? 0 : 1;
    return capture_.Word(buffer, Reg(kCaptPntr) & SensorRegisterOf(kCaptPntr).field_mask());
  }
  if (even == AddressOf(kStatus)) return StatusWord();
  if (even == AddressOf(kEndurance)) return flash_.endurance();
  return static_cast<uint16_t>(bytes_[even] | (bytes_[even + 1] << 8));
}

uint16_t SimSensor::StoredWord(uint8_t address) const {
  return AnswerWord(address & 0x7E);
}

uint16_t SimSensor::AnswerRead(uint8_t address) {
  const uint8_t even = address & 0x7E;
  if (even >= AddressOf(kRevDate) && even <= AddressOf(kProductId) && !unlocked_) return 0;
  const uint16_t word = AnswerWord(even);
  for (const OutputRegister& out : kOutputs) {
    if (AddressOf(out.index) == even) last_read_index_[out.index] = latest_index_;
  }
  return word;
}

bool SimSensor::SilentAt(double now) const {
  return !answering_ || (sleep_until_ && now < *sleep_until_);
}

bool SimSensor::Asleep() const {
  return sleep_until_ && clock_.MonotonicSeconds() < *sleep_until_;
}

uint16_t SimSensor::PendingAnswer() const {
  return SilentAt(clock_.MonotonicSeconds()) ? kSilentWord : pending_answer_;
}

uint16_t SimSensor::Transfer(uint16_t sent) {
  const double now = clock_.MonotonicSeconds();
  if (SilentAt(now)) {
    pending_answer_ = 0;
    trace_.Record(sent, kSilentWord, now);
    return kSilentWord;
  }
  frame_time_ = now;
  CatchUp(now);
  const uint16_t answered = pending_answer_;
  pending_answer_ = 0;
  const auto address = static_cast<uint8_t>((sent >> 8) & 0x7F);
  if (sent & 0x8000) {
    WriteByte(address, static_cast<uint8_t>(sent & 0xFF));
  } else {
    pending_answer_ = AnswerRead(address);
  }
  trace_.Record(sent, answered, now);
  return answered;
}

// ---- writes and commands --------------------------------------------------------------------

void SimSensor::WriteByte(uint8_t address, uint8_t value) {
  const uint8_t even = address & 0x7E;
  const bool upper = address & 1;
  if (even == AddressOf(kKeyCode)) {
    // Written lower byte first; the key takes effect when its upper byte arrives.
    if (!upper) {
      key_low_ = value;
    } else {
      unlocked_ = ((value << 8) | key_low_) == kUnlockKey;
    }
    return;
  }
  if (even >= AddressOf(kRevDate) && even <= AddressOf(kProductId)) {
    unlocked_ = false;  // the program ends its read-out of the identification with such a write
    return;
  }
  if (even == AddressOf(kCommand)) {
    // Written upper byte first; the command acts when its lower byte arrives.
    bytes_[address] = value;
    if (!upper) RunCommand(Reg(kCommand));
    return;
  }
  const SensorRegister* reg = SensorRegisterAt(even);
  if (reg != nullptr && reg->writable()) {
    bytes_[address] = value;
    AfterWrite(reg->index, upper);
    return;
  }
  write_rejected_ = true;  // read-only or unmapped
}

void SimSensor::AfterWrite(int16_t index, bool upper) {
  if (index == kSmplPrd) {
    // The next sample comes one new period after the last one.
    const double period = SamplePeriodSeconds(Reg(kSmplPrd));
    grid_.Restart(latest_instant_ + period, period);
  } else if (index == kSlpCnt && !upper) {
    const int count = Reg(kSlpCnt) & SensorRegisterOf(kSlpCnt).field_mask();
    if (count > 0) {
      sleep_until_ = frame_time_ + count * kSleepStepSeconds;
      pending_answer_ = 0;
    }
  }
}

void SimSensor::RunCommand(uint16_t command) {
  if (command & kCommandAutoNull) AutoNull();
  if (command & kCommandFactoryCalibration) {
    for (int16_t index : {kXAcclNull, kYAcclNull, kXAccScale, kYAccScale}) {
      SetReg(index, SensorFlash::FactoryWord(index));
    }
  }
  if (command & kCommandUpdateDac) dac_word_ = Reg(kAuxDac);
  if (command & kCommandStoreFlash) {
    QString error;
    if (flash_.Store([this](int16_t index) { return Reg(index); }, error)) {
      flash_error_.clear();
    } else {
      flash_error_ = error;
      flash_store_failed_ = true;
    }
  }
  if (command & kCommandClearAlarms) {
    alarm1_ = alarm2_ = false;
    flash_store_failed_ = write_rejected_ = false;
  }
  if (command & kCommandResetPeaks) peaks_.Reset();
  if (command & kCommandPrepareCapture) {
    capture_.Prepare();
    alarm1_ = alarm2_ = false;
  }
}

void SimSensor::AutoNull() {
  const CodingInputs in = Coding();
  double x = 0.0;
  double y = 0.0;
  for (int back = 0; back < kAutoNullSamples; ++back) {
    const double instant = latest_instant_ - back * grid_.period();
    const Unnulled u = UnnulledCodes(motion_.At(instant, latest_index_ - back), in);
    x += u.x;
    y += u.y;
  }
  SetReg(kXAcclNull, NullWord(-x / kAutoNullSamples));
  SetReg(kYAcclNull, NullWord(-y / kAutoNullSamples));
}

bool SimSensor::SetFlashFile(const QString& path, QString* error) {
  QString why;
  const bool loaded = flash_.SetFile(path, why);
  PowerUp();
  flash_error_ = why;
  if (error) *error = why;
  return loaded;
}

bool SimSensor::ProgramFlash(const std::function<uint16_t(int16_t)>& word_of, QString* error) {
  QString why;
  const bool stored = flash_.Store(word_of, why);
  PowerUp();
  flash_error_ = why;
  if (error) *error = why;
  return stored;
}

}  // namespace talvix::sim
