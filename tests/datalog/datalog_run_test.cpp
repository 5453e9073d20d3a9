// SPDX-License-Identifier: MIT
// The datalog run's pass without a window (Sample, then EndSample after the pause) on a simulated
// USB card wired to a register file, writing into a temporary folder.
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
  DatalogRun& Start(int samples_per_file, int files, const std::vector<int>& columns = {0}) {
    Selection selection{};
    for (int column : columns) selection[column] = true;
    const RunSettings settings{folder.path(), "LOG", samples_per_file, files, 0, selection};
    run = std::make_unique<DatalogRun>(*sim.session, settings, QLocale::c());
    return *run;
  }
  // The data rows of LOG_<number>.csv: the lines after its seven header lines.
  QStringList Rows(int number) const {
    const QByteArray text =
        test::Contents(folder.filePath(QStringLiteral("LOG_%1.csv").arg(number)));
    return QString::fromLatin1(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(7);
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
  EXPECT_EQ(Rows(1), QStringList{GetParam().row});
  EXPECT_EQ(device.ReadAddresses(), GetParam().addresses);
}

INSTANTIATE_TEST_SUITE_P(Selections, DatalogRowTest,
                         ::testing::Values(RowCase{{0}, "1,3.3001,", {0x02}},
                                           RowCase{{4, 0}, "1,3.3001,1.7125,", {0x02, 0x18}}));

// The read of sample rows + 1 fails: the sensor falls silent (the run says so), or the card is
// pulled out (the card says so).
class DatalogFailedReadTest : public DatalogPassTest,
                              public ::testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(DatalogFailedReadTest, StopsTheRunWithOneMessageAndNoRowForIt) {
  const auto [rows, unplugged] = GetParam();
  DatalogRun& failing = Start(5, 1);
  for (int pass = 0; pass < rows; ++pass) ASSERT_TRUE(failing.Sample());
  answering = false;
  if (unplugged) sim.usb.Unplug(0);
  EXPECT_FALSE(failing.Sample());
  EXPECT_EQ(sim.notifier.texts.size() + (failing.message().isEmpty() ? 0 : 1), 1);
  EXPECT_EQ(Rows(1).size(), rows);
}

INSTANTIATE_TEST_SUITE_P(Faults, DatalogFailedReadTest,
                         ::testing::Values(std::pair{0, false}, std::pair{2, false},
                                           std::pair{2, true}));

// The header's End Seconds is when the file's last row was read: a fault after it that takes a
// minute to be seen and acknowledged does not move it.
TEST_F(DatalogPassTest, EndSecondsIsWhenTheLastRowWasReadEvenAfterAFault) {
  DatalogRun& failing = Start(5, 1);
  ASSERT_TRUE(failing.Sample());
  sim.Advance(2.0);
  ASSERT_TRUE(failing.Sample());
  const double last_row = sim.clock.SecondsSinceMidnight();
  sim.usb.SetSpiWire([this](uint16_t) {
    sim.Advance(60.0);
    return uint16_t{0xFFFF};
  });
  EXPECT_FALSE(failing.Sample());
  const QStringList header = QString::fromLatin1(test::Contents(folder.filePath("LOG_1.csv")))
                                 .split(QStringLiteral("\r\n"));
  ASSERT_GT(header.size(), 4);
  EXPECT_EQ(header[4].trimmed(), QStringLiteral("End Seconds,%1").arg(last_row));
}

// The rows reach the file while the block goes on (synced from the pass once half a second has
// passed), under a header whose End Seconds reads "unfinished" until the block ends; an earlier
// block in the file stays as it was.
class DatalogStreamingTest : public DatalogPassTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DatalogStreamingTest, RowsAreInTheFileBeforeTheBlockEnds) {
  const QString path = folder.filePath("LOG_1.csv");
  if (GetParam()) {
    Start(1, 1);
    ASSERT_TRUE(run->Sample());
    ASSERT_EQ(run->EndSample(false), PassEnd::kCompleted);
  }
  const QByteArray earlier = test::Contents(path);
  DatalogRun& streaming = Start(3, 1);
  for (int sample = 1; sample <= 2; ++sample) {
    ASSERT_TRUE(streaming.Sample());
    sim.Advance(0.6);
    ASSERT_EQ(streaming.EndSample(false), PassEnd::kNextSample);
  }
  QByteArray text = test::Contents(path);
  ASSERT_TRUE(text.startsWith(earlier));
  QStringList lines = QString::fromLatin1(text.mid(earlier.size())).split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 10);  // seven header lines, two rows, and the end of the last
  EXPECT_EQ(lines[4], "End Seconds,unfinished  ");
  EXPECT_EQ(lines.mid(7, 2), (QStringList{"1,3.3001,", "2,3.3001,"}));

  ASSERT_TRUE(streaming.Sample());
  const double last_row = sim.clock.SecondsSinceMidnight();
  ASSERT_EQ(streaming.EndSample(false), PassEnd::kCompleted);
  text = test::Contents(path);
  ASSERT_TRUE(text.startsWith(earlier));
  lines = QString::fromLatin1(text.mid(earlier.size())).split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 11);
  EXPECT_EQ(lines[4], QStringLiteral("End Seconds,%1").arg(last_row).leftJustified(24));
  EXPECT_EQ(lines[9], "3,3.3001,");
}

INSTANTIATE_TEST_SUITE_P(EarlierBlock, DatalogStreamingTest, ::testing::Bool());

struct RolloverCase {
  int samples_per_file;
  int files;
  int stop_at;            // the pass after which a stop is asked; 0 for none
  std::vector<int> rows;  // of each file written
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
  }
  EXPECT_EQ(end, c.end);
  ASSERT_EQ(static_cast<std::size_t>(rolling.written().size()), c.rows.size());
  for (int file = 1; file <= static_cast<int>(c.rows.size()); ++file) {
    EXPECT_EQ(Rows(file).size(), c.rows[file - 1]) << file;
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, DatalogRolloverTest,
                         ::testing::Values(RolloverCase{2, 2, 0, {2, 2}, PassEnd::kCompleted},
                                           RolloverCase{1, 3, 0, {1, 1, 1}, PassEnd::kCompleted},
                                           RolloverCase{3, 2, 4, {3, 1}, PassEnd::kCancelled}));

}  // namespace
}  // namespace talvix::datalog
