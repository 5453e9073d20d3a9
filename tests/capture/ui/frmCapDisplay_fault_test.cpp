// SPDX-License-Identifier: MIT
// The capture read-out (Capt_0 / Capt_1, and Write File in a display window) on the simulated
// sensor when the link fails: one message, the trace and the files from before left as they were,
// and the next read-out after the user's remedy works.
#include "capture/capture_readout.h"
#include "capture/ui/frmCapDisplay.h"

#include "support/file_faults.h"
#include "support/link_faults.h"
#include "support/ui/window_probe.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::capture {
namespace {

using test::LinkFault;

constexpr double kMarker = 12345.0;  // no 14-bit sample converts to this

class CaptureReadOutFaultTest : public ::testing::TestWithParam<LinkFault> {
 protected:
  CaptureReadOutFaultTest() : sim(1, test::WiringFor(GetParam())) {
    sim.session->data_folder = dir.path();
    sim.session->capture.MarkTriggered(CaptureSnapshots{0x0213, 0});  // 8 samples of X and Y
  }
  // Messages the user sees for a read-out: the link's and the read-out's own.
  qsizetype Messages(const CaptureOutcome& outcome) const {
    return sim.notifier.texts.size() + (outcome.message.isEmpty() ? 0 : 1);
  }
  QString PathOf(const char* name) const { return QDir(dir.path()).filePath(name); }

  QTemporaryDir dir;
  test::SimSession sim;
};

TEST_P(CaptureReadOutFaultTest, CaptKeepsTheShownTraceAndSaysSoOnce) {
  ASSERT_TRUE(ReadOutForDisplay(*sim.session, 0).ok);
  registers::CaptTrace& trace = sim.session->capture.CaptTrace[0];
  trace.Values[1] = kMarker;  // what the display shows now

  test::Inject(sim, GetParam());
  const CaptureOutcome failed = ReadOutForDisplay(*sim.session, 0);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(Messages(failed), 1) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(trace.Values[1], kMarker);

  ASSERT_TRUE(test::Recover(sim, GetParam()));
  sim.notifier.texts.clear();
  const CaptureOutcome again = ReadOutForDisplay(*sim.session, 0);
  EXPECT_TRUE(again.ok) << again.message.toStdString();
  EXPECT_NE(trace.Values[1], kMarker);
}

TEST_P(CaptureReadOutFaultTest, WriteFileKeepsTheEarlierFilesAndSaysSoOnce) {
  const QByteArray earlier = "1,7\r\n";  // files of an earlier capture
  for (const char* name : {"CapDat_0.csv", "CapDat_1.csv"}) {
    QFile file(PathOf(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
  }
  frmCapDisplay window(*sim.session, 0);
  auto* write = test::Control<QPushButton>(&window, QStringLiteral("cmdWriteFile"));

  test::Inject(sim, GetParam());
  write->click();
  EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(test::Contents(PathOf("CapDat_0.csv")), earlier);
  EXPECT_EQ(test::Contents(PathOf("CapDat_1.csv")), earlier);

  ASSERT_TRUE(test::Recover(sim, GetParam()));
  sim.notifier.texts.clear();
  write->click();
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(test::Contents(PathOf("CapDat_0.csv")).count("\r\n"), 8);
}

INSTANTIATE_TEST_SUITE_P(Faults, CaptureReadOutFaultTest, test::kAllLinkFaults,
                         test::LinkFaultName);

}  // namespace
}  // namespace talvix::capture
