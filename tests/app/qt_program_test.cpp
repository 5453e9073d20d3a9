// SPDX-License-Identifier: MIT
// The program as a user starts it (`talvix --simulate` on the offscreen platform, in a folder of
// its own) and as the system ends it (SIGTERM): the signal's exit path, a full disk, named pipes
// in place of its files, and the configured interface under --simulate. A hang shows as the
// test's time-out in ctest.
#include "support/file_faults.h"
#include "support/program_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <functional>

namespace talvix::app {
namespace {

using test::ProgramRun;

// Starts the program in `folder`, sends it SIGTERM once it catches it, and waits for its end.
ProgramRun StartAndTerminate(const QString& folder, const QStringList& arguments,
                             const std::function<void()>& in_child = nullptr) {
  test::Program program(QStringLiteral(TALVIX_GUI_PATH), folder, arguments, in_child);
  program.WaitUntilItCatchesSignals();
  return program.Signal(SIGTERM);
}

class ProgramTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
  void Put(const char* name, const QByteArray& text) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QTemporaryDir dir;
};

TEST_F(ProgramTest, ASignalOnAFullDiskKeepsTheConfigurationAndExitsWithOne) {
  const QByteArray saved = "Interface = 2\nPort Address = 888\nFactory = 5\n";
  Put("CommPort.cfg", saved);
  const ProgramRun run = StartAndTerminate(dir.path(), {QStringLiteral("--simulate")}, [] {
    // In the child only: no file it writes may grow beyond 16 bytes.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 16;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
  });
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(run.standard_error.contains(Path("CommPort.cfg")) &&
              run.standard_error.contains("File too large"))
      << run.standard_error.toStdString();
  EXPECT_EQ(test::Contents(Path("CommPort.cfg")), saved);
}

TEST_F(ProgramTest, SimulateWithNoInterfaceSavedStartsOnTheCardAndKeepsTheChoice) {
  const QByteArray saved = "Interface = 0\nPort Address = 888\nFactory = 0\n";
  Put("CommPort.cfg", saved);
  const ProgramRun run = StartAndTerminate(
      dir.path(), {QStringLiteral("--simulate"), QStringLiteral("--sim-trace"), Path("trace.txt")});
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exit_code, 0) << run.standard_error.toStdString();
  // The load step's reads went to the simulated sensor: with no interface they send nothing.
  EXPECT_FALSE(test::Contents(Path("trace.txt")).isEmpty());
  EXPECT_EQ(test::Contents(Path("CommPort.cfg")), saved);
}

TEST_F(ProgramTest, NamedPipesInPlaceOfItsFilesDoNotHangTheStart) {
  ASSERT_TRUE(test::MakeFifo(Path("CommPort.cfg")));
  ASSERT_TRUE(test::MakeFifo(Path("TalvixSimFlash.bin")));
  const ProgramRun run = StartAndTerminate(dir.path(), {QStringLiteral("--simulate")});
  EXPECT_FALSE(run.crashed);
  EXPECT_EQ(run.exit_code, 0) << run.standard_error.toStdString();
  EXPECT_TRUE(run.standard_error.contains("TalvixSimFlash.bin"))
      << run.standard_error.toStdString();
  EXPECT_EQ(test::TypeOf(Path("CommPort.cfg")), S_IFIFO);
  EXPECT_EQ(test::TypeOf(Path("TalvixSimFlash.bin")), S_IFIFO);
}

}  // namespace
}  // namespace talvix::app
