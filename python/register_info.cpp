// SPDX-License-Identifier: MIT
#include "register_info.h"

#include "registers/capture_trace.h"
#include "registers/register_table.h"
#include "registers/value_conversion.h"

#include <algorithm>
#include <optional>

namespace talvix::python {

namespace {

// The unit of the register at `index`: that of the capture source that records it, if any.
QString UnitOf(const registers::RegisterTable& table, int16_t index) {
  for (int16_t source = 1; source <= 9; ++source) {
    if (registers::SourceRegister(source) != index) continue;
    const std::optional<registers::CaptureSourceInfo> info =
        registers::CaptureSource(table, source);
    if (info) return info->Units;
  }
  return {};
}

}  // namespace

std::vector<RegisterInfo> RegisterInfos() {
  registers::RegisterTable table;
  table.BuildRegisterTable();
  std::vector<RegisterInfo> infos;
  for (int16_t i = 0; i < registers::RegisterTable::kDefinedSlots; ++i) {
    const registers::RegisterEntry& entry = table.at(i);
    if (!entry.ReadFlag && !entry.WriteFlag) continue;  // reserved
    RegisterInfo info;
    info.label = entry.Label.trimmed();
    info.address = entry.BaseAddr;
    info.bits = entry.ReadLen;
    info.is_signed = entry.TwosCompl;
    info.readable = entry.ReadFlag;
    info.writable = entry.WriteFlag;
    info.scale = entry.RegScale;
    info.offset = entry.RegOffset;
    info.unit = UnitOf(table, i);
    const int32_t span = int32_t{1} << entry.ReadLen;
    info.code_min = entry.TwosCompl ? -span / 2 : 0;
    info.code_max = entry.TwosCompl ? span / 2 - 1 : span - 1;
    const double low = registers::ApplyReadRule(entry, info.code_min & (span - 1)).RegValue;
    const double high = registers::ApplyReadRule(entry, info.code_max).RegValue;
    info.value_min = std::min(low, high);
    info.value_max = std::max(low, high);
    infos.push_back(info);
  }
  return infos;
}

}  // namespace talvix::python
