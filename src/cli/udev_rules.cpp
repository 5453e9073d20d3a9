// SPDX-License-Identifier: MIT
#include "cli/udev_rules.h"

#include "cli/udev_rules_template.h"

#include <QStringList>

namespace talvix::cli {

namespace {

// udev compares the sysfs attributes as text: lsusb's lower-case four digits.
QString SysfsId(uint16_t id) {
  return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

QString CardLine(uint16_t vendor_id, uint16_t product_id, const char* card_type) {
  return QStringLiteral(
             "# %1\nATTR{idVendor}==\"%2\", ATTR{idProduct}==\"%3\", "
             "ENV{ID_TALVIX_USB_SPI}=\"1\"")
      .arg(QLatin1String(card_type), SysfsId(vendor_id), SysfsId(product_id));
}

}  // namespace

QString UdevRulesText(const platform::UsbCardIds& ids, const QString& source) {
  QStringList lines;
  if (ids.pellow_product_id) lines << CardLine(ids.vendor_id, *ids.pellow_product_id, "Pellow");
  if (ids.quarn_product_id) lines << CardLine(ids.vendor_id, *ids.quarn_product_id, "Quarn");
  QString text = QString::fromUtf8(kUdevRulesTemplate);
  text.replace(QStringLiteral("@CARD_LINES@"), lines.join(QLatin1Char('\n')));
  return QStringLiteral("# Made by talvix-cli udev-rules from the card ids of %1.\n").arg(source) +
         text;
}

QString UdevRulesHelpText() {
  return QStringLiteral(
      "usage: talvix-cli [--usb-ids VVVV:PPPP,QQQQ] udev-rules\n"
      "Prints the udev rule that marks this installation's USB SPI cards, so that\n"
      "the user at the machine (and the group plugdev) may open them. The card ids\n"
      "come from --usb-ids, else the environment variable TALVIX_USB_IDS (same form),\n"
      "else ~/.config/talvix/usb-cards.conf, else /etc/talvix/usb-cards.conf, whose\n"
      "lines read \"vendor = vvvv\", \"pellow = pppp\", \"quarn = qqqq\" (hexadecimal;\n"
      "lsusb shows a plugged-in card as \"ID vvvv:pppp\"). Install the rule with\n"
      "  talvix-cli udev-rules | sudo tee /etc/udev/rules.d/60-talvix-usb-spi.rules\n"
      "  sudo udevadm control --reload && sudo udevadm trigger\n"
      "then unplug and replug the card.\n"
      "exit status: 0 printed; 1 no card ids are set, or they were refused (why goes\n"
      "to standard error)\n");
}

}  // namespace talvix::cli
