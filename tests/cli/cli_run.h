// SPDX-License-Identifier: MIT
// One talvix-cli command line run in-process, for the command-line tests: its exit status and
// what it wrote to standard output and standard error.
#pragma once

#include "cli/cli_app.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace talvix::cli {

struct CliRun {
  int status = -1;
  QString out;
  QString err;
};

// `err_is_terminal` makes the run write as it would to a terminal (progress lines).
inline CliRun RunTool(const QStringList& args, bool err_is_terminal = false) {
  CliRun run;
  QTextStream out(&run.out);
  QTextStream err(&run.err);
  run.status = RunCli(args, out, err, err_is_terminal);
  out.flush();
  err.flush();
  return run;
}

}  // namespace talvix::cli
