// SPDX-License-Identifier: MIT
// The sensor's user-settable configuration as one set of register words: which registers it is,
// which words each accepts, and what a word means in engineering terms. The settings file
// (settings_file.h) carries these words; settings_transfer.h reads them from the sensor and
// writes them back.
//
// The settings are the twelve registers the sensor keeps in its flash: the X and Y nulls and
// scales, the two alarm levels and ALM_CTRL, the auxiliary DAC, GPIO_CTRL, MISC_CTRL, SMPL_PRD
// and CAPT_CFG. Not settings: CAPT_PNTR (a read-out position), SLP_CNT (a write puts the sensor
// to sleep), COMMAND and KeyCode (actions), and the read-only registers.
#pragma once

#include "registers/register_index.h"
#include "registers/register_table.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace talvix::regaccess {

inline constexpr int kSettingsCount = 12;

// The settings registers by register index, in the order they are saved and listed.
const std::array<int16_t, kSettingsCount>& SettingsRegisters();

// Position of `index` in SettingsRegisters(), or nothing when it is not a setting.
std::optional<int> SettingPosition(int16_t index);

// One word per settings register, in SettingsRegisters() order. A word is the register's code as
// a 16-bit word: the field's bits, a negative code of a two's-complement field as its 16-bit two's
// complement (a null of -16 is FFF0).
using DeviceSettings = std::array<uint16_t, kSettingsCount>;

uint16_t SettingWord(const DeviceSettings& settings, int16_t index);
void SetSettingWord(DeviceSettings& settings, int16_t index, uint16_t word);

// The capture trigger selection, ALM_CTRL bits 4-7: arming a capture, not a setting. A saved
// ALM_CTRL has them clear, a load writes them clear (which disarms a capture), and a file that
// sets them is refused.
inline constexpr uint16_t kArmingBits = 0x00F0;

// The word a register read gives for the settings, from its code (RegRaw): the code as a 16-bit
// word, ALM_CTRL without the arming bits.
uint16_t SettingWordOfCode(int16_t index, int32_t code);

// The code of a settings word (sign-extended for a two's-complement field), as ReadReg gives it
// in RegRaw when the register holds that word.
int32_t SettingCode(const registers::RegisterTable& table, int16_t index, uint16_t word);

// Why the register at `index` cannot hold `word` as a setting ("above 0xFF, the largest
// 8-bit code"), or an empty text when it can. Checks the field's width and sign, the source
// fields of ALM_CTRL and CAPT_CFG (0..9) and the arming bits of ALM_CTRL.
QString SettingWordProblem(const registers::RegisterTable& table, int16_t index, uint16_t word);

// What a settings word means, in engineering terms, with the point as the decimal separator
// ("0.274 g", "4096.0 SPS", "DI/O0 output high, DI/O1 input low"). The alarm levels depend on the
// alarm sources in ALM_CTRL, so the whole set is needed.
QString SettingValueText(const registers::RegisterTable& table, const DeviceSettings& settings,
                         int16_t index);

// The register's label as the files and messages show it (the label without trailing blanks).
QString SettingLabel(const registers::RegisterTable& table, int16_t index);

}  // namespace talvix::regaccess
