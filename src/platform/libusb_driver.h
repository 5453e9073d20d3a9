// The USB SPI cards through libusb. "Ezusb-i" is the i-th attached device that carries the card
// maker's vendor id, counting in bus, then address order. Opening a card claims its interface 0;
// its pipes are the endpoints of that interface in descriptor order (pipe p is the p-th endpoint).
// Every request is logged under the category talvix.link.usb (debug level).
#pragma once

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

// Bulk requests give up after this long; a timeout is a failed request.
inline constexpr unsigned kBulkTimeoutMs = 1000;

// One endpoint of the card's interface.
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

// Where a device sits and whose it is: what the "Ezusb-i" numbering looks at.
struct UsbDeviceLocation {
  uint8_t bus = 0;
  uint8_t address = 0;
  uint16_t vendor_id = 0;
};

// i for the name "Ezusb-i" (i = 0..3), nullopt for any other name.
std::optional<int> EzusbIndex(const QString& dev_name);

// Positions in `devices` of those that carry `vendor_id`, by bus, then address: entry i of the
// result is the device "Ezusb-i".
std::vector<size_t> OrderCards(std::span<const UsbDeviceLocation> devices, uint16_t vendor_id);

// Fills the 356-byte pipe information block from the interface (little-endian; a 16-byte
// interface header, then one 20-byte entry per pipe at 16 + 20 * p; pipes beyond 17 are left out).
void BuildPipeInfoBlock(const UsbInterface& interface,
                        std::span<uint8_t, kPipeInfoBlockSize> block);

// One log line for a request: the operation's name, its pipe or string index, the bytes sent or
// answered in hex, and the outcome.
QString DescribeUsbRequest(uint32_t code, std::span<const uint8_t> in, std::span<const uint8_t> out,
                           uint32_t returned, bool ok);

class LibUsbDriver : public UsbDriver {
 public:
  LibUsbDriver();
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

  std::unique_ptr<libusb_context, ContextDeleter> context_;
  QString last_error_;
};

}  // namespace talvix::platform
