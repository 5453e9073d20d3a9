// SPDX-License-Identifier: MIT
// What a user is told when the interface cannot be brought up or an operation does not reach the
// sensor: the cause and what to check. talvix-cli prints these texts; the Python module raises
// them as LinkError.
#pragma once

#include "link/ezusb.h"
#include "link/register_access.h"

#include <QString>

namespace talvix {
class Session;
namespace platform {
class LibUsbDriver;
}  // namespace platform
}  // namespace talvix

namespace talvix::startup {

// The name of USB SPI card number `device`, as "Ezusb-0".
QString CardName(int device);

// Why an operation that ended with `status` did not reach the sensor, and what to check.
// `libusb` is the USB driver under the session, or nullptr (simulated card, parallel port); its
// account of a failed transfer becomes the cause.
QString LinkFailure(link::LinkStatus status, const Session& session,
                    const platform::LibUsbDriver* libusb);
// Why the last register operation brought no value: it did not reach the sensor (LinkFailure), or
// the sensor answered all ones.
QString NoValueCause(const Session& session, const platform::LibUsbDriver* libusb);

// Makes the USB SPI card at "Ezusb-<device>" the interface of `session` and sets it up. When it
// cannot, `error` says why and what to do (see UsbOpenFailure).
bool ConnectUsbCard(Session& session, int device, platform::LibUsbDriver* libusb, QString& error);

// Why the card at "Ezusb-<device>" could not be brought up, from what the card scan left in
// `ezusb` and the USB driver's last failure (empty when it reported none): a card that was found
// but did not answer, a card that could not be opened (the driver says why, for example a
// permission the udev rules grant), no card at all (cable, udev rules), or cards at other
// indexes only (they are listed).
QString UsbOpenFailure(int device, const link::EzUsb& ezusb, const QString& driver_error);

}  // namespace talvix::startup
