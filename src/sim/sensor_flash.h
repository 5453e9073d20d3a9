// SPDX-License-Identifier: MIT
// The simulated sensor's flash memory. COMMAND 0x0008 stores the settings registers in it:
// XACCL_NULL, YACCL_NULL, XACC_SCALE, YACC_SCALE, ALM_MAG1, ALM_MAG2, ALM_CTRL, AUX_DAC,
// GPIO_CTRL, MISC_CTRL, SMPL_PRD and CAPT_CFG (not CAPT_PNTR, a read-out position, nor
// SLP_CNT, which would put the part to sleep at every power-up). At power-up the registers take
// their values from it. Each store counts one flash write, which the ENDURANCE register shows.
//
// With a file set, the flash lives in that file as well, so that it outlives the program. The
// file is text: a header line, the write count, one line per register (byte address and word in
// hex) and a CRC-16 of everything before it. A file that is missing is simply not there yet; one
// that cannot be read or does not check out is ignored, and the flash keeps its factory contents.
// The file is read and replaced as a whole (common/whole_file.h): a folder or named pipe by that
// name is never opened, and a failed store leaves the old file as it was.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace talvix::sim {

class SensorFlash {
 public:
  static constexpr int kStoredCount = 12;
  // Register table indices of the stored registers, in file order.
  static const std::array<int16_t, kStoredCount>& StoredRegisters();

  SensorFlash() { contents_ = Factory(); }

  // The flash word for a stored register (factory value until a store); 0 for any other index.
  uint16_t Word(int16_t index) const;
  // The factory word for a stored register; 0 for any other index.
  static uint16_t FactoryWord(int16_t index);
  // Flash writes so far (saturates at 0xFFFF).
  uint16_t endurance() const { return contents_.endurance; }

  // Mirrors the flash in `path` from now on and loads the file at once when it exists. False,
  // with the reason in `error`, when it exists but cannot be read or is not a valid flash file;
  // the flash then holds its factory contents. An empty path keeps the flash in memory only.
  bool SetFile(const QString& path, QString& error);
  const QString& file() const { return path_; }

  // Stores the word `word_of(index)` of every stored register and counts the write. With a file
  // set, the file is replaced first; when that fails the flash keeps its previous contents and
  // the result is false with the reason in `error`.
  bool Store(const std::function<uint16_t(int16_t)>& word_of, QString& error);

 private:
  struct Contents {
    std::array<uint16_t, kStoredCount> words{};
    uint16_t endurance = 0;
  };
  static Contents Factory();
  static QByteArray Serialise(const Contents& contents);
  // False, with the reason in `why`, when `text` is not a valid flash file.
  static bool Parse(const QByteArray& text, Contents& contents, QString& why);

  Contents contents_;
  QString path_;
};

}  // namespace talvix::sim
