// SPDX-License-Identifier: MIT
// Appending a block: only to regular files (or links to them), and whole or not at all.
#include "common/append_file.h"

#include "support/file_faults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::common {
namespace {

TEST(AppendFileTest, AppendsToAFileOrItsLinkAndRefusesAPipeWithoutBlocking) {
  QTemporaryDir folder;
  const QString file = folder.filePath("log.csv");
  const QString link = folder.filePath("link.csv");
  const QString pipe = folder.filePath("pipe.csv");
  QString why;
  ASSERT_TRUE(AppendToFile(file, "a\r\n", why)) << why.toStdString();
  ASSERT_TRUE(QFile::link(file, link));
  ASSERT_TRUE(AppendToFile(link, "b\r\n", why)) << why.toStdString();
  EXPECT_EQ(test::Contents(file), "a\r\nb\r\n");
  EXPECT_EQ(test::TypeOf(link), static_cast<mode_t>(S_IFLNK));

  ASSERT_TRUE(test::MakeFifo(pipe));
  EXPECT_FALSE(AppendToFile(pipe, "c", why));
  EXPECT_TRUE(why.contains("named pipe")) << why.toStdString();
  ASSERT_TRUE(QFile::link(pipe, folder.filePath("pipe_link.csv")));
  EXPECT_FALSE(AppendToFile(folder.filePath("pipe_link.csv"), "c", why));
  EXPECT_FALSE(AppendToFile(folder.path(), "c", why));
}

TEST(AppendFileTest, AFailedWriteCutsTheFileBackToItsLengthBeforeTheBlock) {
  QTemporaryDir folder;
  const QString file = folder.filePath("log.csv");
  QString why;
  ASSERT_TRUE(AppendToFile(file, "kept\r\n", why));
  {
    const test::FileSizeLimit limit(10);
    EXPECT_FALSE(AppendToFile(file, QByteArray(100, 'x'), why));
  }
  EXPECT_EQ(test::Contents(file), "kept\r\n");
  EXPECT_FALSE(why.isEmpty());
}

// A log's file: a write-out that fails part-way leaves the file as the last sync left it, ending
// with a whole row, and every later step fails with the same reason; kNew never takes over a file.
TEST(AppendingFileTest, AFailedWriteOutLeavesTheRowsOfTheLastSync) {
  QTemporaryDir folder;
  const QString path = folder.filePath("log.csv");
  QString why;
  ASSERT_TRUE(AppendToFile(path, "earlier\r\n", why));
  AppendingFile exclusive;
  EXPECT_FALSE(exclusive.Open(path, AppendingFile::Create::kNew, why));
  AppendingFile file;
  ASSERT_TRUE(file.Open(path, AppendingFile::Create::kIfMissing, why)) << why.toStdString();
  ASSERT_TRUE(file.Append("1,3.3,\r\n", why) && file.Sync(why)) << why.toStdString();
  EXPECT_EQ(file.synced(), 17);
  {
    const test::FileSizeLimit limit(24);
    ASSERT_TRUE(file.Append("2,3.3,\r\n", why));
    EXPECT_FALSE(file.Sync(why));
  }
  EXPECT_TRUE(why.contains("too large")) << why.toStdString();
  EXPECT_FALSE(file.Append("3,3.3,\r\n", why));
  EXPECT_FALSE(file.Close(why));
  EXPECT_EQ(file.appends_on_disk(), 1);
  EXPECT_EQ(test::Contents(path), "earlier\r\n1,3.3,\r\n");
}

}  // namespace
}  // namespace talvix::common
