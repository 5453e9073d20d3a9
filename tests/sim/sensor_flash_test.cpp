// SPDX-License-Identifier: MIT
#include "sim/sensor_flash.h"

#include "registers/register_table.h"
#include "support/file_faults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

class SensorFlashTest : public ::testing::Test {
 protected:
  // A valid flash file with XACCL_NULL 0xFFF0 and one write.
  QByteArray ValidFile() {
    SensorFlash flash;
    QString error;
    EXPECT_TRUE(flash.SetFile(path, error));
    EXPECT_TRUE(flash.Store(
        [](int16_t index) {
          return index == registers::kXAcclNull ? uint16_t{0xFFF0}
                                                : SensorFlash::FactoryWord(index);
        },
        error));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }
  void Put(const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }

  QTemporaryDir dir;
  QString path = dir.filePath(QStringLiteral("flash.txt"));
};

TEST_F(SensorFlashTest, IntactFileLoadsAndDamagedOnesAreIgnoredWithTheReason) {
  const QByteArray valid = ValidFile();
  QByteArray reordered = valid;
  reordered.replace("10 FFF0", "12 FFF0");
  const QByteArray cases[] = {
      QByteArray(),
      valid.left(valid.size() / 2),
      QByteArray(valid).replace("FFF0", "FFF1"),
      QByteArray(valid).replace("endurance 1", "endurance x"),
      reordered,
      valid + "10 0000\n",
      QByteArray(8192, 'A'),
  };
  Put(valid);
  SensorFlash intact;
  QString reason;
  ASSERT_TRUE(intact.SetFile(path, reason)) << reason.toStdString();
  EXPECT_EQ(intact.Word(registers::kXAcclNull), 0xFFF0);
  EXPECT_EQ(intact.Word(registers::kStatus), 0) << "not a stored register";
  EXPECT_EQ(intact.endurance(), 1);

  for (const QByteArray& text : cases) {
    Put(text);
    SensorFlash flash;
    QString error;
    EXPECT_FALSE(flash.SetFile(path, error)) << text.left(40).toStdString();
    EXPECT_TRUE(error.contains(path));
    EXPECT_EQ(flash.Word(registers::kXAcclNull), 0) << "factory contents";
    EXPECT_EQ(flash.Word(registers::kXAccScale), 0x0800);
  }
}

uint16_t AllOnes(int16_t) {
  return 0xFFFF;
}

TEST_F(SensorFlashTest, AStoreOnAFullDiskKeepsTheOldFileAndTheOldContents) {
  const QByteArray valid = ValidFile();
  SensorFlash flash;
  QString error;
  ASSERT_TRUE(flash.SetFile(path, error));
  bool stored = true;
  {
    const test::FileSizeLimit full(64);
    stored = flash.Store(AllOnes, error);
  }
  EXPECT_FALSE(stored);
  EXPECT_TRUE(error.contains(path) && error.contains("File too large")) << error.toStdString();
  EXPECT_EQ(test::Contents(path), valid);
  EXPECT_EQ(flash.Word(registers::kXAcclNull), 0xFFF0);
  EXPECT_EQ(flash.endurance(), 1);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(SensorFlashTest, ANamedPipeIsNeitherReadNorReplaced) {
  ASSERT_TRUE(test::MakeFifo(path));
  SensorFlash flash;
  QString error;
  EXPECT_FALSE(flash.SetFile(path, error));  // opening the pipe to read would block here
  EXPECT_TRUE(error.contains(path)) << error.toStdString();
  EXPECT_EQ(flash.Word(registers::kXAccScale), 0x0800) << "factory contents";
  error.clear();
  EXPECT_FALSE(flash.Store(AllOnes, error));
  EXPECT_TRUE(error.contains(path)) << error.toStdString();
  EXPECT_EQ(test::TypeOf(path), S_IFIFO);
  EXPECT_EQ(flash.endurance(), 0);
}

}  // namespace
}  // namespace talvix::sim
