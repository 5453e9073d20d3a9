// SPDX-License-Identifier: MIT
// A datalog run on the simulated sensor when the link fails part-way: the run ends with one
// message, the file holds the rows read and no row for the sample that failed, and a run started
// after the user's remedy logs again.
#include "datalog/ui/frmDatalog.h"

#include "common/ui/mnemonic_text.h"
#include "support/file_faults.h"
#include "support/link_faults.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::datalog {
namespace {

using test::LinkFault;

class DatalogFaultTest : public ::testing::TestWithParam<LinkFault> {
 protected:
  DatalogFaultTest() : sim(1, test::WiringFor(GetParam())) {
    sim.session->data_folder = folder.path();
    window = std::make_unique<frmDatalog>(*sim.session);
    test::Control<QCheckBox>(&*window, QStringLiteral("CheckReg0"))->setChecked(true);
  }
  // One file of `samples` samples, no delay.
  void Run(int samples) {
    test::Control<QLineEdit>(&*window, QStringLiteral("txtFilesPerSession"))->setText("1");
    test::Control<QLineEdit>(&*window, QStringLiteral("txtSamplesPerFile"))
        ->setText(QString::number(samples));
    test::Control<QLineEdit>(&*window, QStringLiteral("txtSampleDelay"))->setText("0");
    test::Control<QAbstractButton>(&*window, QStringLiteral("cmdStartDatalog"))->click();
  }
  // The data rows of the log: lines that start with a sample number.
  QStringList Rows() const {
    const QString text = QString::fromLocal8Bit(test::Contents(folder.filePath("DATALOG_1.csv")));
    QStringList rows;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
      if (!line.isEmpty() && line.at(0).isDigit()) rows << line;
    }
    return rows;
  }

  QTemporaryDir folder;
  test::SimSession sim;
  std::unique_ptr<frmDatalog> window;
};

TEST_P(DatalogFaultTest, RunEndsWithOneMessageAndOnlyTheRowsRead) {
  // Yields: one before the file, one after each sample: the fault strikes after sample 2.
  sim.events.on_events = [this] {
    if (sim.events.calls == 3) test::Inject(sim, GetParam());
  };
  Run(5);
  EXPECT_EQ(sim.notifier.texts.size(), 1) << sim.notifier.texts.join(u'|').toStdString();
  const QStringList rows = Rows();
  ASSERT_EQ(rows.size(), 2) << rows.join(u'|').toStdString();
  EXPECT_TRUE(rows[0].startsWith("1,"));
  EXPECT_TRUE(rows[1].startsWith("2,"));
  EXPECT_FALSE(window->RunActive());
  EXPECT_EQ(
      common::WithoutMnemonic(
          test::Control<QAbstractButton>(&*window, QStringLiteral("cmdStartDatalog"))->text()),
      "Start Datalog");

  sim.events.on_events = nullptr;
  ASSERT_TRUE(test::Recover(sim, GetParam()));
  sim.notifier.texts.clear();
  Run(3);
  EXPECT_TRUE(sim.notifier.texts.isEmpty()) << sim.notifier.texts.join(u'|').toStdString();
  EXPECT_EQ(Rows().size(), 5);
}

INSTANTIATE_TEST_SUITE_P(Faults, DatalogFaultTest, test::kAllLinkFaults, test::LinkFaultName);

}  // namespace
}  // namespace talvix::datalog
