// SPDX-License-Identifier: MIT
// The one road to the sensor's registers: 16-bit SPI frames (write = 0x8000 + address x 256 +
// data, read = address x 256 answered during the next frame), routed by InterfaceType to the
// parallel-port patterns or the USB SPI card, with each read decoded by the register table.
#pragma once

#include "link/delay.h"
#include "link/lpt_spi.h"
#include "link/usb_spi_card.h"
#include "registers/register_table.h"

#include <cstdint>
#include <functional>

namespace talvix::link {

enum InterfaceKind : int16_t {
  kInterfaceNone = 0,
  kInterfaceParallel = 1,
  kInterfaceUsb = 2,
};

// What became of one register operation. Only kDone means that the frames reached the sensor
// and, for a read, that RegRaw and RegValue hold what it answered; every other outcome leaves
// nothing a window may show as a reading.
enum class LinkStatus {
  kDone,
  kNoInterface,  // no interface chosen, no port open, or a card not ready: nothing was sent
  kLinkFailed,   // the port access or the card's transfer failed on the way
  kNotReadable,  // ReadReg on a register whose ReadFlag is clear: nothing was sent
  kBadIndex,     // an index outside 0..60: nothing was done
};

// The operation reached the sensor.
inline bool Reached(LinkStatus status) {
  return status == LinkStatus::kDone;
}

// The word a sensor that is asleep or not connected gives for every read: the data line stays
// high, so every bit reads as one.
inline constexpr int32_t kNoAnswerWord = 0xFFFF;

// A read reached the sensor and the sensor answered it (the word is not all ones). Called as
// Answered(link.ReadReg(i), link.RawWord): the word is taken by reference so that it is read here,
// after ReadReg has run; a copy could be made before the call, in either argument order.
inline bool Answered(LinkStatus status, const int32_t& raw_word) {
  return Reached(status) && raw_word != kNoAnswerWord;
}

class RegisterAccess {
 public:
  RegisterAccess(const registers::RegisterTable& table, Delay& delay, UsbSpiCard& usb)
      : lpt(InterfaceType, PortAddress, RawWord, delay), table_(table), delay_(delay), usb_(usb) {}
  // `lpt` refers to this object's own state: a copy would drive the original's.
  RegisterAccess(const RegisterAccess&) = delete;
  RegisterAccess& operator=(const RegisterAccess&) = delete;

  // Two write frames, (addr1, data1) then (addr2, data2). Addresses are masked to 7 bits and
  // data to 8 bits, in the caller's variables too.
  void SpiWritePair(int16_t& addr1, int16_t& data1, int16_t& addr2, int16_t& data2);

  // The word the sensor answers to a read frame at `addr` (masked to 7 bits, in the caller's
  // variable too), also left in RawWord. 0 when no interface is ready, including a USB card that
  // is not ready or whose transfer has just failed; LastStatus tells which.
  int32_t SpiReadWord(int16_t& addr);

  // Reads the register at `index` and leaves its code in RegRaw and its value in RegValue, then
  // pauses 0.1 ms. RegRaw and RegValue are filled from whatever word came back, as callers that
  // only read them expect; the result says whether that word came from the sensor. A register
  // that may not be read is left alone: no transfer, no pause, RegRaw and RegValue unchanged.
  // An index outside 0..60 does nothing.
  LinkStatus ReadReg(int16_t index);

  // Writes the low 16 bits of `value` to the register at `index`, upper byte first (KeyCode lower
  // byte first), then pauses 0.1 ms. An index outside 0..60 does nothing.
  LinkStatus WriteReg(int16_t index, int32_t value);

  // The outcome of the last SpiWritePair, SpiReadWord, ReadReg or WriteReg.
  LinkStatus LastStatus = LinkStatus::kDone;
  // Called once when an access to the parallel port fails, after the frame has ended (the session
  // reports it and closes the port). The USB card reports its own failures.
  std::function<void()> on_port_failure;

  const registers::RegisterTable& table() const { return table_; }
  Delay& delay() { return delay_; }
  UsbSpiCard& usb() { return usb_; }

  int16_t InterfaceType = kInterfaceNone;
  int16_t PortAddress = 0;  // data register; status register at + 1
  // Fast read-out: the readers of several registers at once (the reading pass, the datalog sample,
  // talvix-cli read, dump and log) read them batched over the USB SPI card (batched_readout.h).
  // Off by default; it changes nothing on the parallel port.
  bool FastReadout = false;
  int32_t RawWord = 0;    // last answer word, 0..65535
  int32_t RegRaw = 0;     // code of the last register read
  float RegValue = 0.0f;  // engineering value of the last register read
  LptSpi lpt;

 private:
  // The chosen interface can carry a frame now: a ready card, or an open parallel port.
  bool InterfaceReady() const;
  // A parallel-port access failed during a frame: the outcome, and the one report of it.
  void PortFailed();

  const registers::RegisterTable& table_;
  Delay& delay_;
  UsbSpiCard& usb_;
};

// Whether the sensor answers now: STATUS, which cannot read all ones (its supply-low and
// supply-high flags exclude each other), is read and does not come back all ones. RawWord, RegRaw
// and RegValue keep what they held. The one test of a word of all ones, used by ReadConfirmed and
// by the batched reads.
bool SensorAnswers(RegisterAccess& link);

// Reads the register at `index`, for a reader that shows any word a register may hold. A word of
// all ones is what a silent sensor answers to every read, but also what some registers hold (a
// null of -1): it counts as the register's only when STATUS, which cannot read all ones (its
// supply-low and supply-high flags exclude each other), answers right after it. RawWord, RegRaw
// and RegValue hold the register's read either way. False when the read did not reach the sensor
// or the sensor does not answer.
bool ReadConfirmed(RegisterAccess& link, int16_t index);

}  // namespace talvix::link
