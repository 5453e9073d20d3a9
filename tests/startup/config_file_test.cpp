#include "startup/config_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::startup {
namespace {

class ConfigFileTest : public ::testing::Test {
 protected:
  QString Path() const { return dir.filePath(kConfigFileName); }
  void WriteText(const QByteArray& text) {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  ConfigSettings Read() {
    ConfigSettings settings;
    ReadConfig(Path(), settings);
    return settings;
  }
  QTemporaryDir dir;
};

TEST_F(ConfigFileTest, MissingOrEmptyFileKeepsTheDefaults) {
  EXPECT_EQ(Read(), ConfigSettings{});
  WriteText("");
  EXPECT_EQ(Read(), ConfigSettings{});
}

TEST_F(ConfigFileTest, OnlyThePortAddressLine) {
  WriteText("Port Address = 888\n");
  const ConfigSettings s = Read();
  EXPECT_EQ(s.PortAddress, 888);
  EXPECT_EQ(s.InterfaceType, 0);
}

TEST_F(ConfigFileTest, WrittenFileReadsBackWithOrWithoutBlanksAroundNumbers) {
  const ConfigSettings written{2, 0x378, -5};
  QString error;
  ASSERT_TRUE(WriteConfig(Path(), written, error)) << error.toStdString();
  QFile file(Path());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "Interface = 2\nPort Address = 888\nFactory = -5\n");
  file.close();
  EXPECT_EQ(Read(), written);

  WriteText("Interface =  2  \r\nPort Address =   888\r\nFactory = -5 \r\n");
  EXPECT_EQ(Read(), written);
}

TEST_F(ConfigFileTest, LinesWithoutOneBlankEachSideOfEqualsAreIgnored) {
  WriteText("Interface=2\nPort Address =888\nFactory= 3\n");
  EXPECT_EQ(Read(), ConfigSettings{});  // never read as key "Interfac" or address 88
}

TEST_F(ConfigFileTest, BadLinesAreSkippedAndTheOthersKept) {
  WriteText(
      "Interface = 1\n"
      "garbage without equals\n"
      "Port Address = abc\n"
      "Port Address = 70000\n"
      "Factory = 12x\n"
      "interface = 2\n"  // keys are case-sensitive
      "Port Address = 632\n"
      "Unknown = 4\n");
  const ConfigSettings s = Read();
  EXPECT_EQ(s.InterfaceType, 1);
  EXPECT_EQ(s.PortAddress, 632);
  EXPECT_EQ(s.FactoryFlag, 0);
}

TEST_F(ConfigFileTest, CommasSplitItemsAndTheLastValueWins) {
  WriteText("Interface = 1, Port Address = 888\nInterface = 2\n");
  const ConfigSettings s = Read();
  EXPECT_EQ(s.InterfaceType, 2);
  EXPECT_EQ(s.PortAddress, 888);
}

TEST_F(ConfigFileTest, ValuesAtThe16BitLimits) {
  WriteText("Port Address = -32768\nFactory = 32767\nInterface = 32768\n");
  const ConfigSettings s = Read();
  EXPECT_EQ(s.PortAddress, -32768);
  EXPECT_EQ(s.FactoryFlag, 32767);
  EXPECT_EQ(s.InterfaceType, 0);
}

TEST_F(ConfigFileTest, UnwritableFileReportsTheFileAndKeepsTheOldOne) {
  const QString blocked = dir.filePath("no-such-folder/CommPort.cfg");
  QString error;
  EXPECT_FALSE(WriteConfig(blocked, ConfigSettings{1, 888, 0}, error));
  EXPECT_TRUE(error.contains(blocked)) << error.toStdString();

  WriteText("Interface = 1\n");
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
  const bool can_still_write = QFileInfo(dir.path()).isWritable();  // root ignores permissions
  const bool written = WriteConfig(Path(), ConfigSettings{2, 0, 0}, error);
  QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  if (!can_still_write) {
    EXPECT_FALSE(written);
    EXPECT_EQ(Read().InterfaceType, 1);  // the old file is intact
  }
}

}  // namespace
}  // namespace talvix::startup
