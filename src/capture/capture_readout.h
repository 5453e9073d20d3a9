// SPDX-License-Identifier: MIT
// Reading the sensor's two capture buffers out, one sample at a time through CAPT_PNTR, and
// preparing a buffer's trace for its display window. Called by the main window's Capt_0 / Capt_1
// buttons and by the display windows' Write File.
#pragma once

#include "link/register_access.h"
#include "session/session.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace talvix::capture {

enum class ReadOut {
  kRead,
  // The CAPT_CFG length code is above 10: no buffer is that long; nothing was read.
  kInvalidLength,
  // A read or pointer write did not reach the sensor (card unplugged, port failure), or every
  // sample came back all ones (a sensor that does not answer): what was read is no data.
  kNotReached,
};

// Reads buffer 0 (CAPT_BUF_0) or 1 (CAPT_BUF_1): for i = 1..2^n (n = CAPT_CFG bits 0-3) writes
// CAPT_PNTR with i and reads the buffer register; sample i is its 14-bit two's-complement code.
// `samples` gets indices 0..2^n, index 0 unused and 0; it is left empty unless the result is
// kRead. Each sample costs one write and one read with their 0.1 ms pauses, and nothing else.
ReadOut ReadCaptureBuffer(link::RegisterAccess& link, int buffer, uint16_t capt_cfg,
                          std::vector<double>& samples);

// The CAPT_CFG and SMPL_PRD words the buffers were captured with.
struct CaptureLayout {
  uint16_t capt_cfg = 0;
  uint16_t smpl_prd = 0;
  // From the snapshots of a trigger seen in this run; otherwise read from the sensor now.
  bool from_trigger = false;
};

// The layout for a read-out: the snapshots when a trigger has been seen in this run, else
// CAPT_CFG and SMPL_PRD read now. Nothing when they must be read and the sensor does not answer.
std::optional<CaptureLayout> LayoutForReadOut(Session& session);

// What a read-out came to.
struct CaptureOutcome {
  bool ok = false;
  // Why not, for the user; empty when all went well, and when the interface has already said
  // why (a card or port that failed reports itself once).
  QString message;
};

// `message`, unless the last register operation failed on the way, which the interface has
// reported itself: one message per failure.
QString UnlessReported(const link::RegisterAccess& link, const QString& message);

// Capt_0 / Capt_1: reads buffer `buffer` out and prepares session.capture.CaptTrace[buffer] from
// it (PlotCaptTrace's full mode). On any failure the buffer's trace is left as it was.
CaptureOutcome ReadOutForDisplay(Session& session, int buffer, const QLocale& locale = QLocale());

// Messages of the read-out's failures.
QString InvalidLengthMessage(uint16_t capt_cfg);
QString NotReachedMessage();
QString NoLayoutMessage();

}  // namespace talvix::capture
