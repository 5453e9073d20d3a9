// SPDX-License-Identifier: MIT
// The datalog window on a simulated USB card whose SPI line goes to a register file, writing into
// a temporary data folder. The event pump stands for the user: each test decides what happens at
// which yield (with no sample delay there is one yield before each file and one after each sample).
#include "datalog/ui/frmDatalog.h"

#include "common/ui/mnemonic_text.h"
#include "support/file_faults.h"
#include "support/register_file_sensor.h"
#include "support/sim_session.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvix::datalog {
namespace {

using test::DefaultLocale;

// A file's blocks: each block's lines from "File Name," to its last row.
std::vector<QStringList> Blocks(const QString& path) {
  std::vector<QStringList> blocks;
  const QString text = QString::fromLocal8Bit(test::Contents(path));
  for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
    if (line.startsWith(QStringLiteral("File Name,"))) blocks.emplace_back();
    if (!blocks.empty()) blocks.back() << line;
  }
  return blocks;
}

// Rows in a block: the lines after its seven header lines.
int Rows(const QStringList& block) {
  return static_cast<int>(block.size()) - 7;
}

class FrmDatalogTest : public ::testing::Test {
 protected:
  FrmDatalogTest() {
    sim.usb.SetSpiWire(
        [this](uint16_t sent) { return answering ? device.Transfer(sent) : 0xFFFF; });
    device.Set(registers::kSupply, 2705);  // 3.3001 V
    device.Set(registers::kRssXy, 100);    // 1.7125 g
    sim.session->data_folder = folder.path();
    window = std::make_unique<frmDatalog>(*sim.session);
  }

  template <typename T = QWidget>
  T* Find(const QString& name) const {
    return test::Control<T>(&*window, name);
  }
  QLineEdit* Box(const char* name) const { return Find<QLineEdit>(QString::fromLatin1(name)); }
  void Check(int box) { Find<QCheckBox>(QStringLiteral("CheckReg%1").arg(box))->setChecked(true); }
  void Click() { Find<QAbstractButton>(QStringLiteral("cmdStartDatalog"))->click(); }
  QString Caption() const {
    return common::WithoutMnemonic(
        Find<QAbstractButton>(QStringLiteral("cmdStartDatalog"))->text());
  }
  // Files, samples per file and delay, then a click on Start.
  void Run(int files, int samples, const char* delay = "0") {
    Box("txtFilesPerSession")->setText(QString::number(files));
    Box("txtSamplesPerFile")->setText(QString::number(samples));
    Box("txtSampleDelay")->setText(QString::fromLatin1(delay));
    Click();
  }
  // Runs `action` at the n-th yield.
  void AtYield(int n, std::function<void()> action) {
    sim.events.on_events = [this, n, action] {
      if (sim.events.calls == n) action();
    };
  }
  QString PathOf(const QString& name) const { return folder.filePath(name); }
  void ExpectIdle() const {
    EXPECT_EQ(Caption(), "Start Datalog");
    EXPECT_FALSE(window->RunActive());
    EXPECT_TRUE(Box("txtFileName")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>(QStringLiteral("CheckReg0"))->isEnabled());
    EXPECT_FALSE(Find(QStringLiteral("LBLDatalogInProgress"))->isVisibleTo(window.get()));
  }

  test::RegisterFileSensor device;
  bool answering = true;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  QTemporaryDir folder;
  std::unique_ptr<frmDatalog> window;
};

TEST_F(FrmDatalogTest, StartWithNoBoxCheckedOnlySaysSo) {
  Click();
  EXPECT_EQ(sim.notifier.texts, QStringList{"Please check at least one DATA SELECTION box."});
  EXPECT_EQ(sim.notifier.titles, QStringList{QString()});
  EXPECT_EQ(Caption(), "Start Datalog");
  EXPECT_TRUE(device.sent().empty());
}

struct Correction {
  const char* box;
  const char* typed;
  const char* shown;
};

class FrmDatalogCorrectionTest : public FrmDatalogTest,
                                 public ::testing::WithParamInterface<Correction> {};

TEST_P(FrmDatalogCorrectionTest, BoxShowsTheCorrectedText) {
  Box(GetParam().box)->setText(QString::fromLatin1(GetParam().typed));
  emit Box(GetParam().box)->editingFinished();
  // The folder box always shows the data folder again.
  const QString shown = GetParam().shown != nullptr ? QString::fromLatin1(GetParam().shown)
                                                    : QDir::toNativeSeparators(folder.path());
  EXPECT_EQ(Box(GetParam().box)->text(), shown);
}

