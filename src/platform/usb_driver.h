// SPDX-License-Identifier: MIT
// The USB SPI card's driver as the program sees it: a device opened by name ("Ezusb-0" ..
// "Ezusb-3") that carries five device-control requests, each with an input and an output block.
// The real driver is libusb; the simulated one computes the card's answers.
#pragma once

#include "platform/ezusb_protocol.h"  // the requests IoControl carries

#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace talvix::platform {

// An open device. Closing is the destructor, so no handle outlives the operation that opened it.
class UsbDevice {
 public:
  virtual ~UsbDevice() = default;
  // Carries one request. For reads `out` receives the answer; for a bulk write it holds the bytes
  // to send. `returned` is the number of bytes answered or sent. False when the request failed.
  virtual bool IoControl(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                         uint32_t& returned) = 0;
};

class UsbDriver {
 public:
  virtual ~UsbDriver() = default;
  // Opens the device of that name; nullptr when there is none or it cannot be opened.
  virtual std::unique_ptr<UsbDevice> Open(const QString& dev_name) = 0;
};

}  // namespace talvix::platform

namespace talvix::platform {

// A driver with no devices behind it, for sessions that offer no USB.
class AbsentUsbDriver : public UsbDriver {
 public:
  std::unique_ptr<UsbDevice> Open(const QString&) override { return nullptr; }
};

}  // namespace talvix::platform
