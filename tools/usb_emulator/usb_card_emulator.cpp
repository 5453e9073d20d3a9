// SPDX-License-Identifier: MIT
#include "usb_emulator/usb_card_emulator.h"

#include "usb_emulator/card_function.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace talvix::usb_emulator {

namespace {

// What the emulated usbfs can do; libusb asks once per open.
constexpr uint32_t kCapabilities =
    USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_ZERO_PACKET;
constexpr size_t kSetupPacketLength = 8;
constexpr int kUsbDeviceMajor = 189;  // char major of /dev/bus/usb nodes
constexpr int kPipeBytes = 4096;      // one page: one byte in it makes the FIFO "full"
constexpr uint8_t kFirstAddress = 2;  // address 1 belongs to the root hub
constexpr uint8_t kEndpointIn = 0x80;

std::string Hex(const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";  // the testbed reads upper case only
  std::string text;
  for (const uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::string Padded(int value) {
  std::string text = std::to_string(value);
  return std::string(text.size() < 3 ? 3 - text.size() : 0, '0') + text;
}

// A sysfs attribute's text in the testbed's record format: no line breaks or escapes.
std::string AttributeText(const QString& text) {
  std::string result;
  for (const char c : text.toStdString()) {
    if (c != '\n' && c != '\r' && c != '\\') result += c;
  }
  return result;
}

std::string Hex4(uint16_t value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

QString TakeError(GError*& error) {
  QString text = error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
  g_clear_error(&error);
  return text;
}

// A URB the host submitted: local copies of its struct usbdevfs_urb and of its data buffer,
// written back to the host's memory when the reap request that hands it over completes.
struct Urb {
  UMockdevIoctlData* urb = nullptr;
  UMockdevIoctlData* buffer = nullptr;  // nullptr for a zero-length transfer
  UMockdevIoctlClient* client = nullptr;
  usbdevfs_urb* u() const { return reinterpret_cast<usbdevfs_urb*>(urb->data); }
  uint8_t* data() const { return buffer ? buffer->data : nullptr; }
  size_t length() const { return buffer ? static_cast<size_t>(u()->buffer_length) : 0; }
  void Release() {
    g_clear_object(&buffer);
    g_clear_object(&urb);
  }
};

UMockdevIoctlData* Resolve(UMockdevIoctlData* data, size_t offset, size_t length) {
  GError* error = nullptr;
  UMockdevIoctlData* result = umockdev_ioctl_data_resolve(data, offset, length, &error);
  if (error) {
    g_warning("talvix-usb-emulator: cannot read the host's request: %s", error->message);
    g_clear_error(&error);
  }
  return result;
}

}  // namespace

// One device on the bus: its testbed entry, its usbfs node and the URBs in flight on it.
struct DeviceState {
  UsbCardEmulator::Impl* owner = nullptr;
  int index = 0;
  EmulatedDevice where;
  std::unique_ptr<CardFunction> function;
  std::string devnode;  // "/dev/bus/usb/001/002"
  std::string syspath;  // "/sys/devices/..."
  std::string record;   // the testbed's description of the device
  UMockdevIoctlBase* handler = nullptr;
  bool attached = false;  // handler attached to the node
  bool on_bus = false;
  // Clients (open file descriptions of the node) connected since the last replug; requests from
  // any other client are from a handle opened before the cable was pulled.
  std::set<UMockdevIoctlClient*> live_clients;
  std::optional<UsbCardEmulator::PullMoment> pull;
  bool answering = true;
  std::set<uint8_t> halted;  // endpoints that stall every transfer until the host clears them
  std::deque<Urb> waiting;   // bulk IN URBs the card has not answered yet
  std::deque<Urb> done;      // completed URBs, until the host reaps them
  int bell_fd = -1;          // our end of the FIFO that backs the node
  bool bell_ringing = true;
  UsbCardEmulator::DeviceStats stats;
};

struct UsbCardEmulator::Impl {
  sim::SimUsbDriver* cards = nullptr;
  UMockdevTestbed* testbed = nullptr;
  std::mutex mutex;  // guards the devices' URB state and the card models
  std::vector<std::unique_ptr<DeviceState>> devices;
  std::string root;           // the testbed's root directory
  size_t bulk_transfers = 0;  // submitted on every device since Start()
  std::optional<FaultKind> fault;
  size_t fault_at = 0;  // the number of the bulk transfer the fault strikes
  std::function<void(const QString&)> fault_fired;

  ~Impl() {
    for (auto& device : devices) {
      if (device->attached) {
        GError* error = nullptr;
        umockdev_testbed_detach_ioctl(testbed, device->devnode.c_str(), &error);
        g_clear_error(&error);
      }
    }
    {
      std::lock_guard lock(mutex);
      for (auto& device : devices) {
        for (Urb& urb : device->waiting) urb.Release();
        for (Urb& urb : device->done) urb.Release();
        device->waiting.clear();
        device->done.clear();
      }
    }
    for (auto& device : devices) {
      if (device->handler) g_signal_handlers_disconnect_by_data(device->handler, device.get());
      g_clear_object(&device->handler);
      if (device->bell_fd >= 0) close(device->bell_fd);
    }
    g_clear_object(&testbed);
  }

  // libusb sleeps in poll() on the node until a URB can be reaped (POLLOUT). umockdev backs the
  // node with a plain file, which is always ready, so libusb would spin; instead the node is a
  // one-page FIFO that holds one byte (full: not writable) while nothing waits to be reaped.
  void UpdateBell(DeviceState& device) {
    if (device.bell_fd < 0) return;
    const bool ring = !device.done.empty();
    if (ring == device.bell_ringing) return;
    if (ring) {
      char drain[16];
      while (read(device.bell_fd, drain, sizeof drain) > 0) {
      }
    } else if (write(device.bell_fd, "x", 1) != 1) {
      g_warning("talvix-usb-emulator: cannot reset the doorbell of %s", device.devnode.c_str());
    }
    device.bell_ringing = ring;
  }

  bool MakeBell(DeviceState& device, QString& error) {
    const std::string path = root + device.devnode;
    unlink(path.c_str());
    if (device.bell_fd >= 0) close(device.bell_fd);
    device.bell_fd = -1;
    if (mkfifo(path.c_str(), 0666) != 0) {
      error = QStringLiteral("cannot make the FIFO %1: %2")
                  .arg(QString::fromStdString(path), QString::fromUtf8(std::strerror(errno)));
      return false;
    }
    device.bell_fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (device.bell_fd < 0 || fcntl(device.bell_fd, F_SETPIPE_SZ, kPipeBytes) < 0) {
      error = QStringLiteral("cannot set up the FIFO %1: %2")
                  .arg(QString::fromStdString(path), QString::fromUtf8(std::strerror(errno)));
      return false;
    }
    device.bell_ringing = true;
    UpdateBell(device);
    pollfd probe{device.bell_fd, POLLOUT, 0};
    if (poll(&probe, 1, 0) != 0) {
      error = QStringLiteral("this kernel reports a full one-page FIFO as writable");
      return false;
    }
    return true;
  }

  bool Plug(DeviceState& device, QString& error) {
    GError* gerror = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, device.record.c_str(), &gerror)) {
      error = QStringLiteral("cannot add %1 to the testbed: %2")
                  .arg(QString::fromStdString(device.devnode), TakeError(gerror));
      return false;
    }
    if (!umockdev_testbed_attach_ioctl(testbed, device.devnode.c_str(), device.handler, &gerror)) {
      error = QStringLiteral("cannot serve the requests of %1: %2")
                  .arg(QString::fromStdString(device.devnode), TakeError(gerror));
      return false;
    }
    device.attached = true;
    std::lock_guard lock(mutex);
    if (!MakeBell(device, error)) return false;
    device.on_bus = true;
    return true;
  }

  // Pulls the cable; the mutex is held. The requests in flight end with "no device", the
  // testbed loses the device and announces it; the ioctl handler stays attached (it may be the
  // caller) and answers "no device" until the next Replug.
  void Drop(DeviceState& device) {
    if (!device.on_bus) return;
    device.on_bus = false;
    device.pull.reset();
    device.live_clients.clear();
    for (Urb& urb : device.waiting) {
      urb.u()->status = -ENODEV;
      urb.u()->actual_length = 0;
      device.done.push_back(urb);
    }
    device.waiting.clear();
    UpdateBell(device);
    cards->Unplug(device.index);
    // umockdev 0.17 sends no remove event of its own.
    umockdev_testbed_uevent(testbed, device.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, device.syspath.c_str());
  }

  // Answers the waiting bulk IN URBs that the card has something for, oldest first.
  void ServeWaiting(DeviceState& device) {
    if (!device.answering) return;
    for (auto it = device.waiting.begin(); it != device.waiting.end();) {
      usbdevfs_urb* u = it->u();
      std::optional<Completion> answer = device.function->BulkIn(u->endpoint, it->length());
      if (!answer) {
        ++it;
        continue;
      }
      const size_t n = std::min(answer->data.size(), it->length());
      if (n > 0) std::memcpy(it->data(), answer->data.data(), n);
      u->status = answer->status;
      u->actual_length = static_cast<int>(n);
      device.done.push_back(*it);
      it = device.waiting.erase(it);
    }
  }

  // Counts a bulk transfer and lets the planned fault strike `device` when its turn has come.
  // False when the fault took the device off the bus (the URB has failed with "no device").
  bool StrikeIfDue(DeviceState& device, Urb& urb) {
    const size_t number = ++bulk_transfers;
    if (!fault || number < fault_at) return true;
    const FaultKind kind = *fault;
    fault.reset();
    if (fault_fired) {
      fault_fired(QStringLiteral("fault %1 strikes %2 at bulk transfer %3")
                      .arg(FaultName(kind), QString::fromStdString(device.devnode))
                      .arg(number));
    }
    switch (kind) {
      case FaultKind::kUnplug:
        urb.u()->status = -ENODEV;
        device.done.push_back(urb);
        Drop(device);
        return false;
      case FaultKind::kHang:
        device.answering = false;
        return true;
      case FaultKind::kStall:
        device.halted.insert(urb.u()->endpoint);
        return true;
    }
    return true;
  }

  // A bulk URB, OUT or IN. False when the device left the bus on it.
  bool SubmitBulk(DeviceState& device, Urb& urb, bool in) {
    usbdevfs_urb* u = urb.u();
    if (!StrikeIfDue(device, urb)) return false;
    if (device.halted.count(u->endpoint) > 0) {
      u->status = -EPIPE;
      device.done.push_back(urb);
      return true;
    }
    if (in) {
      device.waiting.push_back(urb);
      return true;
    }
    if (device.pull == UsbCardEmulator::PullMoment::kInsteadOfPacket) {
      u->status = -ENODEV;
      device.done.push_back(urb);
      Drop(device);
      return false;
    }
    u->status =
        device.function->BulkOut(u->endpoint, std::span<const uint8_t>(urb.data(), urb.length()));
    u->actual_length = u->status == 0 ? u->buffer_length : 0;
    device.done.push_back(urb);
    if (device.pull == UsbCardEmulator::PullMoment::kBeforeAnswer) {
      Drop(device);
      return false;
    }
    return true;
  }

  // SUBMITURB: returns the errno for the request itself (0 when the URB was queued).
  int Submit(DeviceState& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    Urb urb;
    urb.client = client;
    urb.urb = Resolve(arg, 0, sizeof(usbdevfs_urb));
    if (!urb.urb) return EFAULT;
    usbdevfs_urb* u = urb.u();
    if (u->buffer_length < 0) {
      urb.Release();
      return EINVAL;
    }
    if (u->buffer_length > 0) {
      urb.buffer =
          Resolve(urb.urb, offsetof(usbdevfs_urb, buffer), static_cast<size_t>(u->buffer_length));
      if (!urb.buffer) {
        urb.Release();
        return EFAULT;
      }
    }
    u->status = 0;
    u->actual_length = 0;
    ++device.stats.submitted;
    const bool in = (u->endpoint & kEndpointIn) != 0;
    if (u->type == USBDEVFS_URB_TYPE_CONTROL) {
      if (urb.length() < kSetupPacketLength) {
        u->status = -EPIPE;
      } else {
        const Completion reply =
            device.function->Control(std::span<const uint8_t>(urb.data(), kSetupPacketLength));
        const size_t n = std::min(reply.data.size(), urb.length() - kSetupPacketLength);
        if (n > 0) std::memcpy(urb.data() + kSetupPacketLength, reply.data.data(), n);
        u->status = reply.status;
        u->actual_length = static_cast<int>(n);
      }
      device.done.push_back(urb);
    } else if (u->type == USBDEVFS_URB_TYPE_BULK) {
      if (!SubmitBulk(device, urb, in)) return 0;
    } else {  // isochronous and interrupt transfers: the card has no such endpoints
      urb.Release();
      return EINVAL;
    }
    ServeWaiting(device);  // an OUT packet may have left an answer
    return 0;
  }

  // REAPURB[NDELAY]: hands the oldest completed URB of this client back.
  int Reap(DeviceState& device, UMockdevIoctlClient* client, UMockdevIoctlData* arg, bool live) {
    const auto it = std::find_if(device.done.begin(), device.done.end(),
                                 [&](const Urb& urb) { return urb.client == client; });
    if (it == device.done.end()) return live ? EAGAIN : ENODEV;
    Urb urb = *it;
    device.done.erase(it);
    // The argument points at the host's "struct usbdevfs_urb *": make it point at the URB.
    UMockdevIoctlData* pointer = Resolve(arg, 0, sizeof(void*));
    if (pointer) {
      umockdev_ioctl_data_set_ptr(pointer, 0, urb.urb);
      g_object_unref(pointer);
    }
    urb.Release();
    ++device.stats.reaped;
    return 0;
  }

  // DISCARDURB: the host gave up on a URB (a timeout). It stays reapable with -ENOENT, or
  // libusb would wait for it for ever.
  int Discard(DeviceState& device, UMockdevIoctlData* arg) {
    const gulong address = *reinterpret_cast<gulong*>(arg->data);
    for (auto it = device.waiting.begin(); it != device.waiting.end(); ++it) {
      if (it->urb->client_addr != address) continue;
      it->u()->status = -ENOENT;
      device.done.push_back(*it);
      device.waiting.erase(it);
      ++device.stats.discarded;
      return 0;
    }
    return EINVAL;  // already completed, as the kernel says
  }

  // CLEAR_HALT: the host clears a stalled endpoint, which carries transfers again.
  int ClearHalt(DeviceState& device, UMockdevIoctlData* arg) {
    UMockdevIoctlData* data = Resolve(arg, 0, sizeof(unsigned));
    if (!data) return EFAULT;
    const unsigned endpoint = *reinterpret_cast<unsigned*>(data->data);
    g_object_unref(data);
    device.halted.erase(static_cast<uint8_t>(endpoint));
    return 0;
  }

  int Claim(DeviceState& device, UMockdevIoctlData* arg) {
    UMockdevIoctlData* data = Resolve(arg, 0, sizeof(unsigned));
    if (!data) return EFAULT;
    const unsigned interface = *reinterpret_cast<unsigned*>(data->data);
    g_object_unref(data);
    return interface < static_cast<unsigned>(device.function->InterfaceCount()) ? 0 : ENOENT;
  }

  gboolean OnIoctl(DeviceState& device, UMockdevIoctlClient* client) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    int error = 0;
    std::lock_guard lock(mutex);
    const bool reap = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY;
    const bool live = device.on_bus && device.live_clients.count(client) > 0;
    if (!live && !reap) {
      umockdev_ioctl_client_complete(client, -1, ENODEV);
      return TRUE;
    }
    switch (request) {
      case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* data = Resolve(arg, 0, sizeof(uint32_t));
        if (!data) {
          error = EFAULT;
          break;
        }
        *reinterpret_cast<uint32_t*>(data->data) = kCapabilities;
        g_object_unref(data);
        break;
      }
      case USBDEVFS_CLAIMINTERFACE:
      case USBDEVFS_RELEASEINTERFACE:
      case USBDEVFS_DISCONNECT_CLAIM:  // no kernel driver is bound: a plain claim
        error = Claim(device, arg);
        break;
      case USBDEVFS_CLEAR_HALT:
        error = ClearHalt(device, arg);
        break;
      case USBDEVFS_SETINTERFACE:
      case USBDEVFS_SETCONFIGURATION:
      case USBDEVFS_RESETEP:
      case USBDEVFS_RESET:
        break;
      case USBDEVFS_GETDRIVER:
      case USBDEVFS_IOCTL:  // no kernel driver to name, detach or attach
        error = ENODATA;
        break;
      case USBDEVFS_SUBMITURB:
        error = Submit(device, client, arg);
        break;
      case USBDEVFS_REAPURB:
      case USBDEVFS_REAPURBNDELAY:
        error = Reap(device, client, arg, live);
        break;
      case USBDEVFS_DISCARDURB:
        error = Discard(device, arg);
        break;
      default:
        ++device.stats.unknown_ioctls;
        error = ENOTTY;
    }
    UpdateBell(device);
    umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
    return TRUE;
  }

  void OnConnected(DeviceState& device, UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex);
    if (device.on_bus) device.live_clients.insert(client);
  }

  // A closed handle takes the URBs it never reaped with it.
  void OnVanished(DeviceState& device, UMockdevIoctlClient* client) {
    std::lock_guard lock(mutex);
    device.live_clients.erase(client);
    for (std::deque<Urb>* queue : {&device.waiting, &device.done}) {
      for (auto it = queue->begin(); it != queue->end();) {
        if (it->client != client) {
          ++it;
          continue;
        }
        it->Release();
        it = queue->erase(it);
      }
    }
    UpdateBell(device);
  }
};

