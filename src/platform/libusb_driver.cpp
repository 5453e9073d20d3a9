// SPDX-License-Identifier: MIT
#include "platform/libusb_driver.h"

#include <QLoggingCategory>

#include <libusb.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>

namespace talvix::platform {

namespace {

// Debug level shows every request; warnings (failed opens and requests) show by default.
Q_LOGGING_CATEGORY(lcUsb, "talvix.link.usb", QtInfoMsg)

constexpr uint16_t kEnglishUs = 0x0409;

constexpr char kUdevRemedy[] =
    "Install the udev rules 60-talvix-usb-spi.rules and 70-talvix-usb-spi-access.rules into "
    "/etc/udev/rules.d, run 'sudo udevadm control --reload' and 'sudo udevadm trigger', then "
    "unplug and replug the card. They give access to the user at the computer's own screen and "
    "keyboard, and to the members of the group plugdev from anywhere (for example over ssh): "
    "add yourself with 'sudo usermod -aG plugdev $USER' and log in again.";

QString LibUsbErrorText(int rc) {
  return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(libusb_strerror(rc)),
                                       QString::fromUtf8(libusb_error_name(rc)));
}

QString OpenErrorText(int rc, const QString& dev_name, const UsbDeviceLocation& where) {
  const QString card = QStringLiteral("the USB SPI card %1 (bus %2, address %3)")
                           .arg(dev_name)
                           .arg(where.bus)
                           .arg(where.address);
  switch (rc) {
    case LIBUSB_ERROR_ACCESS:
      return QStringLiteral("Cannot open %1: permission denied. ").arg(card) +
             QString::fromLatin1(kUdevRemedy);
    case LIBUSB_ERROR_BUSY:
      return QStringLiteral(
                 "Cannot claim %1: another program or driver is using it. Close the "
                 "other program and search again.")
          .arg(card);
    case LIBUSB_ERROR_NO_DEVICE:
      return QStringLiteral("Cannot open %1: it was unplugged. Plug it in and search again.")
          .arg(card);
    default:
      return QStringLiteral("Cannot open %1: %2. Unplug and replug the card, then search again.")
          .arg(card, LibUsbErrorText(rc));
  }
}

// What a failed request means for the card, and what to do about it.
QString RequestErrorText(uint32_t code, const QString& dev_name, int rc) {
  const QString request = QStringLiteral("USB request %1 to %2").arg(RequestName(code), dev_name);
  const QString name = QString::fromUtf8(libusb_error_name(rc));
  switch (rc) {
    case LIBUSB_ERROR_TIMEOUT:
      return QStringLiteral(
                 "%1 got no answer within %2 ms (%3): the card has stopped answering. Unplug "
                 "and replug it to reset it, then try again.")
          .arg(request)
          .arg(kTransferTimeoutMs)
          .arg(name);
    case LIBUSB_ERROR_PIPE:
      return QStringLiteral(
                 "%1 was refused: the card stalled the endpoint (%2). Try again; if it happens "
                 "again, unplug and replug the card and check that its firmware is the one for "
                 "this program.")
          .arg(request, name);
    case LIBUSB_ERROR_NO_DEVICE:
      return QStringLiteral(
                 "%1 failed: the card is gone, unplugged or without power (%2). Plug it in "
                 "again, then try again.")
          .arg(request, name);
    default:
      return QStringLiteral(
                 "%1 failed: %2. Check the card's cable, unplug and replug it, then try again.")
          .arg(request, LibUsbErrorText(rc));
  }
}

int ControlLength(size_t size) {
  return static_cast<int>(std::min<size_t>(size, 0xFFFF));
}
int BulkLength(size_t size) {
  return static_cast<int>(std::min<size_t>(size, INT_MAX));
}

struct HandleCloser {
  void operator()(libusb_device_handle* handle) const { libusb_close(handle); }
};
using HandlePtr = std::unique_ptr<libusb_device_handle, HandleCloser>;

struct DeviceListFree {
  void operator()(libusb_device** list) const { libusb_free_device_list(list, 1); }
};

struct ConfigFree {
  void operator()(libusb_config_descriptor* config) const { libusb_free_config_descriptor(config); }
};

// Interface 0 of the active configuration, or the libusb error code.
int ReadInterface(libusb_device* device, UsbInterface& result) {
  libusb_config_descriptor* raw_config = nullptr;
  const int rc = libusb_get_active_config_descriptor(device, &raw_config);
  if (rc != LIBUSB_SUCCESS) return rc;
  const std::unique_ptr<libusb_config_descriptor, ConfigFree> config(raw_config);
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    const libusb_interface& interface = config->interface[i];
    if (interface.num_altsetting < 1 || interface.altsetting[0].bInterfaceNumber != 0) continue;
    const libusb_interface_descriptor& alt = interface.altsetting[0];
    result.number = alt.bInterfaceNumber;
    result.alternate = alt.bAlternateSetting;
    result.class_code = alt.bInterfaceClass;
    result.subclass = alt.bInterfaceSubClass;
    result.protocol = alt.bInterfaceProtocol;
    result.pipes.clear();
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& endpoint = alt.endpoint[e];
      result.pipes.push_back({endpoint.bEndpointAddress, endpoint.bmAttributes,
                              endpoint.wMaxPacketSize, endpoint.bInterval});
    }
    return LIBUSB_SUCCESS;
  }
  return LIBUSB_ERROR_NOT_FOUND;
}

