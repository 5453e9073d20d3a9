#include "platform/libusb_driver.h"

#include "platform/usb_ids.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <libusb.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <utility>

namespace talvix::platform {

namespace {

// Debug level shows every request; warnings (failed opens and requests) show by default.
Q_LOGGING_CATEGORY(lcUsb, "talvix.link.usb", QtInfoMsg)

constexpr int kPipeEntryOffset = 16;
constexpr int kPipeEntrySize = 20;
constexpr int kMaxPipes = (kPipeInfoBlockSize - kPipeEntryOffset) / kPipeEntrySize;  // 17
constexpr uint32_t kDefaultMaxTransfer = 4096;  // bytes; what the block reports for each pipe
constexpr uint16_t kEnglishUs = 0x0409;
constexpr int kLoggedBytes = 64;  // longer blocks are shortened in the log

constexpr char kUdevRemedy[] =
    "Install the udev rules 60-talvix-usb-spi.rules and 70-talvix-usb-spi-access.rules into "
    "/etc/udev/rules.d, run 'sudo udevadm control --reload' and 'sudo udevadm trigger', then "
    "unplug and replug the card.";

void PutLe16(std::span<uint8_t> block, size_t at, uint16_t value) {
  block[at] = static_cast<uint8_t>(value);
  block[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::span<uint8_t> block, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::optional<uint32_t> PipeNumber(std::span<const uint8_t> in) {
  if (in.size() < 4) return std::nullopt;
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
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
      const QString text =
          QStringLiteral(
              "USB request %1 to %2 failed: %3. Check the card's cable, unplug and "
              "replug it, then search again.")
              .arg(RequestName(code), name_, LibUsbErrorText(rc));
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
        return Counted(libusb_get_descriptor(handle_.get(), LIBUSB_DT_DEVICE, 0, out.data(),
                                             ControlLength(out.size())),
                       returned);
      case kIoctlGetStringDescriptor: {
        if (in.empty()) return LIBUSB_ERROR_INVALID_PARAM;
        const uint8_t index = in[0];
        const uint16_t language = index == 0 ? 0 : LanguageId();
        return Counted(libusb_get_string_descriptor(handle_.get(), index, language, out.data(),
                                                    ControlLength(out.size())),
                       returned);
      }
      case kIoctlBulkRead:
      case kIoctlBulkWrite:
        return Bulk(code == kIoctlBulkRead, in, out, returned);
      default:
        return LIBUSB_ERROR_NOT_SUPPORTED;
    }
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
    const int rc = interrupt
                       ? libusb_interrupt_transfer(handle_.get(), endpoint.address, out.data(),
                                                   BulkLength(out.size()), &done, kBulkTimeoutMs)
                       : libusb_bulk_transfer(handle_.get(), endpoint.address, out.data(),
                                              BulkLength(out.size()), &done, kBulkTimeoutMs);
    returned = static_cast<uint32_t>(std::max(done, 0));
    return rc;
  }

  // The card's first language, asked once per open; US English if the card names none.
  uint16_t LanguageId() {
    if (!language_) {
      uint8_t languages[4] = {};
      const int n = libusb_get_string_descriptor(handle_.get(), 0, 0, languages, sizeof languages);
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

std::optional<int> EzusbIndex(const QString& dev_name) {
  static const QRegularExpression kName(QStringLiteral("^Ezusb-([0-3])$"));
  const QRegularExpressionMatch match = kName.match(dev_name);
  if (!match.hasMatch()) return std::nullopt;
  return match.captured(1).toInt();
}

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

void BuildPipeInfoBlock(const UsbInterface& interface,
                        std::span<uint8_t, kPipeInfoBlockSize> block) {
  std::fill(block.begin(), block.end(), uint8_t{0});
  const int pipes = std::min<int>(static_cast<int>(interface.pipes.size()), kMaxPipes);
  PutLe16(block, 0, kPipeInfoBlockSize);
  block[2] = interface.number;
  block[3] = interface.alternate;
  block[4] = interface.class_code;
  block[5] = interface.subclass;
  block[6] = interface.protocol;
  PutLe32(block, 8, 1);  // interface handle: any value other than 0
  PutLe32(block, 12, static_cast<uint32_t>(pipes));
  for (int p = 0; p < pipes; ++p) {
    const UsbPipe& pipe = interface.pipes[p];
    const size_t at = kPipeEntryOffset + kPipeEntrySize * p;
    PutLe16(block, at, pipe.max_packet);
    block[at + 2] = pipe.address;
    block[at + 3] = pipe.interval;
    PutLe32(block, at + 4, pipe.attributes & 0x03u);
    PutLe32(block, at + 8, static_cast<uint32_t>(p + 1));  // pipe handle
    PutLe32(block, at + 12, kDefaultMaxTransfer);
    PutLe32(block, at + 16, 0);
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

void LibUsbDriver::ContextDeleter::operator()(libusb_context* context) const {
  libusb_exit(context);
}

LibUsbDriver::LibUsbDriver() {
  Start();
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
  if (!index) {
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
  const std::vector<size_t> order = OrderCards(locations, kCardVendorId);
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
