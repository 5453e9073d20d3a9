// SPDX-License-Identifier: MIT
#include "capture/capture_readout.h"

#include "common/advice_texts.h"
#include "common/hex_text.h"
#include "common/number_text.h"
#include "registers/capture_trace.h"
#include "registers/register_bits.h"
#include "registers/register_index.h"

namespace talvix::capture {

namespace {

// Marks a read-out as running for its lifetime, so that none starts inside another.
class ReadOutGuard {
 public:
  explicit ReadOutGuard(CaptureState& state) : state_(state), busy_(state.ReadOutRunning) {
    state_.ReadOutRunning = true;
  }
  ~ReadOutGuard() {
    if (!busy_) state_.ReadOutRunning = false;
  }
  ReadOutGuard(const ReadOutGuard&) = delete;
  ReadOutGuard& operator=(const ReadOutGuard&) = delete;
  bool AlreadyRunning() const { return busy_; }

 private:
  CaptureState& state_;
  bool busy_;
};

}  // namespace

ReadOut ReadCaptureBuffer(link::RegisterAccess& link, int buffer, uint16_t capt_cfg,
                          std::vector<double>& samples) {
  samples.clear();
  const std::optional<int> length = registers::CaptureLength(capt_cfg);
  if (!length) return ReadOut::kInvalidLength;
  const int16_t reg = buffer == 1 ? registers::kCaptBuf1 : registers::kCaptBuf0;
  std::vector<double> read(*length + 1, 0.0);
  bool any_answer = false;
  for (int i = 1; i <= *length; ++i) {
    if (!link::Reached(link.WriteReg(registers::kCaptPntr, i))) return ReadOut::kNotReached;
    if (!link::Reached(link.ReadReg(reg))) return ReadOut::kNotReached;
    any_answer = any_answer || link.RawWord != link::kNoAnswerWord;
    read[i] = link.RegRaw;
  }
  if (!any_answer) return ReadOut::kNotReached;
  samples = std::move(read);
  return ReadOut::kRead;
}

std::optional<CaptureLayout> LayoutForReadOut(Session& session) {
  CaptureLayout layout;
  if (session.capture.TriggerSeen) {
    layout.capt_cfg = static_cast<uint16_t>(session.capture.CaptCfgSnapshot);
    layout.smpl_prd = static_cast<uint16_t>(session.capture.SmplPrdSnapshot);
    layout.from_trigger = true;
    return layout;
  }
  link::RegisterAccess& link = session.link;
  if (!link::Answered(link.ReadReg(registers::kCaptCfg), link.RawWord)) return std::nullopt;
  layout.capt_cfg = static_cast<uint16_t>(link.RegRaw);
  if (!link::Answered(link.ReadReg(registers::kSmplPrd), link.RawWord)) return std::nullopt;
  layout.smpl_prd = static_cast<uint16_t>(link.RegRaw);
  return layout;
}

CaptureOutcome ReadOutForDisplay(Session& session, int buffer, const QLocale& locale) {
  ReadOutGuard guard(session.capture);
  if (guard.AlreadyRunning()) return {};
  const std::optional<CaptureLayout> layout = LayoutForReadOut(session);
  if (!layout) return {false, UnlessReported(session.link, NoLayoutMessage())};
  std::vector<double> samples;
  switch (ReadCaptureBuffer(session.link, buffer, layout->capt_cfg, samples)) {
    case ReadOut::kInvalidLength:
      return {false, InvalidLengthMessage(layout->capt_cfg)};
    case ReadOut::kNotReached:
      return {false, UnlessReported(session.link, NotReachedMessage())};
    case ReadOut::kRead:
      break;
  }
  registers::CaptTrace& trace = session.capture.CaptTrace[buffer == 1 ? 1 : 0];
  trace = registers::PlotCaptTrace(session.table, buffer, layout->capt_cfg, layout->smpl_prd,
                                   samples, trace, locale);
  if (!layout->from_trigger) trace.caption += QStringLiteral("  (no trigger seen in this run)");
  return {true, {}};
}

QString UnlessReported(const link::RegisterAccess& link, const QString& message) {
  return link.LastStatus == link::LinkStatus::kLinkFailed ? QString() : message;
}

QString InvalidLengthMessage(uint16_t capt_cfg) {
  return QStringLiteral(
             "The capture configuration read from the device is not valid (CAPT_CFG = 0x%1: a "
             "buffer length code above 10).\r\n%2 Then configure and trigger the capture again.")
      .arg(common::Hex4(capt_cfg), common::CheckConnectionsAdvice());
}

QString NotReachedMessage() {
  return QStringLiteral(
             "The capture buffers could not be read: the device stopped answering during the "
             "read-out.\r\nNo trace was drawn and no file was written. ") +
         common::CheckConnectionsAdvice();
}

QString NoLayoutMessage() {
  return QStringLiteral(
             "No capture trigger has been seen in this run, and the capture configuration could "
             "not be read from the device.\r\n") +
         common::CheckConnectionsAdvice();
}

}  // namespace talvix::capture
