// SPDX-License-Identifier: MIT
#include "capture/capture_files.h"

#include "capture/capture_buffers_rig.h"
#include "support/file_faults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::capture {
namespace {

// The buffers of the rig, 8 samples each, as ".csv" lines.
constexpr char kText0[] = "1,1\r\n2,-1\r\n3,-8192\r\n4,8191\r\n5,100\r\n6,0\r\n7,16\r\n8,-100\r\n";
constexpr char kText1[] = "1,-1\r\n2,-2\r\n3,-3\r\n4,-4\r\n5,-5\r\n6,-6\r\n7,-7\r\n8,-8\r\n";

class WriteCaptureFilesTest : public ::testing::Test {
 protected:
  WriteCaptureFilesTest() {
    rig.sim.session->capture.MarkTriggered(CaptureSnapshots{0x0203, 0});  // 8 samples
  }

  QString Path(int buffer, const char* extension = ".csv") const {
    return QDir(dir.path()).filePath(QStringLiteral("CapDat_%1%2").arg(buffer).arg(extension));
  }
  void WriteOldFiles(const char* extension = ".csv") {
    for (int buffer : {0, 1}) {
      QFile file(Path(buffer, extension));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("old\r\n");
    }
  }
  CaptureFilesOutcome Write(const QLocale& locale = QLocale::c()) {
    return WriteCaptureFiles(*rig.sim.session, dir.path(), locale);
  }

  test::CaptureBuffersRig rig;
  QTemporaryDir dir;
};

struct FormatCase {
  const char* name;
  QLocale::Language language;
  char separator;
  const char* extension;
};

class CaptureFileFormatTest : public WriteCaptureFilesTest,
                              public ::testing::WithParamInterface<FormatCase> {};

// A decimal comma in the user's locale makes tab-separated ".txt" files. Both files are
// replaced, not appended to.
TEST_P(CaptureFileFormatTest, BothBuffersReadAndWrittenWhole) {
  const FormatCase& c = GetParam();
  WriteOldFiles(c.extension);
  const CaptureFilesOutcome outcome = Write(QLocale(c.language));
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(outcome.written, (QStringList{Path(0, c.extension), Path(1, c.extension)}));
  EXPECT_EQ(test::Contents(Path(0, c.extension)), QByteArray(kText0).replace(',', c.separator));
  EXPECT_EQ(test::Contents(Path(1, c.extension)), QByteArray(kText1).replace(',', c.separator));
}

INSTANTIATE_TEST_SUITE_P(Locales, CaptureFileFormatTest,
                         ::testing::Values(FormatCase{"C", QLocale::C, ',', ".csv"},
                                           FormatCase{"English", QLocale::English, ',', ".csv"},
                                           FormatCase{"German", QLocale::German, '\t', ".txt"},
                                           FormatCase{"French", QLocale::French, '\t', ".txt"}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                           return info.param.name;
                         });

TEST_F(WriteCaptureFilesTest, FaultReadingBufferOneWritesNeitherFile) {
  WriteOldFiles();
  rig.on_frame = [this](uint16_t sent) {
    if ((sent & 0x8000) == 0 && (sent >> 8) == 0x1E) rig.sim.usb.Unplug(0);  // CAPT_BUF_1
  };
  const CaptureFilesOutcome outcome = Write();
  EXPECT_TRUE(outcome.written.isEmpty());
  EXPECT_EQ(rig.sim.notifier.texts.size() + (outcome.message.isEmpty() ? 0 : 1), 1);
  EXPECT_EQ(test::Contents(Path(0)), "old\r\n");
  EXPECT_EQ(test::Contents(Path(1)), "old\r\n");
}

// Buffer 0's text (54 bytes) cannot be written under a limit of 50 bytes; buffer 1's (48) can.
TEST_F(WriteCaptureFilesTest, FileThatCannotBeWrittenIsNamedAndKeptTheOtherIsWritten) {
  WriteOldFiles();
  CaptureFilesOutcome outcome;
  {
    const test::FileSizeLimit limit(50);
    outcome = Write();
  }
  EXPECT_EQ(test::Contents(Path(0)), "old\r\n");
  EXPECT_EQ(test::Contents(Path(1)), QByteArray(kText1));
  EXPECT_EQ(outcome.written, QStringList{Path(1)});
  EXPECT_TRUE(outcome.message.contains(Path(0))) << outcome.message.toStdString();
  EXPECT_TRUE(outcome.message.contains("File too large")) << outcome.message.toStdString();
  EXPECT_FALSE(outcome.message.contains(Path(1)));
}

}  // namespace
}  // namespace talvix::capture