INSTANTIATE_TEST_SUITE_P(Limits, FrmDatalogCorrectionTest,
                         ::testing::Values(Correction{"txtSamplesPerFile", "", "1000"},
                                           Correction{"txtSamplesPerFile", "0", "1"},
                                           Correction{"txtSamplesPerFile", "70000", "65526"},
                                           Correction{"txtSamplesPerFile", "250", "250"},
                                           Correction{"txtFilesPerSession", "", "1"},
                                           Correction{"txtFilesPerSession", "5000", "2000"},
                                           Correction{"txtSampleDelay", "", "0"},
                                           Correction{"txtSampleDelay", "40000", "32000"},
                                           Correction{"txtSampleDelay", "-5", "0"},
                                           Correction{"txtSampleDelay", "abc", "0"},
                                           Correction{"txtDirectory", "/elsewhere", nullptr}));

TEST_F(FrmDatalogTest, ThreeFilesGetTheirNumbersAndASecondRunAppendsASecondBlock) {
  Check(0);
  Box("txtFileName")->setText("RUN");
  QStringList numbers_shown;
  sim.events.on_events = [&] { numbers_shown << Box("txtFileNum")->text(); };
  Run(3, 4);
  numbers_shown.removeDuplicates();
  EXPECT_EQ(numbers_shown, (QStringList{"1", "2", "3"}));
  Run(3, 4);
  for (const char* name : {"RUN_1.csv", "RUN_2.csv", "RUN_3.csv"}) {
    const std::vector<QStringList> blocks = Blocks(PathOf(name));
    ASSERT_EQ(blocks.size(), 2u) << name;
    for (const QStringList& block : blocks) {
      EXPECT_EQ(block[0], QStringLiteral("File Name,") + name);
      EXPECT_EQ(block[5], " ");
      EXPECT_EQ(block[6], "Sample #,Power V,");
      EXPECT_EQ(Rows(block), 4);
      EXPECT_EQ(block[7], "1,3.3001,");
    }
  }
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());
  ExpectIdle();
}

TEST_F(FrmDatalogTest, DecimalCommaLocaleWritesTabbedTxtFilesWithACommaAfterFileName) {
  const DefaultLocale german(QLocale(QLocale::German));
  window = std::make_unique<frmDatalog>(*sim.session);
  Check(0);
  Check(4);
  Run(1, 2);
  const std::vector<QStringList> blocks = Blocks(PathOf("DATALOG_1.txt"));
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0][0], "File Name,DATALOG_1.txt");
  EXPECT_TRUE(blocks[0][3].startsWith("Begin Seconds\t43200")) << blocks[0][3].toStdString();
  EXPECT_EQ(blocks[0][6], "Sample #\tPower V\tRSS acc\t");
  EXPECT_EQ(blocks[0][7], "1\t3,3001\t1,7125\t");
}

// The loops count to the typed number as "For i = 1 To" does: 4.99 files of 3.7 samples are 4
// files of 3 rows.
TEST_F(FrmDatalogTest, FractionalCountsRunToTheirWholePart) {
  Check(0);
  Box("txtFilesPerSession")->setText(QStringLiteral("4.99"));
  Box("txtSamplesPerFile")->setText(QStringLiteral("3.7"));
  Click();
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 4);
  for (int file = 1; file <= 4; ++file) {
    const std::vector<QStringList> blocks =
        Blocks(PathOf(QStringLiteral("DATALOG_%1.csv").arg(file)));
    ASSERT_EQ(blocks.size(), 1u) << file;
    EXPECT_EQ(Rows(blocks[0]), 3) << file;
  }
}

TEST_F(FrmDatalogTest, OnlyBox4ReadsRssXyAlone) {
  Check(4);
  Run(1, 2);
  const std::vector<QStringList> blocks = Blocks(PathOf("DATALOG_1.csv"));
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].mid(6), (QStringList{"Sample #,RSS acc,", "1,1.7125,", "2,1.7125,"}));
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x18, 0x18}));
}

// How a run of 3 files of 5 samples ends during file 2, after its second sample (yield 9: one
// before each file, one after each sample).
enum class Ending { kCancelClick, kWindowClosed, kExitPathStopAll, kSensorGone, kCardUnplugged };

