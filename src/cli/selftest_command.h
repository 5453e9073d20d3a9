// SPDX-License-Identifier: MIT
// talvix-cli selftest [--jsonl]: opens the interface and checks it and the sensor step by step
// (startup/self_test.h), one line per step, then a summary. Exit status 0 only when every step
// passed.
#pragma once

#include "startup/self_test.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <vector>

namespace talvix {
class Session;
namespace platform {
class LibUsbDriver;
}  // namespace platform
}  // namespace talvix

namespace talvix::cli {

// The "interface" step: `description` names the interface ("parallel port at 378"); when it did
// not open, `why` says why and what to fix.
startup::SelfTestStep InterfaceStep(const QString& description, bool opened, const QString& why);

// Why the interface did not open, from the failure the connection gave (`error`) and the messages
// it showed (`messages`): the reason and the fix, in one line.
QString OpenFailureText(const QString& error, const QStringList& messages);

// Runs the steps after "interface" on `session`; when its interface is not `open`, lists them as
// skipped.
std::vector<startup::SelfTestStep> RunSelfTestSteps(Session& session, bool open,
                                                    const platform::LibUsbDriver* libusb);

// Prints the steps (aligned text, or one JSON object per line with `jsonl`) and the summary;
// returns the exit status.
int PrintSelfTest(const std::vector<startup::SelfTestStep>& steps, bool jsonl, QTextStream& out);

QString SelfTestHelpText();

}  // namespace talvix::cli
