// SPDX-License-Identifier: MIT
// The EZ-USB driver's requests as the program, the libusb backend, the simulated card and the USB
// card emulator all speak them: the five device-control codes, the blocks they carry, the layout
// of the 356-byte pipe information block, and the device names "Ezusb-0" .. "Ezusb-3". Every
// number of that protocol is written here once; the other files name these constants.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace talvix::platform {

// Device-control codes of the five requests.
inline constexpr uint32_t kIoctlGetPipeInfo = 2236416;          // in/out: 356-byte block
inline constexpr uint32_t kIoctlGetDeviceDescriptor = 2236420;  // out: 147-byte buffer
inline constexpr uint32_t kIoctlGetStringDescriptor = 2236484;  // in: index, 0, 0, 0, 0x1B
inline constexpr uint32_t kIoctlBulkRead = 2236494;             // in: 32-bit LE pipe number
inline constexpr uint32_t kIoctlBulkWrite = 2236497;            // in: pipe; out: bytes to send

inline constexpr int kDeviceDescriptorBufferSize = 147;
// What GetDeviceDescriptor answers: the standard 18-byte USB device descriptor, whose fields the
// card scan and the simulated card use at these offsets.
inline constexpr int kDeviceDescriptorLength = 18;
inline constexpr int kDescriptorVendorIdAt = 8;            // 16 bits
inline constexpr int kDescriptorProductIdAt = 10;          // 16 bits
inline constexpr int kDescriptorManufacturerIndexAt = 14;  // string descriptor index
inline constexpr int kDescriptorProductIndexAt = 15;       // string descriptor index
// The string descriptor request: the descriptor's index, three zero bytes, then this byte.
inline constexpr uint8_t kStringDescriptorRequestTail = 0x1B;

// The pipe information block, little-endian throughout. A 16-byte interface header:
inline constexpr int kPipeInfoBlockSize = 356;
inline constexpr int kPipeInfoLengthAt = 0;     // 16 bits: the block's size
inline constexpr int kPipeInfoInterfaceAt = 2;  // interface number
inline constexpr int kPipeInfoAlternateAt = 3;  // alternate setting
inline constexpr int kPipeInfoClassAt = 4;      // class, subclass, protocol at 4, 5, 6
inline constexpr int kPipeInfoSubclassAt = 5;
inline constexpr int kPipeInfoProtocolAt = 6;
inline constexpr int kPipeInfoHandleAt = 8;      // 32 bits: interface handle, never 0
inline constexpr int kPipeInfoPipeCountAt = 12;  // 32 bits: number of pipe entries
// then one 20-byte entry per pipe, pipe p at PipeEntryAt(p):
inline constexpr int kPipeEntryOffset = 16;
inline constexpr int kPipeEntrySize = 20;
inline constexpr int kMaxPipes = (kPipeInfoBlockSize - kPipeEntryOffset) / kPipeEntrySize;  // 17
// Fields of a pipe entry, from its start:
inline constexpr int kPipeMaxPacketAt = 0;  // 16 bits: bytes per packet
inline constexpr int kPipeEndpointAt = 2;   // endpoint address; above 0x80 reads from the card
inline constexpr int kPipeIntervalAt = 3;   // polling interval
inline constexpr int kPipeTypeAt = 4;    // 32 bits: 0 control, 1 isochronous, 2 bulk, 3 interrupt
inline constexpr int kPipeHandleAt = 8;  // 32 bits
inline constexpr int kPipeMaxTransferAt = 12;  // 32 bits: bytes per request
inline constexpr int kPipeFlagsAt = 16;        // 32 bits
inline constexpr uint8_t kInEndpointAbove = 0x80;

static_assert(kPipeEntryOffset + kPipeEntrySize * kMaxPipes <= kPipeInfoBlockSize);

// Where pipe p's entry starts in the block.
constexpr int PipeEntryAt(int pipe) {
  return kPipeEntryOffset + kPipeEntrySize * pipe;
}

// The 4-byte input block of the bulk requests: the pipe number, little-endian.
std::array<uint8_t, 4> PipeNumberBlock(uint32_t pipe);
// The pipe number of a bulk request's input block; nullopt when it is shorter than 4 bytes.
std::optional<uint32_t> PipeNumber(std::span<const uint8_t> in);

// i for the name "Ezusb-i" (i = 0..3), nullopt for any other name.
std::optional<int> EzusbIndex(const QString& dev_name);
// "Ezusb-i".
QString EzusbName(int index);

// One endpoint of a card's interface.
struct UsbPipe {
  uint8_t address = 0;      // bit 7 set for an IN endpoint
  uint8_t attributes = 0;   // bits 0..1: 0 control, 1 isochronous, 2 bulk, 3 interrupt
  uint16_t max_packet = 0;  // bytes
  uint8_t interval = 0;
};

// Interface 0 of the active configuration, as the pipe information block describes it.
struct UsbInterface {
  uint8_t number = 0;
  uint8_t alternate = 0;
  uint8_t class_code = 0;
  uint8_t subclass = 0;
  uint8_t protocol = 0;
  std::vector<UsbPipe> pipes;  // in descriptor order
};

// Fills the pipe information block from the interface; pipes beyond kMaxPipes are left out.
void BuildPipeInfoBlock(const UsbInterface& interface,
                        std::span<uint8_t, kPipeInfoBlockSize> block);

// The request's name for messages and logs ("BulkWrite"), or its code in hex when unknown.
QString RequestName(uint32_t code);

// One log line for a request: the operation's name, its pipe or string index, the bytes sent or
// answered in hex, and the outcome.
QString DescribeUsbRequest(uint32_t code, std::span<const uint8_t> in, std::span<const uint8_t> out,
                           uint32_t returned, bool ok);

}  // namespace talvix::platform
