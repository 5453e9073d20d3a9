// SPDX-License-Identifier: MIT
#include "platform/ezusb_protocol.h"

#include <QRegularExpression>

#include <algorithm>

namespace talvix::platform {

namespace {

constexpr uint32_t kDefaultMaxTransfer = 4096;  // bytes; what the block reports for each pipe
constexpr uint32_t kInterfaceHandle = 1;        // any value other than 0
constexpr uint8_t kPipeTypeMask = 0x03;
constexpr int kLoggedBytes = 64;  // longer blocks are shortened in the log

void PutLe16(std::span<uint8_t> block, size_t at, uint16_t value) {
  block[at] = static_cast<uint8_t>(value);
  block[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::span<uint8_t> block, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

QString Hex(std::span<const uint8_t> bytes) {
  QString text;
  const size_t shown = std::min<size_t>(bytes.size(), kLoggedBytes);
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) text += QLatin1Char(' ');
    text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
  }
  if (bytes.size() > shown) text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
  return text;
}

}  // namespace

std::array<uint8_t, 4> PipeNumberBlock(uint32_t pipe) {
  return {static_cast<uint8_t>(pipe), static_cast<uint8_t>(pipe >> 8),
          static_cast<uint8_t>(pipe >> 16), static_cast<uint8_t>(pipe >> 24)};
}

std::optional<uint32_t> PipeNumber(std::span<const uint8_t> in) {
  if (in.size() < 4) return std::nullopt;
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

std::optional<int> EzusbIndex(const QString& dev_name) {
  static const QRegularExpression kName(QStringLiteral("^Ezusb-([0-3])$"));
  const QRegularExpressionMatch match = kName.match(dev_name);
  if (!match.hasMatch()) return std::nullopt;
  return match.captured(1).toInt();
}

QString EzusbName(int index) {
  return QStringLiteral("Ezusb-%1").arg(index);
}

void BuildPipeInfoBlock(const UsbInterface& interface,
                        std::span<uint8_t, kPipeInfoBlockSize> block) {
  std::fill(block.begin(), block.end(), uint8_t{0});
  const int pipes = std::min<int>(static_cast<int>(interface.pipes.size()), kMaxPipes);
  PutLe16(block, kPipeInfoLengthAt, kPipeInfoBlockSize);
  block[kPipeInfoInterfaceAt] = interface.number;
  block[kPipeInfoAlternateAt] = interface.alternate;
  block[kPipeInfoClassAt] = interface.class_code;
  block[kPipeInfoSubclassAt] = interface.subclass;
  block[kPipeInfoProtocolAt] = interface.protocol;
  PutLe32(block, kPipeInfoHandleAt, kInterfaceHandle);
  PutLe32(block, kPipeInfoPipeCountAt, static_cast<uint32_t>(pipes));
  for (int p = 0; p < pipes; ++p) {
    const UsbPipe& pipe = interface.pipes[p];
    const size_t at = PipeEntryAt(p);
    PutLe16(block, at + kPipeMaxPacketAt, pipe.max_packet);
    block[at + kPipeEndpointAt] = pipe.address;
    block[at + kPipeIntervalAt] = pipe.interval;
    PutLe32(block, at + kPipeTypeAt, pipe.attributes & kPipeTypeMask);
    PutLe32(block, at + kPipeHandleAt, static_cast<uint32_t>(p + 1));
    PutLe32(block, at + kPipeMaxTransferAt, kDefaultMaxTransfer);
    PutLe32(block, at + kPipeFlagsAt, 0);
  }
}

QString RequestName(uint32_t code) {
  switch (code) {
    case kIoctlGetPipeInfo:
      return QStringLiteral("GetPipeInfo");
    case kIoctlGetDeviceDescriptor:
      return QStringLiteral("GetDeviceDescriptor");
    case kIoctlGetStringDescriptor:
      return QStringLiteral("GetStringDescriptor");
    case kIoctlBulkRead:
      return QStringLiteral("BulkRead");
    case kIoctlBulkWrite:
      return QStringLiteral("BulkWrite");
    default:
      return QStringLiteral("Ioctl 0x%1").arg(code, 0, 16);
  }
}

QString DescribeUsbRequest(uint32_t code, std::span<const uint8_t> in, std::span<const uint8_t> out,
                           uint32_t returned, bool ok) {
  const std::span<const uint8_t> answered = out.first(std::min<size_t>(returned, out.size()));
  const QString outcome =
      ok ? QStringLiteral("ok, %1 bytes").arg(returned) : QStringLiteral("FAILED");
  const std::optional<uint32_t> pipe = PipeNumber(in);
  const QString pipe_text = pipe ? QString::number(*pipe) : QStringLiteral("?");
  const QString name = RequestName(code);
  switch (code) {
    case kIoctlGetStringDescriptor:
      return QStringLiteral("%1 index %2 (%3) -> %4: %5")
          .arg(name, in.empty() ? QStringLiteral("?") : QString::number(in[0]), Hex(in), outcome,
               Hex(answered));
    case kIoctlBulkRead:
      return QStringLiteral("%1 pipe %2 (%3 bytes asked) -> %4: %5")
          .arg(name, pipe_text, QString::number(out.size()), outcome, Hex(answered));
    case kIoctlBulkWrite:
      return QStringLiteral("%1 pipe %2: %3 -> %4").arg(name, pipe_text, Hex(out), outcome);
    case kIoctlGetPipeInfo:
    case kIoctlGetDeviceDescriptor:
      return QStringLiteral("%1 -> %2: %3").arg(name, outcome, Hex(answered));
    default:
      return QStringLiteral("%1 (%2) -> %3").arg(name, Hex(in), outcome);
  }
}

}  // namespace talvix::platform
