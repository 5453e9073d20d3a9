// SPDX-License-Identifier: MIT
#include "startup/config_file.h"

#include "support/file_faults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

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

TEST_F(ConfigFileTest, AFullDiskKeepsTheOldFileByteForByteAndSaysWhy) {
  const QByteArray old_file = "Interface = 1\nPort Address = 888\nFactory = 7\n";
  WriteText(old_file);
  QString error;
  bool written = true;
  {
    const test::FileSizeLimit full(16);  // the new file cannot be written whole
    written = WriteConfig(Path(), ConfigSettings{2, 632, 0}, error);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(test::Contents(Path()), old_file);
  EXPECT_TRUE(error.contains(QFileInfo(Path()).absoluteFilePath())) << error.toStdString();
  EXPECT_TRUE(error.contains("File too large")) << error.toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{kConfigFileName})
      << "no temporary file is left behind";
}

TEST_F(ConfigFileTest, ALinkToAFileIsWrittenThroughAndStaysALink) {
  const QString target = dir.filePath("settings/real.cfg");
  ASSERT_TRUE(QDir(dir.path()).mkdir("settings"));
  {
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Interface = 1\n");
  }
  ASSERT_TRUE(QFile::link(target, Path()));
  ConfigSettings settings;
  ASSERT_TRUE(ReadConfig(Path(), settings));
  EXPECT_EQ(settings.InterfaceType, 1);

  QString error;
  ASSERT_TRUE(WriteConfig(Path(), ConfigSettings{2, 888, 0}, error)) << error.toStdString();
  EXPECT_TRUE(QFileInfo(Path()).isSymLink());
  EXPECT_EQ(test::Contents(target), "Interface = 2\nPort Address = 888\nFactory = 0\n");
}

// Things by the file's name that are not a regular file, or a link to one.
struct NotAFileCase {
  const char* name;
  std::function<bool(const QString& dir, const QString& path)> make;
};

class ConfigNotAFileTest : public ConfigFileTest,
                           public ::testing::WithParamInterface<NotAFileCase> {};

TEST_P(ConfigNotAFileTest, IsRefusedWithoutBlockingAndLeftAsItIs) {
  ASSERT_TRUE(GetParam().make(dir.path(), Path()));
  const mode_t type = test::TypeOf(Path());

  ConfigSettings settings{1, 888, 3};
  QString read_error;
  EXPECT_FALSE(ReadConfig(Path(), settings, &read_error));  // a named pipe would block here
  EXPECT_EQ(settings, (ConfigSettings{1, 888, 3}));
  EXPECT_TRUE(read_error.contains(QFileInfo(Path()).absoluteFilePath()))
      << read_error.toStdString();

  QString write_error;
  EXPECT_FALSE(WriteConfig(Path(), ConfigSettings{2, 0, 0}, write_error));
  EXPECT_TRUE(write_error.contains(kConfigFileName)) << write_error.toStdString();
  EXPECT_EQ(test::TypeOf(Path()), type);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ConfigNotAFileTest,
    ::testing::Values(
        NotAFileCase{"NamedPipe",
                     [](const QString&, const QString& path) { return test::MakeFifo(path); }},
        NotAFileCase{"Folder",
                     [](const QString&, const QString& path) { return QDir().mkdir(path); }},
        NotAFileCase{"LinkToANamedPipe",
                     [](const QString& dir, const QString& path) {
                       return test::MakeFifo(dir + "/pipe") && QFile::link(dir + "/pipe", path);
                     }},
        NotAFileCase{"LinkToAFolder",
                     [](const QString& dir, const QString& path) {
                       return QDir(dir).mkdir("folder") && QFile::link(dir + "/folder", path);
                     }},
        NotAFileCase{"LinkToNothing",
                     [](const QString& dir, const QString& path) {
                       return QFile::link(dir + "/absent", path);
                     }}),
    [](const ::testing::TestParamInfo<NotAFileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace talvix::startup
