// SPDX-License-Identifier: MIT
// Simulated USB SPI cards as real USB devices for libusb, in this process and in its children.
//
// umockdev fakes /sys/bus/usb/devices/... and a /dev/bus/usb/BBB/DDD node for each device; the
// usbdevfs requests that libusb sends to the node (claim, control and bulk URBs, reaping,
// cancelling) come to this emulator, which answers them from the card model of
// sim::SimUsbDriver. So the program's real libusb backend meets a card whose answers, sensor
// included, are the simulator's.
//
// The process must have been started with LD_PRELOAD=libumockdev-preload.so.0 (setting it later
// is too late); child processes inherit it and the testbed ($UMOCKDEV_DIR). Create the emulator
// before libusb_init() and destroy it after libusb_exit(): libusb reads the device list from the
// testbed when it starts. One emulator per process at a time.
//
// The URBs are served on umockdev's own thread. From Start() on, the driver and everything on its
// SPI wire (the sensor) belong to that thread: touch them only inside WithCards().
#pragma once

#include "sim/sim_usb_driver.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/fault_plan.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace talvix::usb_emulator {

// The library that must be in LD_PRELOAD.
inline constexpr char kPreloadLibrary[] = "libumockdev-preload.so.0";

class UsbCardEmulator {
 public:
  // When a pulled cable takes effect, counted from the next packet the host sends on any bulk
  // OUT endpoint of the device.
  enum class PullMoment {
    kInsteadOfPacket,  // the packet never reaches the card: its transfer fails
    kBeforeAnswer,     // the card takes the packet and its command runs, but nothing comes back
  };

  // Requests a device answered, for tests of the plumbing.
  struct DeviceStats {
    size_t submitted = 0;  // URBs
    size_t reaped = 0;
    size_t discarded = 0;       // cancelled while waiting, as on a timeout
    size_t unknown_ioctls = 0;  // requests the emulator does not know (answered ENOTTY)
  };

  // Plugs `devices` in: device k is answered by the card in slot k of `cards`, which the
  // emulator places there from the device's setup (and empties the slots it does not use). At
  // most four devices. Nothing, with the reason in `error`, when the cards cannot be described
  // or umockdev cannot be used (most often: the process runs without the preload library).
  static std::unique_ptr<UsbCardEmulator> Start(sim::SimUsbDriver& cards,
                                                std::vector<EmulatedDevice> devices,
                                                QString& error);
  ~UsbCardEmulator();
  UsbCardEmulator(const UsbCardEmulator&) = delete;
  UsbCardEmulator& operator=(const UsbCardEmulator&) = delete;

  // True when this process runs with umockdev's preload library.
  static bool PreloadActive();

  // Runs `action` on the card models while no request is being served.
  void WithCards(const std::function<void(sim::SimUsbDriver&)>& action);

  int DeviceCount() const;
  // "/dev/bus/usb/001/002" and the like.
  QString DevNode(int device) const;

  // Pulls the cable: transfers in flight end with "no device", requests on open handles fail
  // with it, and the device leaves the bus (a remove event goes out). Call Unplug and Replug
  // from one thread.
  void Unplug(int device);
  // Plugs the device in again at the same address, as a freshly powered card. Handles opened
  // before the unplug stay dead.
  void Replug(int device);
  // Pulls the cable from inside the next bulk OUT transfer of the device (see PullMoment), so
  // that a test can unplug a card in the middle of one command/answer exchange.
  void UnplugAtNextPacket(int device, PullMoment moment);
  // A card whose firmware has hung takes packets but never answers: its bulk IN transfers wait
  // until the host gives up.
  void SetAnswering(int device, bool answering);

  // Injects `plan`'s fault into the device that the bulk transfer after the next
  // `plan.after_transfers` ones goes to, counting the bulk transfers of every device from this
  // call on (see fault_plan.h). `fired`, when given, is called with a line that says what
  // happened, on the emulator's thread, when the fault strikes. One plan at a time: a new plan
  // replaces one that has not struck yet.
  void PlanFault(const FaultPlan& plan, std::function<void(const QString&)> fired = {});

  DeviceStats Stats(int device) const;

  // Defined with the emulator's code; named here so that its helpers can refer to it.
  struct Impl;

 private:
  explicit UsbCardEmulator(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> d_;
};

}  // namespace talvix::usb_emulator
