// SPDX-License-Identifier: MIT
#include "sim/sensor_flash.h"

#include "common/whole_file.h"
#include "registers/register_index.h"
#include "sim/sensor_register_map.h"

#include <QList>

namespace talvix::sim {

namespace {

using namespace registers;

constexpr std::array<int16_t, SensorFlash::kStoredCount> kStored = {
    kXAcclNull, kYAcclNull, kXAccScale, kYAccScale, kAlmMag1, kAlmMag2,
    kAlmCtrl,   kAuxDac,    kGpioCtrl,  kMiscCtrl,  kSmplPrd, kCaptCfg,
};
constexpr std::array<uint16_t, SensorFlash::kStoredCount> kFactoryWords = {
    0x0000, 0x0000, 0x0800, 0x0800,  // nulls 0, unity scales
    0x0000, 0x0000, 0x0000, 0x0000,  // alarms off, DAC at 0 V
    0x0000, 0x0000, 0x0001, 0x0000,  // lines inputs, 4096 samples per second, capture unset
};
// Byte addresses of the stored registers, as the file names them.
const std::array<uint8_t, SensorFlash::kStoredCount> kStoredAddresses = [] {
  std::array<uint8_t, SensorFlash::kStoredCount> addresses{};
  for (int i = 0; i < SensorFlash::kStoredCount; ++i) addresses[i] = AddressOf(kStored[i]);
  return addresses;
}();

constexpr char kHeader[] = "talvix simulated sensor flash 1";
constexpr qint64 kLargestFile = 4096;  // a valid file is about 150 bytes

int Position(int16_t index) {
  for (int i = 0; i < SensorFlash::kStoredCount; ++i) {
    if (kStored[i] == index) return i;
  }
  return -1;
}

QByteArray Hex(unsigned value, int digits) {
  return QByteArray::number(value, 16).rightJustified(digits, '0').toUpper();
}

bool ParseHex(const QByteArray& text, int digits, unsigned& value) {
  if (text.size() != digits) return false;
  bool ok = false;
  value = text.toUInt(&ok, 16);
  return ok;
}

}  // namespace

const std::array<int16_t, SensorFlash::kStoredCount>& SensorFlash::StoredRegisters() {
  return kStored;
}

SensorFlash::Contents SensorFlash::Factory() {
  Contents c;
  c.words = kFactoryWords;
  return c;
}

uint16_t SensorFlash::FactoryWord(int16_t index) {
  const int i = Position(index);
  return i < 0 ? 0 : kFactoryWords[i];
}

uint16_t SensorFlash::Word(int16_t index) const {
  const int i = Position(index);
  return i < 0 ? 0 : contents_.words[i];
}

QByteArray SensorFlash::Serialise(const Contents& contents) {
  QByteArray text =
      QByteArray(kHeader) + "\nendurance " + QByteArray::number(contents.endurance) + "\n";
  for (int i = 0; i < kStoredCount; ++i) {
    text += Hex(kStoredAddresses[i], 2) + ' ' + Hex(contents.words[i], 4) + '\n';
  }
  text += "crc16 " + Hex(qChecksum(text), 4) + '\n';
  return text;
}

bool SensorFlash::Parse(const QByteArray& text, Contents& contents, QString& why) {
  QList<QByteArray> lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  if (lines.size() != kStoredCount + 3 || lines[0] != kHeader) {
    why = QStringLiteral("it is not a simulated sensor flash file");
    return false;
  }
  const int checked_length = static_cast<int>(text.lastIndexOf("crc16 "));
  unsigned crc = 0;
  if (!lines.last().startsWith("crc16 ") || !ParseHex(lines.last().mid(6), 4, crc) ||
      crc != qChecksum(text.left(checked_length))) {
    why = QStringLiteral("its checksum does not match its contents");
    return false;
  }
  const QList<QByteArray> count = lines[1].split(' ');
  bool ok = false;
  const unsigned endurance = count.size() == 2 ? count[1].toUInt(&ok) : 0;
  if (count.size() != 2 || count[0] != "endurance" || !ok || endurance > 0xFFFF) {
    why = QStringLiteral("its write count is unreadable");
    return false;
  }
  Contents parsed;
  parsed.endurance = static_cast<uint16_t>(endurance);
  for (int i = 0; i < kStoredCount; ++i) {
    const QList<QByteArray> fields = lines[2 + i].split(' ');
    unsigned address = 0;
    unsigned word = 0;
    if (fields.size() != 2 || !ParseHex(fields[0], 2, address) || address != kStoredAddresses[i] ||
        !ParseHex(fields[1], 4, word)) {
      why = QStringLiteral("register line %1 is unreadable").arg(i + 1);
      return false;
    }
    parsed.words[i] = static_cast<uint16_t>(word);
  }
  contents = parsed;
  return true;
}

bool SensorFlash::SetFile(const QString& path, QString& error) {
  path_ = path;
  contents_ = Factory();
  if (path.isEmpty()) return true;
  QByteArray text;
  QString why;
  switch (common::ReadRegularFile(path, kLargestFile + 1, text, why)) {
    case common::FileRead::kMissing:
      return true;
    case common::FileRead::kFailed:
      error = QStringLiteral(
                  "The simulated sensor's flash file %1 cannot be read (%2); the factory "
                  "settings are used.")
                  .arg(path, why);
      return false;
    case common::FileRead::kRead:
      break;
  }
  if (text.size() > kLargestFile) {
    why = QStringLiteral("it is too large");
  } else if (Parse(text, contents_, why)) {
    return true;
  }
  error = QStringLiteral(
              "The simulated sensor's flash file %1 is ignored because %2; the factory "
              "settings are used.")
              .arg(path, why);
  return false;
}

bool SensorFlash::Store(const std::function<uint16_t(int16_t)>& word_of, QString& error) {
  Contents next = contents_;
  for (int i = 0; i < kStoredCount; ++i) next.words[i] = word_of(kStored[i]);
  if (next.endurance < 0xFFFF) ++next.endurance;
  if (!path_.isEmpty()) {
    QString why;
    if (!common::WriteWholeFile(path_, Serialise(next), why)) {
      error = QStringLiteral(
                  "The simulated sensor's flash cannot be stored in %1: %2. Choose a "
                  "writable folder for it.")
                  .arg(path_, why);
      return false;
    }
  }
  contents_ = next;
  return true;
}

}  // namespace talvix::sim
