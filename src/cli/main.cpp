// SPDX-License-Identifier: MIT
#include "cli/cli_app.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <unistd.h>
#include <cstdio>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The tool prints the USB driver's failures itself, as the cause of the exit status; its
  // warnings would say the same twice. QT_LOGGING_RULES still turns them (and the debug lines) on.
  QLoggingCategory::setFilterRules(QStringLiteral("talvix.link.usb.warning=false"));
  QTextStream out(stdout);
  QTextStream err(stderr);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  return talvix::cli::RunCli(args, out, err, ::isatty(STDERR_FILENO) == 1);
}
