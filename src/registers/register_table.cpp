// SPDX-License-Identifier: MIT
#include "registers/register_table.h"

#include <stdexcept>
#include <string>

namespace talvix::registers {

namespace {

struct Row {
  const char* label;
  int32_t base_addr;
  int16_t read_len;
  bool twos_compl;
  float scale;
  float offset;
  bool read;
  bool write;
  uint8_t num_bytes;
};

constexpr bool kYes = true;
constexpr bool kNo = false;

// Scales and offsets are single-precision: each decimal value rounds to the nearest float.
constexpr Row kRows[RegisterTable::kDefinedSlots] = {
    {"ENDURANCE", 0x00, 16, kNo, 1.0f, 0.0f, kYes, kNo, 2},
    {"SUPPLY", 0x02, 12, kNo, 0.00122f, 0.0f, kYes, kNo, 2},   // V per code
    {"XACCL", 0x04, 14, kYes, 0.017125f, 0.0f, kYes, kNo, 2},  // g per code
    {"YACCL", 0x06, 14, kYes, 0.008407f, 0.0f, kYes, kNo, 2},  // g per code
    {"AUX_ADC", 0x08, 12, kYes, 0.0061f, 0.0f, kYes, kNo, 2},
    {"TEMPERA", 0x0A, 12, kNo, -0.47f, 625.66f, kYes, kNo, 2},  // degC per code
    {"X_PEAK ", 0x0C, 14, kYes, 0.017125f, 0.0f, kYes, kNo, 2},
    {"Y _PEAK", 0x0E, 14, kYes, 0.008407f, 0.0f, kYes, kNo, 2},
    {"XACCL_NULL", 0x10, 12, kYes, 1.0f, 0.0f, kYes, kYes, 2},
    {"YACCL_NULL", 0x12, 12, kYes, 1.0f, 0.0f, kYes, kYes, 2},
    {"XACC_SCALE", 0x14, 12, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"YACC_SCALE", 0x16, 12, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"RSS_XY", 0x18, 14, kNo, 0.017125f, 0.0f, kYes, kNo, 2},
    {"RSS_PEAK", 0x1A, 14, kNo, 0.017125f, 0.0f, kYes, kNo, 2},
    {"CAPT_BUF_0", 0x1C, 14, kYes, 1.0f, 0.0f, kYes, kNo, 2},
    {"CAPT_BUF_1", 0x1E, 14, kYes, 1.0f, 0.0f, kYes, kNo, 2},
    {"ALM_MAG1", 0x20, 16, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"ALM_MAG2", 0x22, 16, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"reserved", 0x24, 16, kNo, 1.0f, 0.0f, kNo, kNo, 0},
    {"reserved", 0x26, 16, kNo, 1.0f, 0.0f, kNo, kNo, 0},
    {"ALM_CTRL", 0x28, 16, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"CAPT_PNTR", 0x2A, 11, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"reserved", 0x2C, 16, kNo, 1.0f, 0.0f, kNo, kNo, 2},
    {"reserved", 0x2E, 16, kNo, 1.0f, 0.0f, kNo, kNo, 2},
    {"AUX_DAC", 0x30, 12, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"GPIO_CTRL", 0x32, 10, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"MISC_CTRL", 0x34, 12, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"SMPL_PRD", 0x36, 8, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"CAPT_CFG", 0x38, 16, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"SLP_CNT", 0x3A, 8, kNo, 1.0f, 0.0f, kYes, kYes, 2},
    {"STATUS", 0x3C, 16, kNo, 1.0f, 0.0f, kYes, kNo, 2},
    {"COMMAND", 0x3E, 16, kNo, 1.0f, 0.0f, kNo, kYes, 2},
    {"KeyCode", 0x50, 16, kNo, 1.0f, 0.0f, kNo, kYes, 2},
    {"RevDate", 0x52, 16, kNo, 1.0f, 0.0f, kYes, kNo, 2},
    {"MonthYear", 0x54, 16, kNo, 1.0f, 0.0f, kYes, kNo, 2},
    {"ProcudtID", 0x56, 16, kNo, 1.0f, 0.0f, kYes, kNo, 2},
};

bool IsOutputOrCaptureBuffer(int index) {
  return (index >= kSupply && index <= kYPeak) || (index >= kRssXy && index <= kCaptBuf1);
}

QString WithoutTrailingBlanks(QString text) {
  while (text.endsWith(u' ')) text.chop(1);
  return text;
}

}  // namespace

void RegisterTable::BuildRegisterTable() {
  entries_ = {};
  for (int i = 0; i < kDefinedSlots; ++i) {
    const Row& row = kRows[i];
    RegisterEntry& e = entries_[i];
    e.Label = QString::fromLatin1(row.label);
    e.BaseAddr = row.base_addr;
    e.NumBytes = row.num_bytes;
    e.ReadLen = row.read_len;
    e.TwosCompl = row.twos_compl;
    e.RegScale = row.scale;
    e.RegOffset = row.offset;
    e.ReadFlag = row.read;
    e.WriteFlag = row.write;
    e.ECflag = IsOutputOrCaptureBuffer(i);
    e.NDflag = e.ECflag;
    e.Hidden = i == kKeyCode;
  }
}

const RegisterEntry& RegisterTable::at(int index) const {
  if (!IsValidIndex(index)) {
    throw std::out_of_range("register index " + std::to_string(index) + " is outside 0..60");
  }
  return entries_[static_cast<size_t>(index)];
}

std::optional<int16_t> RegisterTable::FindLabel(const QString& label) const {
  const QString wanted = WithoutTrailingBlanks(label);
  if (wanted.isEmpty()) return std::nullopt;
  for (int i = 0; i < kSlots; ++i) {
    if (WithoutTrailingBlanks(entries_[i].Label).compare(wanted, Qt::CaseInsensitive) == 0) {
      return static_cast<int16_t>(i);
    }
  }
  return std::nullopt;
}

}  // namespace talvix::registers
