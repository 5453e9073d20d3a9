// SPDX-License-Identifier: MIT
// What the operational control window reads, shows and writes: SMPL_PRD (sample rate, see
// sample_rate.h), GPIO_CTRL (direction and level of digital I/O lines 0 and 1), MISC_CTRL (the
// data-ready function of those lines), AUX_DAC (the auxiliary DAC) and the store-to-flash command.
// The window (operation/ui/frmOperationalControl) moves these between the device and its controls.
#pragma once

#include "common/filled_code.h"
#include "link/delay.h"
#include "link/flash_store.h"
#include "link/register_access.h"
#include "operation/typed_number.h"
#include "registers/register_bits.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace talvix::operation {

// ---- AUX_DAC: a 12-bit code, output = code / 4095 x 2.5 V ------------------------------------
inline constexpr double kDacFullScaleVolts = 2.5;
inline constexpr int32_t kDacFullScaleCode = 4095;

double AuxDacVolts(int32_t aux_dac);
// "0.0######": 0x7FF shows "1.2496947", 0 "0.0", 0xFFF "2.5" (decimal comma where the locale
// has one).
QString AuxDacVoltsText(int32_t aux_dac, const QLocale& locale = QLocale());

// The DAC Update: a text that is not a number becomes "0", a value below 0 "0", above 2.5 "2.5";
// the code is V / 2.5 x 4095 cut to an integer (1.25 V -> 0x7FF). An untouched box (see
// common::FilledCode) writes back the code it was filled from: its text is rounded to seven
// places, and cutting would give one code less each time.
BoxEntry AuxDacEntry(const QString& text, const common::FilledCode& filled,
                     const QLocale& locale = QLocale());

// ---- GPIO_CTRL and MISC_CTRL: one bit per pair of option buttons -----------------------------
// What a pair of option buttons shows: its bit set, clear, or neither button selected (a pair the
// load could not fill from the device).
enum class PairChoice { kNone, kClear, kSet };

struct PairBit {
  uint16_t mask;
  PairChoice choice;
};

PairChoice ChoiceOf(int32_t word, uint16_t mask);

// `word` with each pair's bit set or cleared as chosen. The bits no pair owns (MISC_CTRL's
// self-test and capture-to-flash bits, for example), and the bit of a pair without a choice, keep
// their value in `word`.
uint16_t WithPairs(int32_t word, std::span<const PairBit> pairs);

// The pairs' bits in the order of the window's groups: line 0 and line 1 direction (set:
// output), line 0 and line 1 level (set: high); data-ready line (set: DI/O1), polarity (set:
// high), enable (set: on).
inline constexpr std::array<uint16_t, 4> kGpioPairMasks = {
    registers::kGpioCtrlLine0Output, registers::kGpioCtrlLine1Output, registers::kGpioCtrlLine0High,
    registers::kGpioCtrlLine1High};
inline constexpr std::array<uint16_t, 3> kMiscPairMasks = {registers::kMiscCtrlDataReadyLine1,
                                                           registers::kMiscCtrlDataReadyHigh,
                                                           registers::kMiscCtrlDataReadyEnable};

// ---- Load --------------------------------------------------------------------------------------
// The codes the load read; a register the sensor did not answer has none.
struct OperationalWords {
  std::optional<int32_t> smpl_prd;
  std::optional<int32_t> gpio_ctrl;
  std::optional<int32_t> misc_ctrl;
  std::optional<int32_t> aux_dac;

  bool complete() const { return smpl_prd && gpio_ctrl && misc_ctrl && aux_dac; }
};

// Reads SMPL_PRD, GPIO_CTRL, MISC_CTRL and AUX_DAC in this order, and stops at the first read that
// does not reach the sensor or comes back all ones. Writes nothing.
OperationalWords ReadOperationalWords(link::RegisterAccess& link);

// ---- Updates -----------------------------------------------------------------------------------
inline constexpr double kSmplPrdWaitMs = 10.0;      // after the SMPL_PRD write
inline constexpr double kRegisterWaitMs = 100.0;    // after a GPIO_CTRL, MISC_CTRL or AUX_DAC write
inline constexpr double kDacCommandWaitMs = 300.0;  // after COMMAND 4 (DAC takes the AUX_DAC code)
inline constexpr double kFlashWaitMs = 200.0;       // after COMMAND 8 (store in flash)

enum class WriteOutcome {
  kDone,         // written and read back: `read_back` holds the code the device now has
  kNotWritten,   // the sensor did not answer the read before the write: nothing was written
  kNotReadBack,  // written, but the read-back did not reach the sensor
};

struct WriteResult {
  WriteOutcome outcome = WriteOutcome::kNotWritten;
  int32_t read_back = 0;
};

// Each Update reads its register first, so that nothing is written to a sensor that does not
// answer (a write frame cannot tell), then writes, waits and reads back.
// SMPL_PRD: the code, 10 ms, read back.
WriteResult WriteSmplPrd(link::RegisterAccess& link, link::Delay& delay, uint16_t code);
// AUX_DAC: the code, 100 ms, COMMAND 4, 300 ms, read back.
WriteResult WriteAuxDac(link::RegisterAccess& link, link::Delay& delay, uint16_t code);
// GPIO_CTRL or MISC_CTRL: the word read with the pairs' bits changed (see WithPairs), 100 ms,
// read back.
WriteResult WritePairs(link::RegisterAccess& link, link::Delay& delay, int16_t index,
                       std::span<const PairBit> pairs);

// ---- Messages (CR LF line breaks)
// ----------------------------------------------------------------
QString LoadNotAnsweredMessage();
// `register_name` is the register the Update was to write ("SMPL_PRD").
QString NotWrittenMessage(const QString& register_name);
QString NotReadBackMessage(const QString& register_name);
// What "Flash Memory Register Update" came to (link::StoreToFlash after the 200 ms wait).
QString FlashMessage(link::FlashOutcome outcome);

}  // namespace talvix::operation
