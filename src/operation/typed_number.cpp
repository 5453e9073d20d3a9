#include "operation/typed_number.h"

#include "common/number_text.h"

namespace talvix::operation {

bool IsLocaleNumeric(QStringView text, const QLocale& locale) {
  const QString separator = locale.decimalPoint();
  if (separator == QLatin1String(".")) return common::IsNumeric(text);
  QString pointed = text.toString();
  pointed.replace(separator, QStringLiteral("."));
  return common::IsNumeric(pointed);
}

}  // namespace talvix::operation
