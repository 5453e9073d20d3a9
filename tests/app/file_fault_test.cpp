// SPDX-License-Identifier: MIT
// Every file the program writes, into a folder that cannot be written and onto a full file
// system: the earlier file stays byte for byte, one message names the file and the reason, and
// the same write works once the folder or the disk has room again.
#include "capture/capture_files.h"
#include "datalog/ui/frmDatalog.h"
#include "monitor/ui/data_plot_widget.h"
#include "regaccess/settings_transfer.h"
#include "regaccess/ui/frmManualReg.h"
#include "sim/sensor_flash.h"
#include "startup/config_file.h"
#include "support/file_faults.h"
#include "support/sim_session.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>

namespace talvix::app {
namespace {

// The folder a file goes to, with the simulated sensor to read what goes into it.
struct Bench {
  Bench() { sim.session->data_folder = dir.path(); }
  QString PathOf(const char* name) const { return QDir(dir.path()).filePath(name); }

  QTemporaryDir dir;
  test::SimSession sim{1, test::SimWiring::kUsbCard};
};

struct WrittenFile {
  const char* name;
  const char* file_name;
  // Puts the earlier file in place.
  std::function<void(Bench&)> write_earlier;
  // Writes the file as the program does; returns what the user is told.
  std::function<QStringList(Bench&)> write;
  // Appended to in place rather than replaced whole: in a folder that cannot be written, a file
  // that can be is still appended to, so the earlier file is made unwritable with its folder.
  bool appends = false;
};

void PrintTo(const WrittenFile& file, std::ostream* out) {
  *out << file.name;
}

void Put(const QString& path, const QByteArray& contents) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size())
      << path.toStdString();
}

// What a function that returns its failure as a text tells the user.
QStringList Told(const QString& error) {
  return error.isEmpty() ? QStringList() : QStringList{error};
}

WrittenFile Configuration() {
  return {"Configuration", startup::kConfigFileName,
          [](Bench& bench) { Put(bench.PathOf(startup::kConfigFileName), "Interface = 1\r\n"); },
          [](Bench& bench) {
            QString error;
            startup::WriteConfig(bench.PathOf(startup::kConfigFileName),
                                 startup::ConfigSettings{2, 632, 0}, error);
            return Told(error);
          }};
}

QStringList StoreFlash(const QString& path, uint16_t word) {
  sim::SensorFlash flash;
  QString error;
  if (!flash.SetFile(path, error)) return Told(error);
  flash.Store([word](int16_t) { return word; }, error);
  return Told(error);
}

WrittenFile SimulatedFlash() {
  return {"SimulatedFlash", "TalvixSimFlash.bin",
          [](Bench& bench) {
            EXPECT_EQ(StoreFlash(bench.PathOf("TalvixSimFlash.bin"), 0), QStringList());
          },
          [](Bench& bench) { return StoreFlash(bench.PathOf("TalvixSimFlash.bin"), 0x1234); }};
}

WrittenFile CaptureFiles() {
  return {"CaptureFiles", "CapDat_0.csv",
          [](Bench& bench) {
            Put(bench.PathOf("CapDat_0.csv"), "1,7\r\n");
            Put(bench.PathOf("CapDat_1.csv"), "1,7\r\n");
          },
          [](Bench& bench) {
            // 8 samples of X and Y
            bench.sim.session->capture.MarkTriggered(CaptureSnapshots{0x0213, 0});
            const capture::CaptureFilesOutcome outcome =
                capture::WriteCaptureFiles(*bench.sim.session, bench.dir.path());
            return bench.sim.notifier.texts + Told(outcome.message);
          }};
}

WrittenFile DatalogFiles() {
  return {"DatalogFiles", "DATALOG_1.csv",
          [](Bench& bench) { Put(bench.PathOf("DATALOG_1.csv"), "earlier\r\n"); },
          [](Bench& bench) {
            datalog::frmDatalog window(*bench.sim.session);
            test::Control<QCheckBox>(&window, QStringLiteral("CheckReg0"))->setChecked(true);
            test::Control<QLineEdit>(&window, QStringLiteral("txtSamplesPerFile"))->setText("3");
            test::Control<QAbstractButton>(&window, QStringLiteral("cmdStartDatalog"))->click();
            return bench.sim.notifier.texts;
          },
          true};
}

