// SPDX-License-Identifier: MIT
#include "platform/usb_card_ids.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::platform {
namespace {

const UsbCardIds kFromOption{0x1111, 0x0001, 0x0002};
const UsbCardIds kFromEnvironment{0x2222, 0x0001, 0x0002};
const UsbCardIds kFromUserFile{0x3333, 0x0001, std::nullopt};
const UsbCardIds kFromSystemFile{0x4444, std::nullopt, 0x0002};

class UsbCardIdsSourcesTest : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& text) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    return path;
  }
  QStringList Files() {
    return {Write("user.conf", "# the bench's cards\nvendor = 3333\npellow = 0x1\n"),
            Write("system.conf", "VENDOR=4444\n\nquarn = 0002  # the older card\n")};
  }
  QTemporaryDir dir_;
};

// Each source overrides every one below it: the option, the environment, the user's file, the
// system's file.
TEST_F(UsbCardIdsSourcesTest, TheFirstSourcePresentDecides) {
  const QStringList files = Files();
  EXPECT_EQ(ResolveUsbCardIds("1111:1,2", "2222:1,2", files).ids, kFromOption);
  EXPECT_EQ(ResolveUsbCardIds(std::nullopt, "2222:0001,0002", files).ids, kFromEnvironment);
  const UsbCardIdsSetting user = ResolveUsbCardIds(std::nullopt, std::nullopt, files);
  EXPECT_EQ(user.ids, kFromUserFile);
  EXPECT_EQ(user.source, files[0]);
  EXPECT_EQ(ResolveUsbCardIds(std::nullopt, std::nullopt, {dir_.filePath("none"), files[1]}).ids,
            kFromSystemFile);
  const UsbCardIdsSetting nothing = ResolveUsbCardIds(std::nullopt, std::nullopt, {});
  EXPECT_FALSE(nothing.ids);
  EXPECT_TRUE(nothing.problem.isEmpty());
  EXPECT_TRUE(NoUsbCardIdsText(nothing).contains("lsusb"));
}

// A malformed source is refused, named with its line, and the sources below it are not tried.
TEST_F(UsbCardIdsSourcesTest, AMalformedSourceIsRefusedWithItsLine) {
  const QStringList files = Files();
  const QString bad = Write("bad.conf", "vendor = 3333\npellow = b2o3\n");
  const UsbCardIdsSetting from_file =
      ResolveUsbCardIds(std::nullopt, std::nullopt, {bad, files[1]});
  EXPECT_FALSE(from_file.ids);
  EXPECT_EQ(from_file.problem, bad +
                                   ": line 2: the pellow id \"b2o3\" is not a USB id: give 1 to 4 "
                                   "hexadecimal digits");
  EXPECT_TRUE(NoUsbCardIdsText(from_file).contains(from_file.problem));

  const UsbCardIdsSetting from_environment = ResolveUsbCardIds(std::nullopt, "", files);
  EXPECT_FALSE(from_environment.ids);
  EXPECT_TRUE(from_environment.problem.startsWith("TALVIX_USB_IDS: "))
      << from_environment.problem.toStdString();
}

struct Malformed {
  const char* text;
  const char* problem;
};

class MalformedUsbCardsFileTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedUsbCardsFileTest, NamesTheLine) {
  QString error;
  EXPECT_FALSE(ParseUsbCardsFile(QString::fromLatin1(GetParam().text), error));
  EXPECT_EQ(error, QString::fromLatin1(GetParam().problem));
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedUsbCardsFileTest,
    ::testing::Values(
        Malformed{"vendor = 3333\nvendor = 3334\npellow = 1\n", "line 2: vendor is given twice"},
        Malformed{"\n\nvendor 3333\n", "line 3: \"vendor 3333\" is not of the form key = id"},
        Malformed{"vendor = 3333\nproduct = 1\n",
                  "line 2: unknown key \"product\": use vendor, pellow or quarn"},
        Malformed{"vendor = 12345\n",
                  "line 1: the vendor id \"12345\" is not a USB id: give 1 to 4 hexadecimal "
                  "digits"},
        Malformed{"pellow = 1\n", "no vendor line"},
        Malformed{"vendor = 3333\n", "no pellow or quarn line"}));

struct ValueCase {
  const char* text;
  std::optional<UsbCardIds> ids;
};

class UsbIdsValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(UsbIdsValueTest, ParsesOrRefuses) {
  QString error;
  const std::optional<UsbCardIds> ids =
      ParseUsbIdsValue(QString::fromLatin1(GetParam().text), error);
  EXPECT_EQ(ids, GetParam().ids);
  EXPECT_EQ(error.isEmpty(), GetParam().ids.has_value()) << error.toStdString();
  if (ids) {  // what the emulator hands its command reads back the same
    EXPECT_EQ(ParseUsbIdsValue(UsbIdsValueText(*ids), error), ids);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, UsbIdsValueTest,
    ::testing::Values(ValueCase{"1111:0001,0002", UsbCardIds{0x1111, 1, 2}},
                      ValueCase{" 0xABcd:1 ", UsbCardIds{0xABCD, 1, std::nullopt}},
                      ValueCase{"1111:,2", UsbCardIds{0x1111, std::nullopt, 2}},
                      ValueCase{"1111", std::nullopt}, ValueCase{"1111:", std::nullopt},
                      ValueCase{"1111:1,2,3", std::nullopt}, ValueCase{"xyz:1", std::nullopt},
                      ValueCase{"1111:1:2", std::nullopt}, ValueCase{"1111:10000", std::nullopt}));

}  // namespace
}  // namespace talvix::platform