// An open card with its interface 0 claimed; released and closed on destruction.
class LibUsbDevice final : public UsbDevice {
 public:
  LibUsbDevice(HandlePtr handle, UsbInterface interface, QString name,
               std::function<void(const QString&)> report_error)
      : handle_(std::move(handle)),
        interface_(std::move(interface)),
        name_(std::move(name)),
        report_error_(std::move(report_error)) {}

  ~LibUsbDevice() override { libusb_release_interface(handle_.get(), interface_.number); }

  bool IoControl(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
                 uint32_t& returned) override {
    returned = 0;
    const int rc = Serve(code, in, out, returned);
    const bool ok = rc == LIBUSB_SUCCESS;
    qCDebug(lcUsb).noquote() << name_ << DescribeUsbRequest(code, in, out, returned, ok);
    if (!ok) {
      const QString text = RequestErrorText(code, name_, rc);
      qCWarning(lcUsb).noquote() << text;
      report_error_(text);
    }
    return ok;
  }

 private:
  int Serve(uint32_t code, std::span<const uint8_t> in, std::span<uint8_t> out,
            uint32_t& returned) {
    switch (code) {
      case kIoctlGetPipeInfo:
        if (out.size() < kPipeInfoBlockSize) return LIBUSB_ERROR_INVALID_PARAM;
        BuildPipeInfoBlock(interface_, out.first<kPipeInfoBlockSize>());
        returned = kPipeInfoBlockSize;
        return LIBUSB_SUCCESS;
      case kIoctlGetDeviceDescriptor:
        return Counted(GetDescriptor(LIBUSB_DT_DEVICE, 0, 0, out), returned);
      case kIoctlGetStringDescriptor: {
        if (in.empty()) return LIBUSB_ERROR_INVALID_PARAM;
        const uint8_t index = in[0];
        const uint16_t language = index == 0 ? 0 : LanguageId();
        return Counted(GetDescriptor(LIBUSB_DT_STRING, index, language, out), returned);
      }
      case kIoctlBulkRead:
      case kIoctlBulkWrite:
        return Bulk(code == kIoctlBulkRead, in, out, returned);
      default:
        return LIBUSB_ERROR_NOT_SUPPORTED;
    }
  }

  // GET_DESCRIPTOR with the transfer timeout (libusb's own helpers have theirs built in).
  int GetDescriptor(uint8_t type, uint8_t index, uint16_t language, std::span<uint8_t> out) {
    return libusb_control_transfer(handle_.get(), LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                   static_cast<uint16_t>(type << 8 | index), language, out.data(),
                                   static_cast<uint16_t>(ControlLength(out.size())),
                                   kTransferTimeoutMs);
  }

  static int Counted(int result, uint32_t& returned) {
    if (result < 0) return result;
    returned = static_cast<uint32_t>(result);
    return LIBUSB_SUCCESS;
  }

  int Bulk(bool read, std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& returned) {
    const std::optional<uint32_t> pipe = PipeNumber(in);
    if (!pipe || *pipe >= interface_.pipes.size()) return LIBUSB_ERROR_INVALID_PARAM;
    const UsbPipe& endpoint = interface_.pipes[*pipe];
    if (((endpoint.address & LIBUSB_ENDPOINT_IN) != 0) != read) return LIBUSB_ERROR_INVALID_PARAM;
    int done = 0;
    const bool interrupt =
        (endpoint.attributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_INTERRUPT;
    const int rc =
        interrupt ? libusb_interrupt_transfer(handle_.get(), endpoint.address, out.data(),
                                              BulkLength(out.size()), &done, kTransferTimeoutMs)
                  : libusb_bulk_transfer(handle_.get(), endpoint.address, out.data(),
                                         BulkLength(out.size()), &done, kTransferTimeoutMs);
    returned = static_cast<uint32_t>(std::max(done, 0));
    if (rc == LIBUSB_ERROR_PIPE) {
      // A halted endpoint stalls every later transfer until the halt is cleared: clear it now,
      // so that the card works again once the user has dealt with the failure.
      const int cleared = libusb_clear_halt(handle_.get(), endpoint.address);
      qCDebug(lcUsb).noquote() << name_ << "clear halt of endpoint"
                               << QString::number(endpoint.address, 16) << "->"
                               << (cleared == LIBUSB_SUCCESS ? "ok" : "FAILED");
    }
    return rc;
  }

  // The card's first language, asked once per open; US English if the card names none.
  uint16_t LanguageId() {
    if (!language_) {
      uint8_t languages[4] = {};
      const int n = GetDescriptor(LIBUSB_DT_STRING, 0, 0, languages);
      language_ = n >= 4 ? static_cast<uint16_t>(languages[2] | languages[3] << 8) : kEnglishUs;
    }
    return *language_;
  }

  HandlePtr handle_;
  UsbInterface interface_;
  QString name_;
  std::function<void(const QString&)> report_error_;
  std::optional<uint16_t> language_;
};

}  // namespace