namespace {

gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user_data) {
  auto* device = static_cast<DeviceState*>(user_data);
  return device->owner->OnIoctl(*device, client);
}

void ClientConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user_data) {
  auto* device = static_cast<DeviceState*>(user_data);
  device->owner->OnConnected(*device, client);
}

void ClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user_data) {
  auto* device = static_cast<DeviceState*>(user_data);
  device->owner->OnVanished(*device, client);
}

// The testbed's description of a device: sysfs attributes as libusb and libudev read them,
// the udev properties, and the node's contents (the descriptors, as usbfs gives them).
std::string DeviceRecord(const DeviceState& device, const CardDescriptors& descriptors) {
  const EmulatedDevice& where = device.where;
  std::vector<uint8_t> all = descriptors.device;
  all.insert(all.end(), descriptors.configuration.begin(), descriptors.configuration.end());
  const std::string bus = std::to_string(where.bus);
  const std::string node = device.devnode.substr(std::strlen("/dev/"));
  const uint16_t vendor = static_cast<uint16_t>(descriptors.device[8] | descriptors.device[9] << 8);
  const uint16_t product =
      static_cast<uint16_t>(descriptors.device[10] | descriptors.device[11] << 8);
  std::string record = "P: " + device.syspath.substr(std::strlen("/sys")) + "\n";
  record += "N: " + node + "=" + Hex(all) + "\n";
  record += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=" + device.devnode + "\n";
  record += "E: BUSNUM=" + Padded(where.bus) + "\nE: DEVNUM=" + Padded(where.address) + "\n";
  record += "A: busnum=" + bus + "\\n\nA: devnum=" + std::to_string(where.address) + "\\n\n";
  record += std::string("A: speed=") + (descriptors.high_speed ? "480" : "12") + "\\n\n";
  record += "A: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n";
  record += "A: idVendor=" + Hex4(vendor) + "\\n\nA: idProduct=" + Hex4(product) + "\\n\n";
  if (!descriptors.manufacturer.isEmpty()) {
    record += "A: manufacturer=" + AttributeText(descriptors.manufacturer) + "\\n\n";
  }
  if (!descriptors.product.isEmpty()) {
    record += "A: product=" + AttributeText(descriptors.product) + "\\n\n";
  }
  record += "A: dev=" + std::to_string(kUsbDeviceMajor) + ":" +
            std::to_string((where.bus - 1) * 128 + where.address - 1) + "\n";
  record += "H: descriptors=" + Hex(all) + "\n";
  return record;
}