WrittenFile RegisterListing() {
  return {"RegisterListing", "UserRegisters.txt",
          [](Bench& bench) { Put(bench.PathOf("UserRegisters.txt"), "earlier\r\n"); },
          [](Bench& bench) {
            regaccess::frmManualReg window(*bench.sim.session);
            const QString path = bench.PathOf("UserRegisters.txt");
            window.ask_save_path = [path](const QString&, const QString&, const QString&) {
              return path;
            };
            test::Control<QAbstractButton>(&window, QStringLiteral("cmdReadUserReg"))->click();
            test::Control<QAbstractButton>(&window, QStringLiteral("cmdSaveListing"))->click();
            return bench.sim.notifier.texts;
          }};
}

WrittenFile SettingsFile() {
  return {"SettingsFile", "TalvixSettings.json",
          [](Bench& bench) { Put(bench.PathOf("TalvixSettings.json"), "[]\n"); },
          [](Bench& bench) {
            regaccess::DeviceSettings saved{};
            QString error;
            regaccess::SaveSettings(bench.sim.link(), bench.PathOf("TalvixSettings.json"), saved,
                                    error);
            return Told(error);
          }};
}

// "Save Chart...": the picture and the values beside it, from a chart with a few columns drawn.
WrittenFile ChartFiles() {
  return {"ChartFiles", "Chart.png",
          [](Bench& bench) {
            Put(bench.PathOf("Chart.png"), "earlier");
            Put(bench.PathOf("Chart.csv"), "earlier\r\n");
          },
          [](Bench& bench) {
            // The range is not changed, so its settings file is only read (and is not there).
            monitor::DataPlotWidget frame(*bench.sim.session, nullptr,
                                          bench.PathOf("no-folder/chart.ini"));
            frame.resize(480, 360);
            frame.SetSeriesChecked(1, true);
            for (int pass = 0; pass < 5; ++pass) {
              monitor::SampleVector samples{};
              samples.fill(0.5f * static_cast<float>(pass));
              frame.PlotDataPoints2(samples);
            }
            const QString path = bench.PathOf("Chart.png");
            frame.ask_save_path = [path](const QString&, const QString&, const QString&) {
              return path;
            };
            frame.cmdSaveChart_Click();
            return bench.sim.notifier.texts;
          }};
}

enum class FileFault { kUnwritableFolder, kFullFileSystem };

using Case = std::tuple<WrittenFile, FileFault>;

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  const auto& [file, fault] = info.param;
  return std::string(file.name) +
         (fault == FileFault::kUnwritableFolder ? "_UnwritableFolder" : "_FullFileSystem");
}

class FileFaultTest : public ::testing::TestWithParam<Case> {};

TEST_P(FileFaultTest, KeepsTheEarlierFileAndNamesTheFileAndTheReason) {
  const auto& [file, fault] = GetParam();
  Bench bench;
  file.write_earlier(bench);
  const QString path = bench.PathOf(file.file_name);
  const QByteArray earlier = test::Contents(path);
  ASSERT_FALSE(earlier.isEmpty());
  const auto entries = [&bench] {
    return QDir(bench.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  };
  const QStringList entries_before = entries();

  QStringList told;
  if (fault == FileFault::kUnwritableFolder) {
    const test::Unwritable folder(bench.dir.path());
    ASSERT_TRUE(folder.holds()) << "cannot make the folder unwritable";
    std::optional<test::Unwritable> earlier_file;
    if (file.appends) earlier_file.emplace(path);
    told = file.write(bench);
  } else {
    const test::FileSizeLimit full(16);  // no file grows past 16 bytes, as on a full disk
    told = file.write(bench);
  }

  EXPECT_EQ(test::Contents(path), earlier);
  ASSERT_EQ(told.size(), 1) << told.join(u'|').toStdString();
  EXPECT_TRUE(told[0].contains(path)) << told[0].toStdString();
  const QStringList reasons =
      fault == FileFault::kFullFileSystem
          ? QStringList{"File too large"}
          : QStringList{"Permission denied", "Operation not permitted", "is not writable"};
  EXPECT_TRUE(std::any_of(reasons.begin(), reasons.end(), [&told](const QString& reason) {
    return told[0].contains(reason);
  })) << told[0].toStdString();
  EXPECT_EQ(entries(), entries_before) << "nothing new is left behind";

  bench.sim.notifier.texts.clear();
  EXPECT_EQ(file.write(bench), QStringList());
  EXPECT_NE(test::Contents(path), earlier);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileFaultTest,
    ::testing::Combine(::testing::Values(Configuration(), SimulatedFlash(), CaptureFiles(),
                                         DatalogFiles(), RegisterListing(), SettingsFile(),
                                         ChartFiles()),
                       ::testing::Values(FileFault::kUnwritableFolder, FileFault::kFullFileSystem)),
    CaseName);

}  // namespace
}  // namespace talvix::app