std::vector<size_t> OrderCards(std::span<const UsbDeviceLocation> devices, uint16_t vendor_id) {
  std::vector<size_t> order;
  for (size_t i = 0; i < devices.size(); ++i) {
    if (devices[i].vendor_id == vendor_id) order.push_back(i);
  }
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::pair(devices[a].bus, devices[a].address) <
           std::pair(devices[b].bus, devices[b].address);
  });
  return order;
}

void LibUsbDriver::ContextDeleter::operator()(libusb_context* context) const {
  libusb_exit(context);
}

LibUsbDriver::LibUsbDriver(std::optional<uint16_t> vendor_id) : vendor_id_(vendor_id) {
  if (vendor_id_) Start();
}

bool LibUsbDriver::Start() {
  libusb_context* context = nullptr;
  const int rc = libusb_init(&context);
  if (rc != LIBUSB_SUCCESS) {
    SetError(QStringLiteral("Cannot start USB access (libusb): %1. Check that /dev/bus/usb "
                            "exists; inside a container, pass the host's USB bus through.")
                 .arg(LibUsbErrorText(rc)));
    return false;
  }
  context_.reset(context);
  return true;
}

LibUsbDriver::~LibUsbDriver() = default;

void LibUsbDriver::SetError(const QString& text) {
  last_error_ = text;
  qCWarning(lcUsb).noquote() << text;
}

std::unique_ptr<UsbDevice> LibUsbDriver::Open(const QString& dev_name) {
  const std::optional<int> index = EzusbIndex(dev_name);
  if (!index || !vendor_id_) {
    qCDebug(lcUsb).noquote() << "Open" << dev_name << "-> no such card";
    return nullptr;
  }
  if (!context_ && !Start()) return nullptr;
  libusb_device** raw_list = nullptr;
  const ssize_t count = libusb_get_device_list(context_.get(), &raw_list);
  if (count < 0) {
    SetError(QStringLiteral("Cannot list the USB devices: %1.")
                 .arg(LibUsbErrorText(static_cast<int>(count))));
    return nullptr;
  }
  const std::unique_ptr<libusb_device*, DeviceListFree> list(raw_list);
  std::vector<UsbDeviceLocation> locations(static_cast<size_t>(count));
  for (size_t i = 0; i < locations.size(); ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list.get()[i], &descriptor) == LIBUSB_SUCCESS) {
      locations[i] = {libusb_get_bus_number(list.get()[i]),
                      libusb_get_device_address(list.get()[i]), descriptor.idVendor};
    }
  }
  const std::vector<size_t> order = OrderCards(locations, *vendor_id_);
  if (static_cast<size_t>(*index) >= order.size()) {
    qCDebug(lcUsb).noquote() << "Open" << dev_name << "-> no such card";
    return nullptr;
  }
  libusb_device* device = list.get()[order[*index]];
  const UsbDeviceLocation& where = locations[order[*index]];

  libusb_device_handle* raw_handle = nullptr;
  int rc = libusb_open(device, &raw_handle);
  if (rc != LIBUSB_SUCCESS) {
    SetError(OpenErrorText(rc, dev_name, where));
    return nullptr;
  }
  HandlePtr handle(raw_handle);
  UsbInterface interface;
  rc = ReadInterface(device, interface);
  if (rc != LIBUSB_SUCCESS) {
    SetError(QStringLiteral("The USB device %1 (bus %2, address %3) has no usable interface 0: "
                            "%4. Is it a USB SPI card with its firmware loaded?")
                 .arg(dev_name)
                 .arg(where.bus)
                 .arg(where.address)
                 .arg(LibUsbErrorText(rc)));
    return nullptr;
  }
  // A kernel driver bound to the card would keep the claim from succeeding; libusb gives the
  // interface back to it when we release it.
  libusb_set_auto_detach_kernel_driver(handle.get(), 1);
  rc = libusb_claim_interface(handle.get(), interface.number);
  if (rc != LIBUSB_SUCCESS) {
    SetError(OpenErrorText(rc, dev_name, where));
    return nullptr;
  }
  qCDebug(lcUsb).noquote() << "Open" << dev_name << "-> bus" << where.bus << "address"
                           << where.address << "," << interface.pipes.size() << "pipes";
  return std::make_unique<LibUsbDevice>(std::move(handle), std::move(interface), dev_name,
                                        [this](const QString& text) { last_error_ = text; });
}

}  // namespace talvix::platform
