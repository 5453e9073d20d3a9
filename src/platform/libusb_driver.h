// SPDX-License-Identifier: MIT
// The USB SPI cards through libusb. "Ezusb-i" is the i-th attached device that carries the card
// maker's vendor id (the installation's setting, platform/usb_card_ids.h), counting in bus, then
// address order. Opening a card claims its interface 0; its pipes are the endpoints of that
// interface in descriptor order (pipe p is the p-th endpoint). Every request is logged under the
// category talvix.link.usb (debug level).
#pragma once

#include "platform/ezusb_protocol.h"
#include "platform/usb_driver.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct libusb_context;

namespace talvix::platform {

// Every transfer to a card (bulk, and the control requests for descriptors) gives up after this
// long; a timeout is a failed request. The card answers within microseconds, so only a card that
// has stopped answering meets it.
inline constexpr unsigned kTransferTimeoutMs = 1000;

// Where a device sits and whose it is: what the "Ezusb-i" numbering looks at.
struct UsbDeviceLocation {
  uint8_t bus = 0;
  uint8_t address = 0;
  uint16_t vendor_id = 0;
};

// Positions in `devices` of those that carry `vendor_id`, by bus, then address: entry i of the
// result is the device "Ezusb-i".
std::vector<size_t> OrderCards(std::span<const UsbDeviceLocation> devices, uint16_t vendor_id);

class LibUsbDriver : public UsbDriver {
 public:
  // Looks for devices of `vendor_id`; without one, no device is ever opened.
  explicit LibUsbDriver(std::optional<uint16_t> vendor_id);
  ~LibUsbDriver() override;
  LibUsbDriver(const LibUsbDriver&) = delete;
  LibUsbDriver& operator=(const LibUsbDriver&) = delete;

  // nullptr when no such card is attached or it cannot be opened; in the second case LastError()
  // says why and how to fix it.
  std::unique_ptr<UsbDevice> Open(const QString& dev_name) override;

  // The last failure of libusb start-up, an open or a request, with the remedy; empty when
  // nothing failed since ClearLastError(). The card scan shows no message for a card it cannot
  // open, so the caller can show this text after "No USB Buffers Found ...".
  const QString& LastError() const { return last_error_; }
  void ClearLastError() { last_error_.clear(); }

 private:
  struct ContextDeleter {
    void operator()(libusb_context* context) const;
  };

  // Starts libusb; on failure records why. Tried again at each Open until it succeeds.
  bool Start();
  void SetError(const QString& text);

  std::optional<uint16_t> vendor_id_;
  std::unique_ptr<libusb_context, ContextDeleter> context_;
  QString last_error_;
};

}  // namespace talvix::platform
