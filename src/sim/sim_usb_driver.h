// SPDX-License-Identifier: MIT
// The simulated USB SPI cards at the driver-request level: up to four cards at "Ezusb-0" ..
// "Ezusb-3", answering the device descriptor, string descriptors, pipe information and the
// card's command set on pipes 0 (commands) and 1 (answers). Chip-select channel 1 is wired to the
// simulated sensor; the other channels have nothing attached and read all ones. Every request of
// every open card passes through SimUsbDriver::Request, which logs it under talvix.sim.usb.
#pragma once

#include "platform/usb_driver.h"
#include "sim/placeholder_usb_ids.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace talvix::sim {

// How a card comes out of the box. The product id picks the card type
// (kPlaceholderPellowProductId, kPlaceholderQuarnProductId); any other id, or another vendor id,
// makes a foreign device.
struct SimUsbCardSetup {
  uint16_t vendor_id = kPlaceholderVendorId;
  uint16_t product_id = kPlaceholderPellowProductId;
  // String descriptors by index; asking for a missing one fails like a stalled request.
  std::map<uint8_t, QString> strings = {{1, QStringLiteral("Talvix")},
                                        {2, QStringLiteral("USB SPI Card")}};
  uint8_t firmware_major = 2;  // answer to command 0
  uint8_t firmware_tenths = 5;
  uint16_t max_packet = 512;   // bytes, of every bulk pipe: 512 at high speed, 64 at full speed
  uint8_t word_delay = 25;     // microseconds between words after power-up
  uint8_t static_bits = 0xFF;  // static output bits after power-up
};

// A card's state, for tests to read and change.
struct SimUsbCard {
  SimUsbCardSetup setup;
  uint8_t word_delay = 0;   // as set by command 11
  uint8_t static_bits = 0;  // as set by command 12
  bool plugged = true;      // unplugged: opening fails and open handles' requests fail
  bool fail_next_write = false;
  bool fail_next_read = false;
  // Its firmware hangs: packets are taken but not carried out, and no read is ever answered (the
  // host gives up waiting), until the card is plugged in again.
  bool hung = false;
  // The endpoint of the next bulk transfer, in either direction, halts: that transfer fails with
  // a stall and the host clears the halt, as the libusb driver does, so later ones go through.
  bool stall_next = false;
  std::vector<std::vector<uint8_t>> received;  // every packet the card took on pipe 0
  std::optional<std::vector<uint8_t>> answer;  // waiting on pipe 1 for the next bulk read
};

class SimUsbDriver : public platform::UsbDriver {
 public:
  // One 16-bit SPI frame on chip-select channel 1: gets the word the card shifts out, returns
  // the word the sensor shifted out during the same frame.
  using SpiWire = std::function<uint16_t(uint16_t sent)>;

  static constexpr int kMaxCards = 4;
  // Endpoint addresses of pipes 0..3 of every simulated card.
  static constexpr std::array<uint8_t, 4> kPipeEndpoints = {0x02, 0x86, 0x04, 0x88};

  // What the card's work costs in time, for a card as slow as a real one. Off by default: every
  // request is answered at once and the frames of a transfer follow each other with no gap.
  struct Timing {
    // The USB scheduling of each packet on pipe 0 with its answer: about 1 ms on a full-speed
    // card, whose bulk transfers wait for the bus's 1 ms frames.
    double transfer_seconds = 0.0;
    // Spends card time: a wait on the clock the sensor runs on (a test moves its ManualClock
    // instead). While it is set, the frames of a transfer are also spaced by the card's delay
    // between words; the frame's own 16 clock bits are not timed.
    std::function<void(double seconds)> spend;
  };

  explicit SimUsbDriver(SpiWire wire = {});
  SimUsbDriver(const SimUsbDriver&) = delete;
  SimUsbDriver& operator=(const SimUsbDriver&) = delete;

  // Without a wire, channel 1 reads all ones as well.
  void SetSpiWire(SpiWire wire) { wire_ = std::move(wire); }
  // Applies to every card from its next request on.
  void SetTiming(Timing timing) { timing_ = std::move(timing); }
  const Timing& timing() const { return timing_; }

  // Puts a card, plugged in, at "Ezusb-<index>", replacing any card there. nullptr for an index
  // outside 0..3.
  SimUsbCard* PlaceCard(int index, const SimUsbCardSetup& setup = {});
  void RemoveCard(int index);
  // The card at `index`, or nullptr.
  SimUsbCard* Card(int index);
  const SimUsbCard* Card(int index) const;

  // Fault injection; each does nothing where there is no card. A failed write never reaches
  // the card; a failed read loses the answer that was waiting. Replug also ends a hang (the card
  // starts afresh).
  void FailNextBulkWrite(int index);
  void FailNextBulkRead(int index);
  void Hang(int index);
  void StallNextBulkTransfer(int index);
  void Unplug(int index);
  void Replug(int index);

  // Packets the card at `index` took on pipe 0, oldest first; empty where there is no card.
  std::vector<std::vector<uint8_t>> ReceivedPackets(int index) const;

  // Devices open now; 0 between operations, since no handle outlives the operation that
  // opened it.
  int OpenDevices() const { return open_devices_; }

  // Devices must be closed before the driver is destroyed.
  std::unique_ptr<platform::UsbDevice> Open(const QString& dev_name) override;

  // Carries one request of the open device at `index`; every request passes through here.
  bool Request(int index, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
               uint32_t& returned);

 private:
  friend class SimUsbDevice;

  bool Serve(SimUsbCard& card, uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
             uint32_t& returned);
  bool BulkRead(SimUsbCard& card, uint32_t pipe, std::span<uint8_t> out, uint32_t& returned);
  bool BulkWrite(SimUsbCard& card, uint32_t pipe, std::span<const uint8_t> packet,
                 uint32_t& returned);
  void Execute(SimUsbCard& card, std::span<const uint8_t> packet);
  uint16_t Frame(uint8_t channel, uint16_t sent);

  std::array<std::optional<SimUsbCard>, kMaxCards> cards_;
  // Spends `seconds` of card time when timing is on.
  void Spend(double seconds);

  SpiWire wire_;
  Timing timing_;
  int open_devices_ = 0;
};

}  // namespace talvix::sim
