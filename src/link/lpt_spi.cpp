// SPDX-License-Identifier: MIT
#include "link/lpt_spi.h"

#include "common/number_text.h"

#include <QLoggingCategory>

namespace talvix::link {

Q_LOGGING_CATEGORY(lcLpt, "talvix.link.lpt", QtWarningMsg)

bool LptSpi::LptSendWord(int32_t word) {
  if (!Active()) return false;
  ok_ = true;
  qCDebug(lcLpt) << "LptSendWord" << common::Hex4(word);
  Out(4);  // data line at rest, chip select off
  Out(5);  // chip select on
  for (int n = 15; n >= 0; --n) {
    const bool one = (word >> n) & 1;
    Out(7);            // clock bit set
    Out(one ? 3 : 7);  // data set up while the clock bit is 1
    Out(one ? 1 : 5);  // clock bit cleared, data held: the sensor samples here
    Out(5);            // data line back to rest
  }
  Out(0);  // chip select off, all lines low
  delay_.DelayMs(0.1);
  return ok_;
}

std::optional<int32_t> LptSpi::LptReadWord(int16_t& addr) {
  raw_word_ = 0;
  addr = static_cast<int16_t>(addr & 0x7F);
  if (!Active()) return std::nullopt;
  if (!LptSendWord(addr * 256)) return std::nullopt;
  Out(4);
  Out(5);  // chip select on for the response frame
  int32_t word = 0;
  for (int n = 15; n >= 0; --n) {
    Out(7);  // clock bit set; the data line stays at rest, so the sensor receives 0 bits
    uint8_t status = 0;
    ok_ = port_->In(StatusPort(), status) && ok_;
    if ((status & kLptDataIn) == 0) word += 1 << n;
    Out(5);  // clock bit cleared
  }
  Out(0);
  delay_.DelayMs(0.1);
  if (!ok_) {
    qCWarning(lcLpt) << "LptReadWord" << common::Hex4(addr * 256) << "failed: port access";
    return std::nullopt;
  }
  raw_word_ = word;
  qCDebug(lcLpt) << "LptReadWord" << common::Hex4(addr * 256) << "->" << common::Hex4(word);
  return word;
}

void LptSpi::LptReset() {
  if (!Active()) return;
  [[maybe_unused]] const bool ignored = port_->Out(StatusPort(), kLptDataIn);
  delay_.DelayMs(0.1);
  Out(0);
}

}  // namespace talvix::link
