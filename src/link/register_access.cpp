// SPDX-License-Identifier: MIT
#include "link/register_access.h"

#include "registers/register_index.h"
#include "registers/value_conversion.h"

#include <QLoggingCategory>

#include <optional>

namespace talvix::link {

Q_LOGGING_CATEGORY(lcRegisters, "talvix.link.registers", QtWarningMsg)

bool RegisterAccess::InterfaceReady() const {
  if (InterfaceType == kInterfaceUsb) return usb_.CardReady();
  return InterfaceType == kInterfaceParallel && lpt.port() != nullptr;
}

void RegisterAccess::PortFailed() {
  LastStatus = LinkStatus::kLinkFailed;
  if (on_port_failure) on_port_failure();
}

void RegisterAccess::SpiWritePair(int16_t& addr1, int16_t& data1, int16_t& addr2, int16_t& data2) {
  addr1 = static_cast<int16_t>(addr1 & 0x7F);
  addr2 = static_cast<int16_t>(addr2 & 0x7F);
  data1 = static_cast<int16_t>(data1 & 0xFF);
  data2 = static_cast<int16_t>(data2 & 0xFF);
  const int32_t word1 = 0x8000 + addr1 * 256 + data1;
  const int32_t word2 = 0x8000 + addr2 * 256 + data2;

  if (!InterfaceReady()) {
    LastStatus = LinkStatus::kNoInterface;
    return;
  }
  if (InterfaceType == kInterfaceUsb) {
    usb_.SpiData[1][0] = word1;
    usb_.SpiData[2][0] = word2;
    usb_.SpiChan = 1;
    uint8_t count = 2;
    usb_.UsbSpiTransfer(count);
    LastStatus = usb_.CardReady() ? LinkStatus::kDone : LinkStatus::kLinkFailed;
  } else if (lpt.LptSendWord(word1) && lpt.LptSendWord(word2)) {
    LastStatus = LinkStatus::kDone;
  } else {
    PortFailed();
  }
}

int32_t RegisterAccess::SpiReadWord(int16_t& addr) {
  RawWord = 0;
  addr = static_cast<int16_t>(addr & 0x7F);
  const int32_t frame = addr * 256;

  if (!InterfaceReady()) {
    LastStatus = LinkStatus::kNoInterface;
    return 0;
  }
  if (InterfaceType == kInterfaceUsb) {
    usb_.SpiData[1][0] = frame;
    usb_.SpiData[2][0] = frame;  // the read frame twice: the answer comes during the second
    usb_.SpiChan = 1;
    uint8_t count = 2;
    usb_.UsbSpiTransfer(count);
    // A card that fails during this transfer must not hand back the word of an earlier transfer
    // as if it were fresh.
    if (!usb_.CardReady()) {
      LastStatus = LinkStatus::kLinkFailed;
      return 0;
    }
    RawWord = usb_.SpiData[2][1];
    LastStatus = LinkStatus::kDone;
  } else if (const std::optional<int32_t> word = lpt.LptReadWord(addr)) {
    RawWord = *word;
    LastStatus = LinkStatus::kDone;
  } else {
    PortFailed();
  }
  return RawWord;
}

LinkStatus RegisterAccess::ReadReg(int16_t index) {
  if (!registers::RegisterTable::IsValidIndex(index)) {
    qCWarning(lcRegisters) << "ReadReg: index" << index << "is outside the register table";
    return LastStatus = LinkStatus::kBadIndex;
  }
  const registers::RegisterEntry& entry = table_.at(index);
  if (!entry.ReadFlag) return LastStatus = LinkStatus::kNotReadable;
  int16_t address = static_cast<int16_t>(entry.BaseAddr);
  const int32_t raw = SpiReadWord(address);
  const registers::DecodedWord decoded = registers::ApplyReadRule(entry, raw);
  RegRaw = decoded.RegRaw;
  RegValue = decoded.RegValue;
  const LinkStatus status = LastStatus;
  delay_.DelayMs(0.1);
  return status;
}

LinkStatus RegisterAccess::WriteReg(int16_t index, int32_t value) {
  if (!registers::RegisterTable::IsValidIndex(index)) {
    qCWarning(lcRegisters) << "WriteReg: index" << index << "is outside the register table";
    return LastStatus = LinkStatus::kBadIndex;
  }
  const int32_t base = table_.at(index).BaseAddr;
  int16_t low_addr = static_cast<int16_t>(base);
  int16_t high_addr = static_cast<int16_t>(base + 1);
  int16_t high = static_cast<int16_t>((value >> 8) & 0xFF);
  int16_t low = static_cast<int16_t>(value & 0xFF);
  if (index == registers::kKeyCode) {
    SpiWritePair(low_addr, low, high_addr, high);  // the only register written lower byte first
  } else {
    SpiWritePair(high_addr, high, low_addr, low);
  }
  delay_.DelayMs(0.1);
  return LastStatus;
}

bool SensorAnswers(RegisterAccess& link) {
  const int32_t raw_word = link.RawWord;
  const int32_t code = link.RegRaw;
  const float value = link.RegValue;
  const bool answered = Answered(link.ReadReg(registers::kStatus), link.RawWord);
  link.RawWord = raw_word;
  link.RegRaw = code;
  link.RegValue = value;
  return answered;
}

bool ReadConfirmed(RegisterAccess& link, int16_t index) {
  if (!Reached(link.ReadReg(index))) return false;
  return link.RawWord != kNoAnswerWord || SensorAnswers(link);
}

}  // namespace talvix::link
