// SPDX-License-Identifier: MIT
// The built programs run as a user or the system runs them: started in a folder of their own,
// ended by a signal once they catch it, timed from the signal to their end.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>

#include <csignal>
#include <functional>

namespace talvix::test {

// True once the process catches SIGTERM (its handler is installed), by /proc/<pid>/status.
inline bool CatchesSigterm(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith("SigCgt:")) continue;
    bool ok = false;
    const qulonglong caught = line.mid(7).trimmed().toULongLong(&ok, 16);
    return ok && (caught & (1ull << (SIGTERM - 1))) != 0;
  }
  return false;
}

struct ProgramRun {
  int exit_code = -1;
  bool crashed = true;
  QString standard_error;
  qint64 ms_after_signal = -1;  // from the signal to the program's end
};

// A program started on the offscreen platform in `folder`; `in_child` runs in the child before
// the program (for limits).
class Program {
 public:
  Program(const QString& path, const QString& folder, const QStringList& arguments,
          const std::function<void()>& in_child = nullptr) {
    process_.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(environment);
    if (in_child) process_.setChildProcessModifier(in_child);
    process_.start(path, arguments);
    process_.waitForStarted(-1);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(-1);
    }
  }

  bool Running() const { return process_.state() == QProcess::Running; }
  // Waits until the program catches SIGTERM (or has ended).
  void WaitUntilItCatchesSignals() {
    while (Running() && !CatchesSigterm(process_.processId())) QThread::msleep(5);
  }
  // Sends `signal_number` and waits for the end.
  ProgramRun Signal(int signal_number) {
    QElapsedTimer timer;
    timer.start();
    ::kill(static_cast<pid_t>(process_.processId()), signal_number);
    return Finish(&timer);
  }
  // Waits for the end (it ends by itself).
  ProgramRun Finish(const QElapsedTimer* since_signal = nullptr) {
    process_.waitForFinished(-1);
    ProgramRun run;
    run.ms_after_signal = since_signal != nullptr ? since_signal->elapsed() : -1;
    run.crashed = process_.exitStatus() != QProcess::NormalExit;
    run.exit_code = process_.exitCode();
    run.standard_error = QString::fromLocal8Bit(process_.readAllStandardError());
    return run;
  }

 private:
  QProcess process_;
};

}  // namespace talvix::test