// Gives every device without an address the next free one on its bus.
bool AssignAddresses(std::vector<EmulatedDevice>& devices, QString& error) {
  std::set<std::pair<int, int>> taken;
  for (const EmulatedDevice& device : devices) {
    if (device.address == 0) continue;
    if (device.bus == 0 || device.address > 127 ||
        !taken.insert({device.bus, device.address}).second) {
      error = QStringLiteral("bus %1, address %2 is not a free USB address")
                  .arg(device.bus)
                  .arg(device.address);
      return false;
    }
  }
  for (EmulatedDevice& device : devices) {
    if (device.address != 0) continue;
    if (device.bus == 0) {
      error = QStringLiteral("bus 0 does not exist");
      return false;
    }
    uint8_t address = kFirstAddress;
    while (taken.count({device.bus, address}) > 0) ++address;
    device.address = address;
    taken.insert({device.bus, address});
  }
  return true;
}

}  // namespace

UsbCardEmulator::UsbCardEmulator(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}

UsbCardEmulator::~UsbCardEmulator() = default;

bool UsbCardEmulator::PreloadActive() {
  // Not umockdev_in_mock_environment(): it caches its first answer, and says no before a
  // testbed exists.
  const char* preload = std::getenv("LD_PRELOAD");
  return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

std::unique_ptr<UsbCardEmulator> UsbCardEmulator::Start(sim::SimUsbDriver& cards,
                                                        std::vector<EmulatedDevice> devices,
                                                        QString& error) {
  if (static_cast<int>(devices.size()) > sim::SimUsbDriver::kMaxCards) {
    error = QStringLiteral("at most %1 devices").arg(sim::SimUsbDriver::kMaxCards);
    return nullptr;
  }
  if (!PreloadActive()) {
    error = QStringLiteral(
                "umockdev's preload library is not loaded: start the process with "
                "LD_PRELOAD=%1")
                .arg(QString::fromLatin1(kPreloadLibrary));
    return nullptr;
  }
  if (!AssignAddresses(devices, error)) return nullptr;

  auto usb = std::make_unique<Impl>();
  usb->cards = &cards;
  for (int slot = 0; slot < sim::SimUsbDriver::kMaxCards; ++slot) cards.RemoveCard(slot);
  std::vector<CardDescriptors> described;
  for (size_t k = 0; k < devices.size(); ++k) {
    auto device = std::make_unique<DeviceState>();
    device->owner = usb.get();
    device->index = static_cast<int>(k);
    device->where = devices[k];
    cards.PlaceCard(device->index, devices[k].setup);
    device->function = std::make_unique<CardFunction>(cards, device->index);
    std::optional<CardDescriptors> descriptors = device->function->Describe(error);
    if (!descriptors) return nullptr;
    described.push_back(std::move(*descriptors));
    const std::string bus = std::to_string(devices[k].bus);
    device->devnode = "/dev/bus/usb/" + Padded(devices[k].bus);
    device->devnode.append("/").append(Padded(devices[k].address));
    device->syspath = "/sys/devices/pci0000:00/0000:00:14.0/usb" + bus;
    device->syspath.append("/").append(bus).append("-").append(std::to_string(k + 1));
    usb->devices.push_back(std::move(device));
  }

  usb->testbed = umockdev_testbed_new();  // sets $UMOCKDEV_DIR for this process and its children
  if (!umockdev_in_mock_environment()) {
    error = QStringLiteral("umockdev's preload library is loaded but not active");
    return nullptr;
  }
  gchar* root = umockdev_testbed_get_root_dir(usb->testbed);
  usb->root = root;
  g_free(root);
  for (size_t k = 0; k < usb->devices.size(); ++k) {
    DeviceState& device = *usb->devices[k];
    device.record = DeviceRecord(device, described[k]);
    device.handler = umockdev_ioctl_base_new();
    g_signal_connect(device.handler, "handle-ioctl", G_CALLBACK(HandleIoctl), &device);
    g_signal_connect(device.handler, "client-connected", G_CALLBACK(ClientConnected), &device);
    g_signal_connect(device.handler, "client-vanished", G_CALLBACK(ClientVanished), &device);
    if (!usb->Plug(device, error)) return nullptr;
  }
  return std::unique_ptr<UsbCardEmulator>(new UsbCardEmulator(std::move(usb)));
}

void UsbCardEmulator::WithCards(const std::function<void(sim::SimUsbDriver&)>& action) {
  auto& usb = *d_;
  std::lock_guard lock(usb.mutex);
  action(*usb.cards);
}

int UsbCardEmulator::DeviceCount() const {
  return static_cast<int>(d_->devices.size());
}

QString UsbCardEmulator::DevNode(int device) const {
  return QString::fromStdString(d_->devices.at(device)->devnode);
}

void UsbCardEmulator::Unplug(int device) {
  auto& usb = *d_;
  std::lock_guard lock(usb.mutex);
  usb.Drop(*usb.devices.at(device));
}

void UsbCardEmulator::Replug(int device) {
  auto& usb = *d_;
  DeviceState& state = *usb.devices.at(device);
  {
    std::lock_guard lock(usb.mutex);
    if (state.on_bus) return;
    // URBs of handles from before the unplug: nobody reaps them any more.
    for (Urb& urb : state.done) urb.Release();
    state.done.clear();
    state.halted.clear();
    usb.UpdateBell(state);
    usb.cards->PlaceCard(state.index, state.where.setup);
  }
  if (state.attached) {
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(usb.testbed, state.devnode.c_str(), &error);
    g_clear_error(&error);
    state.attached = false;
  }
  QString error;
  if (!usb.Plug(state, error)) {
    g_warning("talvix-usb-emulator: cannot plug %s in again: %s", state.devnode.c_str(),
              error.toUtf8().constData());
  }
}

void UsbCardEmulator::UnplugAtNextPacket(int device, PullMoment moment) {
  auto& usb = *d_;
  std::lock_guard lock(usb.mutex);
  usb.devices.at(device)->pull = moment;
}

void UsbCardEmulator::SetAnswering(int device, bool answering) {
  auto& usb = *d_;
  std::lock_guard lock(usb.mutex);
  DeviceState& state = *usb.devices.at(device);
  state.answering = answering;
  usb.ServeWaiting(state);
  usb.UpdateBell(state);
}

void UsbCardEmulator::PlanFault(const FaultPlan& plan, std::function<void(const QString&)> fired) {
  auto& usb = *d_;
  std::lock_guard lock(usb.mutex);
  usb.fault = plan.kind;
  usb.fault_at = usb.bulk_transfers + plan.after_transfers + 1;
  usb.fault_fired = std::move(fired);
}

UsbCardEmulator::DeviceStats UsbCardEmulator::Stats(int device) const {
  auto& usb = *d_;
  std::lock_guard lock(usb.mutex);
  return usb.devices.at(device)->stats;
}

}  // namespace talvix::usb_emulator
