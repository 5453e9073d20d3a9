// The datalog run's pass without a window: Sample then EndSample, on a simulated USB card whose SPI
// line goes to a register file, writing into a temporary folder.
#include "datalog/datalog_run.h"

#include "support/file_faults.h"
#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace talvix::datalog {
namespace {

class DatalogPassTest : public ::testing::Test {
 protected:
  DatalogPassTest() {
    sim.usb.SetSpiWire(
        [this](uint16_t sent) { return answering ? device.Transfer(sent) : 0xFFFF; });
    device.Set(registers::kSupply, 2705);  // 3.3001 V
    device.Set(registers::kRssXy, 100);    // 1.7125 g
  }
  DatalogRun& Start(int samples_per_file, int files, std::vector<int> columns = {0}) {
    RunSettings settings{folder.path(), QStringLiteral("LOG"), samples_per_file, files, 0, {}};
    for (int column : columns) settings.selection[column] = true;
    run = std::make_unique<DatalogRun>(*sim.session, settings, QLocale::c());
    return *run;
  }
  // The data rows of file `number`: the lines after the seven header lines of each block.
  QStringList Rows(int number) const {
    const QString text = QString::fromLatin1(
        test::Contents(folder.filePath(QStringLiteral("LOG_%1.csv").arg(number))));
    QStringList rows = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    return rows.mid(7);
  }

  test::RegisterFileSensor device;
  bool answering = true;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  QTemporaryDir folder;
  std::unique_ptr<DatalogRun> run;
};

struct RowCase {
  std::vector<int> columns;
  const char* row;
  std::vector<int> addresses;
};

class DatalogRowTest : public DatalogPassTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(DatalogRowTest, APassLogsOneRowOfTheChosenValuesInColumnOrder) {
  DatalogRun& one = Start(1, 1, GetParam().columns);
  ASSERT_TRUE(one.Sample());
  EXPECT_EQ(one.EndSample(false), PassEnd::kCompleted);
  EXPECT_EQ(Rows(1), QStringList{QString::fromLatin1(GetParam().row)});
  EXPECT_EQ(device.ReadAddresses(), GetParam().addresses);
}

INSTANTIATE_TEST_SUITE_P(Selections, DatalogRowTest,
                         ::testing::Values(RowCase{{0}, "1,3.3001,", {0x02}},
                                           RowCase{{4}, "1,1.7125,", {0x18}},
                                           RowCase{{4, 0}, "1,3.3001,1.7125,", {0x02, 0x18}}));

// A sample whose read fails after `rows_before` good ones, through a silent sensor (the run says
// so) or a card pulled out (the card says so): one message, and the file holds only the rows read.
class DatalogFailedReadTest : public DatalogPassTest,
                              public ::testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(DatalogFailedReadTest, StopsTheRunWithOneMessageAndNoRowForIt) {
  const auto [rows_before, unplugged] = GetParam();
  DatalogRun& failing = Start(5, 1);
  for (int pass = 0; pass < rows_before; ++pass) {
    ASSERT_TRUE(failing.Sample());
    ASSERT_EQ(failing.EndSample(false), PassEnd::kNextSample);
  }
  if (unplugged) sim.usb.Unplug(0);
  answering = false;
  EXPECT_FALSE(failing.Sample());
  EXPECT_EQ(sim.notifier.texts.size() + (failing.message().isEmpty() ? 0 : 1), 1);
  EXPECT_EQ(Rows(1).size(), rows_before);
  EXPECT_EQ(failing.written().size(), rows_before > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, DatalogFailedReadTest,
                         ::testing::Values(std::pair{0, false}, std::pair{2, false},
                                           std::pair{2, true}));

struct RolloverCase {
  int samples_per_file;
  int files;
  int stop_at;            // the pass after which a stop is asked, 0 for none
  std::vector<int> rows;  // per file written
  PassEnd end;
};

class DatalogRolloverTest : public DatalogPassTest,
                            public ::testing::WithParamInterface<RolloverCase> {};

TEST_P(DatalogRolloverTest, TheFileRollsOverAtItsSampleCountUntilTheLastOrAStop) {
  const RolloverCase& c = GetParam();
  DatalogRun& rolling = Start(c.samples_per_file, c.files);
  PassEnd end = PassEnd::kNextFile;
  for (int pass = 1; end == PassEnd::kNextSample || end == PassEnd::kNextFile; ++pass) {
    ASSERT_TRUE(rolling.Sample());
    end = rolling.EndSample(pass == c.stop_at);
    EXPECT_EQ(rolling.FileDue(), end == PassEnd::kNextFile);
  }
  EXPECT_EQ(end, c.end);
  ASSERT_EQ(static_cast<std::size_t>(rolling.written().size()), c.rows.size());
  for (std::size_t file = 0; file < c.rows.size(); ++file) {
    const QStringList rows = Rows(static_cast<int>(file) + 1);
    ASSERT_EQ(rows.size(), c.rows[file]) << file;
    EXPECT_TRUE(rows.last().startsWith(QString::number(c.rows[file]) + u',')) << file;
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, DatalogRolloverTest,
                         ::testing::Values(RolloverCase{2, 2, 0, {2, 2}, PassEnd::kCompleted},
                                           RolloverCase{1, 3, 0, {1, 1, 1}, PassEnd::kCompleted},
                                           RolloverCase{3, 2, 4, {3, 1}, PassEnd::kCancelled}));

}  // namespace
}  // namespace talvix::datalog
