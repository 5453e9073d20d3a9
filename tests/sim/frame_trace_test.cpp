// SPDX-License-Identifier: MIT
#include "sim/frame_trace.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::sim {
namespace {

TEST(FrameTrace, FileHasOneLinePerFrameInUpperCaseHex) {
  QTemporaryDir dir;
  const QString path = dir.filePath("t.txt");
  {
    FrameTrace trace;
    QString error;
    ASSERT_TRUE(trace.WriteTo(path, error));
    trace.Record(0x9112, 0x0000);
    trace.Record(0x0400, 0xabcd);
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "9112 0000\n0400 ABCD\n");
}

TEST(FrameTrace, UnwritableFileNamesTheFile) {
  FrameTrace trace;
  QString error;
  EXPECT_FALSE(trace.WriteTo("/nonexistent-folder/t.txt", error));
  EXPECT_TRUE(error.contains("/nonexistent-folder/t.txt"));
  trace.Record(1, 2);  // still records in memory
  EXPECT_EQ(trace.frames().size(), 1u);
}

}  // namespace
}  // namespace talvix::sim
