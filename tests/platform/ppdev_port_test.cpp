// SPDX-License-Identifier: MIT
#include "platform/ppdev_port.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::platform {
namespace {

void AddPort(const QTemporaryDir& root, const QString& name, const QByteArray& base_addr) {
  ASSERT_TRUE(QDir(root.path()).mkpath(name));
  QFile file(root.filePath(name + "/base-addr"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(base_addr);
}

TEST(FindParportNumber, MatchesTheFirstBaseAddress) {
  QTemporaryDir root;
  AddPort(root, "parport0", "632\t1656\n");
  AddPort(root, "parport1", "888\t1912\n");
  QString error;
  EXPECT_EQ(FindParportNumber(0x378, error, root.path()), 1);
  EXPECT_EQ(FindParportNumber(0x278, error, root.path()), 0);
}

TEST(FindParportNumber, NoPortAtTheAddressNamesThePortsFound) {
  QTemporaryDir root;
  AddPort(root, "parport0", "632\t1656\n");
  QString error;
  EXPECT_FALSE(FindParportNumber(0x3BC, error, root.path()).has_value());
  EXPECT_TRUE(error.contains("3BC")) << error.toStdString();
  EXPECT_TRUE(error.contains("278 at /dev/parport0")) << error.toStdString();
}

TEST(FindParportNumber, NoPortsAtAllSaysHowToLoadTheDriver) {
  QTemporaryDir root;
  QString error;
  EXPECT_FALSE(FindParportNumber(0x378, error, root.path()).has_value());
  EXPECT_TRUE(error.contains("modprobe")) << error.toStdString();
}

TEST(FindParportNumber, UnreadableEntriesAreSkipped) {
  QTemporaryDir root;
  AddPort(root, "parport0", "junk\n");
  AddPort(root, "parport2", "888 1912\n");
  QString error;
  EXPECT_EQ(FindParportNumber(0x378, error, root.path()), 2);
}

}  // namespace
}  // namespace talvix::platform
