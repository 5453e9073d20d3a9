// SPDX-License-Identifier: MIT
// Pieces shared by the fuzz targets: a reader that takes typed values off the fuzzer's bytes, and
// the check that stops a run when an invariant breaks (libFuzzer then keeps the input as a crash).
#pragma once

#include "registers/register_table.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace talvix::fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* condition) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

// Aborts with the condition's text when it does not hold; never compiled out.
#define TALVIX_FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::talvix::fuzz::Fail(__FILE__, __LINE__, #condition))

// The register table, built once for the whole run.
inline const registers::RegisterTable& BuiltRegisterTable() {
  static const registers::RegisterTable table = [] {
    registers::RegisterTable t;
    t.BuildRegisterTable();
    return t;
  }();
  return table;
}

// A folder for the files a target reads and writes, removed at exit. In memory where the machine
// has /dev/shm: a saved file is synced to disk, which would otherwise dominate every run.
inline const QTemporaryDir& ScratchDir() {
  static const QTemporaryDir dir((QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                      ? QStringLiteral("/dev/shm")
                                      : QDir::tempPath()) +
                                 QStringLiteral("/talvix-fuzz-XXXXXX"));
  TALVIX_FUZZ_CHECK(dir.isValid());
  return dir;
}

// Takes values off the input front to back; once the bytes run out every value reads as 0, so a
// target never has to check the length itself.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return pos_ >= size_; }
  size_t remaining() const { return empty() ? 0 : size_ - pos_; }

  uint8_t Byte() { return empty() ? 0 : data_[pos_++]; }
  // Big-endian, as SPI words go over the wire.
  uint16_t Word() {
    const uint16_t high = Byte();
    return static_cast<uint16_t>(high << 8 | Byte());
  }
  uint32_t U32() {
    const uint32_t high = Word();
    return high << 16 | Word();
  }
  // Any bit pattern, NaN and infinities included.
  double Double() {
    uint64_t bits = static_cast<uint64_t>(U32()) << 32;
    bits |= U32();
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  float Float() {
    const uint32_t bits = U32();
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // Up to `count` bytes as they are.
  QByteArray Bytes(size_t count) {
    const size_t n = count < remaining() ? count : remaining();
    QByteArray bytes(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(n));
    pos_ += n;
    return bytes;
  }
  // The rest of the input as UTF-8 text (malformed sequences become U+FFFD), so that typed text
  // with any characters, not only Latin-1, reaches the parsers.
  QString RestAsText() { return QString::fromUtf8(Bytes(remaining())); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace talvix::fuzz
