// SPDX-License-Identifier: MIT
// CommPort.cfg reader on arbitrary file contents. Invariants:
//  - a setting the file does not name keeps whatever value it had before the read;
//  - commas and line ends end items alike, so turning every comma and CR into LF changes nothing;
//  - reading is idempotent: the same file read again over its own result changes nothing;
//  - what was read, written by WriteConfig and read back over other settings, comes back the same.
#include "fuzz_support.h"
#include "startup/config_file.h"

#include <QFile>

namespace {

using talvix::startup::ConfigSettings;

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  TALVIX_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  TALVIX_FUZZ_CHECK(file.write(bytes) == bytes.size());
}

ConfigSettings ReadOver(const QString& path, ConfigSettings settings) {
  talvix::startup::ReadConfig(path, settings);
  return settings;
}

// Either the file set the field (both reads agree) or it kept its starting value in both.
bool SetOrKept(int16_t a, int16_t a_start, int16_t b, int16_t b_start) {
  return a == b || (a == a_start && b == b_start);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QTemporaryDir& dir = talvix::fuzz::ScratchDir();
  const QString path = dir.filePath(QString::fromLatin1(talvix::startup::kConfigFileName));
  const QString written_path = dir.filePath(QStringLiteral("written.cfg"));

  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  WriteFile(path, text);

  const ConfigSettings defaults;
  const ConfigSettings others{-32768, 32767, -1};
  const ConfigSettings read = ReadOver(path, defaults);
  const ConfigSettings read_over_others = ReadOver(path, others);
  TALVIX_FUZZ_CHECK(SetOrKept(read.InterfaceType, defaults.InterfaceType,
                              read_over_others.InterfaceType, others.InterfaceType));
  TALVIX_FUZZ_CHECK(SetOrKept(read.PortAddress, defaults.PortAddress, read_over_others.PortAddress,
                              others.PortAddress));
  TALVIX_FUZZ_CHECK(SetOrKept(read.FactoryFlag, defaults.FactoryFlag, read_over_others.FactoryFlag,
                              others.FactoryFlag));

  TALVIX_FUZZ_CHECK(ReadOver(path, read) == read);
  TALVIX_FUZZ_CHECK(ReadOver(path, read_over_others) == read_over_others);

  QByteArray one_item_a_line = text;
  one_item_a_line.replace(',', '\n').replace('\r', '\n');
  WriteFile(path, one_item_a_line);
  TALVIX_FUZZ_CHECK(ReadOver(path, defaults) == read);

  QString error;
  TALVIX_FUZZ_CHECK(talvix::startup::WriteConfig(written_path, read, error));
  TALVIX_FUZZ_CHECK(ReadOver(written_path, others) == read);
  return 0;
}
