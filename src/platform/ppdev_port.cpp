#include "platform/ppdev_port.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace talvix::platform {

namespace {

QString HexAddress(uint16_t address) {
  return QString::number(address, 16).toUpper();
}

QString ErrnoText(int error_number) {
  return QString::fromLocal8Bit(std::strerror(error_number));
}

}  // namespace

std::optional<int> FindParportNumber(uint16_t base_address, QString& error,
                                     const QString& proc_root) {
  QDir root(proc_root);
  const QStringList ports =
      root.entryList({QStringLiteral("parport*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  if (ports.isEmpty()) {
    error = QStringLiteral(
        "The kernel lists no parallel port. Load its driver with \"sudo modprobe parport_pc\" "
        "and check that the port is enabled in the BIOS.");
    return std::nullopt;
  }
  QStringList found;
  for (const QString& name : ports) {
    QFile file(root.filePath(name + QStringLiteral("/base-addr")));
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QString first = QString::fromLatin1(file.readAll()).simplified().section(u' ', 0, 0);
    bool ok = false;
    const uint value = first.toUInt(&ok);
    if (!ok) continue;
    bool number_ok = false;
    const int number = name.mid(7).toInt(&number_ok);
    if (!number_ok) continue;
    if (value == base_address) return number;
    found << QStringLiteral("%1 at /dev/%2").arg(HexAddress(static_cast<uint16_t>(value)), name);
  }
  error = QStringLiteral("There is no parallel port at address %1 (ports found: %2).")
              .arg(HexAddress(base_address),
                   found.isEmpty() ? QStringLiteral("none") : found.join(QStringLiteral(", ")));
  return std::nullopt;
}

std::unique_ptr<PpdevPort> PpdevPort::Open(uint16_t base_address, QString& error) {
  const std::optional<int> number = FindParportNumber(base_address, error);
  if (!number) return nullptr;
  const QByteArray path = QStringLiteral("/dev/parport%1").arg(*number).toLocal8Bit();
  const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int e = errno;
    if (e == EACCES || e == EPERM) {
      error = QStringLiteral(
                  "Permission denied opening %1. Add your user to group lp "
                  "(\"sudo usermod -aG lp $USER\") and log in again.")
                  .arg(QString::fromLocal8Bit(path));
    } else if (e == ENOENT || e == ENODEV || e == ENXIO) {
      error = QStringLiteral(
                  "%1 does not exist: the ppdev module is not loaded. Load it with "
                  "\"sudo modprobe ppdev\".")
                  .arg(QString::fromLocal8Bit(path));
    } else {
      error = QStringLiteral("Cannot open %1: %2").arg(QString::fromLocal8Bit(path), ErrnoText(e));
    }
    return nullptr;
  }
  if (::ioctl(fd, PPCLAIM) != 0) {
    const int e = errno;
    ::close(fd);
    error = QStringLiteral(
                "Cannot claim %1: %2. Another driver (such as the printer driver lp) may be "
                "using the port; unload it with \"sudo modprobe -r lp\".")
                .arg(QString::fromLocal8Bit(path), ErrnoText(e));
    return nullptr;
  }
  return std::unique_ptr<PpdevPort>(new PpdevPort(fd, base_address));
}

PpdevPort::~PpdevPort() {
  ::ioctl(fd_, PPRELEASE);
  ::close(fd_);
}

bool PpdevPort::Out(uint16_t port, uint8_t value) {
  unsigned char byte = value;
  if (port == base_) return ::ioctl(fd_, PPWDATA, &byte) == 0;
  if (port == Register(2)) return ::ioctl(fd_, PPWCONTROL, &byte) == 0;
  return true;
}

bool PpdevPort::In(uint16_t port, uint8_t& value) {
  unsigned char byte = 0xFF;
  int result = 0;
  if (port == Register(1)) {
    result = ::ioctl(fd_, PPRSTATUS, &byte);
  } else if (port == base_) {
    result = ::ioctl(fd_, PPRDATA, &byte);
  } else if (port == Register(2)) {
    result = ::ioctl(fd_, PPRCONTROL, &byte);
  }
  value = byte;
  return result == 0;
}

}  // namespace talvix::platform
