// SPDX-License-Identifier: MIT
// The simulated sensor's flash file, on arbitrary file contents. Invariants:
//  - a file that is not accepted leaves the factory contents, with a reason that names the file;
//  - a file that is accepted, stored again (one more write counted, up to 0xFFFF) and loaded
//    into a fresh flash, gives back the same words and count;
//  - a file, once accepted, is accepted again with the same contents.
#include "fuzz_support.h"
#include "sim/sensor_flash.h"

#include <QFile>

namespace {

using talvix::sim::SensorFlash;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  TALVIX_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  TALVIX_FUZZ_CHECK(file.write(bytes) == bytes.size());
}

bool SameContents(const SensorFlash& a, const SensorFlash& b) {
  if (a.endurance() != b.endurance()) return false;
  for (int16_t index : SensorFlash::StoredRegisters()) {
    if (a.Word(index) != b.Word(index)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QTemporaryDir& dir = talvix::fuzz::ScratchDir();
  const QString path = dir.filePath(QStringLiteral("flash.txt"));
  WriteFile(path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

  SensorFlash flash;
  QString error;
  if (!flash.SetFile(path, error)) {
    TALVIX_FUZZ_CHECK(error.contains(path));
    TALVIX_FUZZ_CHECK(flash.endurance() == 0);
    for (int16_t index : SensorFlash::StoredRegisters()) {
      TALVIX_FUZZ_CHECK(flash.Word(index) == SensorFlash::FactoryWord(index));
    }
    return 0;
  }

  SensorFlash again;
  TALVIX_FUZZ_CHECK(again.SetFile(path, error) && SameContents(again, flash));

  const uint16_t endurance = flash.endurance();
  TALVIX_FUZZ_CHECK(flash.Store([&flash](int16_t index) { return flash.Word(index); }, error));
  TALVIX_FUZZ_CHECK(flash.endurance() == (endurance == 0xFFFF ? 0xFFFF : endurance + 1));
  SensorFlash reloaded;
  TALVIX_FUZZ_CHECK(reloaded.SetFile(path, error) && SameContents(reloaded, flash));
  return 0;
}
