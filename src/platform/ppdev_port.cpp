// SPDX-License-Identifier: MIT
#include "platform/ppdev_port.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <tuple>

namespace talvix::platform {

namespace {

Q_LOGGING_CATEGORY(lcLpt, "talvix.link.lpt", QtInfoMsg)

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
  error = QStringLiteral("There is no parallel port at address %1 (ports found: %2).%3")
              .arg(HexAddress(base_address),
                   found.isEmpty() ? QStringLiteral("none") : found.join(QStringLiteral(", ")),
                   found.isEmpty() ? QString()
                                   : QStringLiteral(" Set the port address to one of theirs."));
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
  qCDebug(lcLpt).noquote() << "PPCLAIM" << QString::fromLocal8Bit(path) << "at"
                           << HexAddress(base_address);
  std::unique_ptr<PpdevPort> port(new PpdevPort(fd, base_address));
  port->NoteFoundRegisters();
  return port;
}

PpdevPort::~PpdevPort() {
  RestoreFoundRegisters();
  ::ioctl(fd_, PPRELEASE);
  qCDebug(lcLpt) << "PPRELEASE";
  ::close(fd_);
}

bool PpdevPort::Transfer(unsigned long request, const char* name, uint8_t& byte) const {
  unsigned char io = byte;
  const bool ok = ::ioctl(fd_, request, &io) == 0;
  const int error_number = errno;
  byte = io;
  qCDebug(lcLpt).noquote() << name
                           << QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper()
                           << (ok ? QString()
                                  : QStringLiteral("FAILED: ") + ErrnoText(error_number));
  return ok;
}

void PpdevPort::NoteFoundRegisters() {
  for (auto [request, name, found] :
       {std::tuple{PPRDATA, "PPRDATA", &data_}, std::tuple{PPRCONTROL, "PPRCONTROL", &control_}}) {
    uint8_t byte = 0;
    if (Transfer(request, name, byte)) found->value = byte;
  }
}

void PpdevPort::RestoreFoundRegisters() {
  // Data first: a printer latches the data lines on a strobe of the control register.
  for (auto [request, name, found] :
       {std::tuple{PPWDATA, "PPWDATA", &data_}, std::tuple{PPWCONTROL, "PPWCONTROL", &control_}}) {
    if (!found->changed || !found->value) continue;
    uint8_t byte = *found->value;
    // Nothing to tell anyone if this fails: the port is being let go either way.
    static_cast<void>(Transfer(request, name, byte));
  }
}

bool PpdevPort::Out(uint16_t port, uint8_t value) {
  if (port == base_) {
    data_.changed = true;
    return Transfer(PPWDATA, "PPWDATA", value);
  }
  if (port == Register(2)) {
    control_.changed = true;
    return Transfer(PPWCONTROL, "PPWCONTROL", value);
  }
  return true;
}

bool PpdevPort::In(uint16_t port, uint8_t& value) {
  value = 0xFF;
  if (port == Register(1)) return Transfer(PPRSTATUS, "PPRSTATUS", value);
  if (port == base_) return Transfer(PPRDATA, "PPRDATA", value);
  if (port == Register(2)) return Transfer(PPRCONTROL, "PPRCONTROL", value);
  return true;
}

}  // namespace talvix::platform
