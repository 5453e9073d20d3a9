// SPDX-License-Identifier: MIT
#include "common/data_folder.h"

#include <gtest/gtest.h>

namespace talvix::common {
namespace {

struct FolderCase {
  const char* program;
  bool writable;
  const char* chosen;
};

class ChooseDataFolderTest : public ::testing::TestWithParam<FolderCase> {};

// Data goes beside the program unless it may not be written there or the program is installed.
TEST_P(ChooseDataFolderTest, ProgramFolderWhenWritableAndNotInstalled) {
  const FolderCase& c = GetParam();
  const QString chosen =
      ChooseDataFolder(QString::fromUtf8(c.program), QStringLiteral("/home/u/work"),
                       [&c](const QString&) { return c.writable; });
  EXPECT_EQ(chosen, c.chosen);
}

INSTANTIATE_TEST_SUITE_P(Folders, ChooseDataFolderTest,
                         ::testing::Values(FolderCase{"/home/u/talvix/", true, "/home/u/talvix"},
                                           FolderCase{"/home/u/talvix", false, "/home/u/work"},
                                           FolderCase{"/usr/bin", true, "/home/u/work"},
                                           FolderCase{"/opt/talvix/bin", true, "/home/u/work"},
                                           FolderCase{"/sbin", true, "/home/u/work"},
                                           FolderCase{"/usrdata/talvix", true, "/usrdata/talvix"},
                                           FolderCase{"", true, "/home/u/work"}));

}  // namespace
}  // namespace talvix::common
