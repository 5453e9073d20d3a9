// SPDX-License-Identifier: MIT
// A simulated USB SPI card as the bus sees it: the descriptors a host enumerates, control
// requests on endpoint 0 and bulk packets on the pipes' endpoints. Every answer comes from the
// card model of sim::SimUsbDriver (the same one `talvix --simulate` talks to at the driver level):
// this class only translates between USB transfers and the driver's requests.
//
// Not thread-safe: the emulator calls it with its lock held.
#pragma once

#include "platform/usb_driver.h"
#include "sim/sim_usb_driver.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace talvix::usb_emulator {

// What a host reads at enumeration, before it opens the device.
struct CardDescriptors {
  std::vector<uint8_t> device;         // the 18-byte device descriptor
  std::vector<uint8_t> configuration;  // configuration 1 with interface 0 and its endpoints
  QString manufacturer;                // string descriptors named by the device descriptor;
  QString product;                     // empty where the card has none
  bool high_speed = true;              // a bulk packet size above 64 needs high speed
};

// Configuration 1 of a device whose interface 0 the 356-byte pipe information block describes:
// one interface, its class and alternate setting, and one endpoint per pipe (packet size,
// address, interval and type as the block gives them).
std::vector<uint8_t> ConfigurationFromPipeInfo(std::span<const uint8_t> block);

// Outcome of a transfer the card completed: 0 or a negative errno as usbfs reports it in a URB
// (-EPIPE for a stall, -EOVERFLOW when the card sent more than was asked for), and the bytes
// of an IN transfer.
struct Completion {
  int status = 0;
  std::vector<uint8_t> data;
};

class CardFunction {
 public:
  // The card in `slot` of `driver`; it must stay there while this object lives.
  CardFunction(sim::SimUsbDriver& driver, int slot);

  // Asks the card for its device descriptor, pipe information and strings. Nothing, with the
  // reason in `error`, when it does not answer them.
  std::optional<CardDescriptors> Describe(QString& error);

  // A control transfer: the 8-byte setup packet, then (for IN requests) up to wLength bytes.
  // Standard requests only: GET_DESCRIPTOR (device, configuration, string), GET_STATUS,
  // GET_CONFIGURATION, SET_CONFIGURATION; anything else stalls.
  Completion Control(std::span<const uint8_t> setup);

  // A bulk OUT packet: status 0 when the card took it, -EPIPE when it stalled.
  int BulkOut(uint8_t endpoint, std::span<const uint8_t> packet);

  // A bulk IN transfer of up to `length` bytes; nothing while the card has nothing to send on
  // that endpoint (it answers NAK, and the transfer waits).
  std::optional<Completion> BulkIn(uint8_t endpoint, size_t length);

  // Interfaces of the configuration, for the claim requests.
  int InterfaceCount() const;

 private:
  bool Request(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
               uint32_t& returned);
  std::optional<uint32_t> PipeOf(uint8_t endpoint) const;
  std::optional<std::vector<uint8_t>> StringDescriptor(uint8_t index);

  sim::SimUsbDriver& driver_;
  int slot_;
  std::vector<uint8_t> pipe_info_;  // the card's 356-byte block, read by Describe()
  std::vector<uint8_t> configuration_;
};

}  // namespace talvix::usb_emulator