class FrmDatalogEndingTest : public FrmDatalogTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(FrmDatalogEndingTest, File1StaysWholeFile2GetsTheRowsReadAndNoFile3) {
  Check(0);
  Check(1);
  AtYield(9, [this] {
    switch (GetParam()) {
      case Ending::kCancelClick:
        Click();
        break;
      case Ending::kWindowClosed:
        window->close();
        break;
      case Ending::kExitPathStopAll:
        sim.session->loops.StopAll();
        break;
      case Ending::kSensorGone:
        answering = false;
        break;
      case Ending::kCardUnplugged:
        sim.usb.Unplug(0);
        break;
    }
  });
  Run(3, 5);
  ASSERT_EQ(Blocks(PathOf("DATALOG_1.csv")).size(), 1u);
  EXPECT_EQ(Rows(Blocks(PathOf("DATALOG_1.csv"))[0]), 5);
  const std::vector<QStringList> file2 = Blocks(PathOf("DATALOG_2.csv"));
  ASSERT_EQ(file2.size(), 1u);
  EXPECT_EQ(Rows(file2[0]), 2);
  EXPECT_EQ(file2[0].last(), "2,3.3001,0,");
  EXPECT_FALSE(QFile::exists(PathOf("DATALOG_3.csv")));
  ExpectIdle();
  // One message when the sensor stops answering; the card reports its own failure; none else.
  const qsizetype messages = GetParam() == Ending::kSensorGone      ? 1
                             : GetParam() == Ending::kCardUnplugged ? sim.notifier.texts.size()
                                                                    : 0;
  EXPECT_EQ(sim.notifier.texts.size(), messages);
  if (GetParam() == Ending::kCardUnplugged) {
    EXPECT_LE(messages, 1);
    for (const QString& text : sim.notifier.texts) EXPECT_FALSE(text.contains("datalog"));
  }
}

INSTANTIATE_TEST_SUITE_P(Endings, FrmDatalogEndingTest,
                         ::testing::Values(Ending::kCancelClick, Ending::kWindowClosed,
                                           Ending::kExitPathStopAll, Ending::kSensorGone,
                                           Ending::kCardUnplugged));

TEST_F(FrmDatalogTest, RefusedStartsWriteNothing) {
  Check(0);
  Box("txtFileName")->setText("../x");
  Click();
  sim.session->link.InterfaceType = link::kInterfaceNone;
  Box("txtFileName")->setText("RUN");
  Click();
  ASSERT_EQ(sim.notifier.texts.size(), 2);
  EXPECT_TRUE(sim.notifier.texts[0].contains("\"/\""));
  EXPECT_TRUE(sim.notifier.texts[1].contains("No interface"));
  EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
  EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath("../x_1.csv")));
  EXPECT_TRUE(device.sent().empty());
  ExpectIdle();
}

TEST_F(FrmDatalogTest, AFullFileSystemLeavesTheFileAsItWasBeforeTheBlock) {
  Check(0);
  Run(1, 3);
  const QByteArray before = test::Contents(PathOf("DATALOG_1.csv"));
  {
    const test::FileSizeLimit limit(static_cast<rlim_t>(before.size() + 40));
    Run(1, 3);
  }
  EXPECT_EQ(test::Contents(PathOf("DATALOG_1.csv")), before);
  ASSERT_EQ(sim.notifier.texts.size(), 1);
  EXPECT_TRUE(sim.notifier.texts[0].contains(PathOf("DATALOG_1.csv")));
  EXPECT_TRUE(sim.notifier.texts[0].contains("File too large"));
  ExpectIdle();
}

TEST_F(FrmDatalogTest, CancelDuringA30SecondDelayEndsTheRunWithinASecond) {
  Check(0);
  double cancelled_at = -1;
  sim.events.on_events = [&] {
    sim.Advance(0.05);
    if (cancelled_at < 0 && sim.clock.monotonic >= 5.0) {
      cancelled_at = sim.clock.monotonic;
      Click();
    }
  };
  Run(2, 10, "30000");
  ASSERT_GE(cancelled_at, 0);
  EXPECT_LT(sim.clock.monotonic - cancelled_at, 1.0);
  EXPECT_EQ(Rows(Blocks(PathOf("DATALOG_1.csv"))[0]), 1);
  EXPECT_FALSE(QFile::exists(PathOf("DATALOG_2.csv")));
  ExpectIdle();
}

}  // namespace
}  // namespace talvix::datalog
