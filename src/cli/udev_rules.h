// SPDX-License-Identifier: MIT
// `talvix-cli udev-rules`: the udev rule that marks this installation's USB SPI cards, made from
// the packaged template and the configured card ids, with the commands that install it.
#pragma once

#include "platform/usb_card_ids.h"

#include <QString>

namespace talvix::cli {

// The rule file for `ids`: the template with one line per card type in use. `source` says
// where the ids came from; it goes into the file's first comment.
QString UdevRulesText(const platform::UsbCardIds& ids, const QString& source);

QString UdevRulesHelpText();

}  // namespace talvix::cli
