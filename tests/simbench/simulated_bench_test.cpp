// SPDX-License-Identifier: MIT
#include "simbench/simulated_bench.h"

#include "registers/register_table.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix {
namespace {

struct Seams {
  platform::ManualClock clock;
  platform::RecordingNotifier notifier;
  platform::CallbackEventPump events;
};

// The program's end may not return (it exits the process at once), so the frame trace file must
// be complete by the time the caller's end runs.
TEST(SimulatedBenchTest, TheTraceFileIsCompleteWhenTheCallersEndOfProgramRuns) {
  QTemporaryDir dir;
  const QString path = dir.filePath("trace.txt");
  Seams seams;
  QByteArray seen_at_end;
  int status_at_end = -1;
  simbench::SimulatedBench bench(seams.clock, {.end_program = [&](int status) {
                                   QFile file(path);
                                   if (file.open(QIODevice::ReadOnly)) seen_at_end = file.readAll();
                                   status_at_end = status;
                                 }});
  QString error;
  ASSERT_TRUE(bench.sensor.trace().WriteTo(path, error)) << error.toStdString();
  std::unique_ptr<Session> session = bench.MakeSession(
      seams.notifier, seams.events, std::make_unique<link::RecordingDelay>(seams.clock));
  session->link.InterfaceType = link::kInterfaceParallel;
  session->link.PortAddress = 0x378;
  ASSERT_TRUE(session->OpenParallelPort(error)) << error.toStdString();
  session->link.ReadReg(registers::kSupply);

  session->EndProgram(1);

  EXPECT_EQ(status_at_end, 1);
  EXPECT_EQ(seen_at_end.count('\n'), 2);  // the read frame and the frame that brings the answer
}

TEST(SimulatedBenchTest, TheCardIsThereOnlyWhenAsked) {
  for (bool card_present : {true, false}) {
    Seams seams;
    simbench::SimulatedBench bench(seams.clock, {.card_present = card_present});
    std::unique_ptr<Session> session = bench.MakeSession(
        seams.notifier, seams.events, std::make_unique<link::RecordingDelay>(seams.clock));
    session->ezusb.UsbSelectFirstCard();
    EXPECT_EQ(session->usb.CardReady(), card_present);
    EXPECT_EQ(
        seams.notifier.texts.contains("No USB Buffers Found, Please Verify Setup and Restart"),
        !card_present);
  }
}

}  // namespace
}  // namespace talvix
