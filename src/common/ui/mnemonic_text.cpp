// SPDX-License-Identifier: MIT
#include "common/ui/mnemonic_text.h"

namespace talvix::common {

QString WithoutMnemonic(const QString& caption) {
  QString plain;
  plain.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;  // the marker, or the first of "&&"
    plain += caption[i];
  }
  return plain;
}

QChar MnemonicOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] != u'&') return caption[i + 1].toLower();
    ++i;  // a literal "&"
  }
  return {};
}

}  // namespace talvix::common
