// talvix-usb-emulator as a user runs it: its device list, and commands run under it as child
// processes that reach the emulated cards through their own, unmodified libusb.
#include "platform/usb_ids.h"
#include "usb_emulator/card_list.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace talvix::usb_emulator {
namespace {

TEST(CardListTest, ListsTheDevicesInOrder) {
  QString error;
  const auto devices = ParseCardList(QStringLiteral(" Pellow, quarn:64 ,foreign,OTHER:8"), error);
  ASSERT_TRUE(devices) << error.toStdString();
  ASSERT_EQ(devices->size(), 4u);
  EXPECT_EQ((*devices)[0].setup.product_id, platform::kPellowProductId);
  EXPECT_EQ((*devices)[0].setup.max_packet, 512);
  EXPECT_EQ((*devices)[1].setup.product_id, platform::kQuarnProductId);
  EXPECT_EQ((*devices)[1].setup.max_packet, 64);
  EXPECT_EQ((*devices)[2].setup.vendor_id, platform::kCardVendorId);
  EXPECT_EQ((*devices)[2].setup.product_id, kForeignProductId);
  EXPECT_EQ((*devices)[3].setup.vendor_id, kOtherVendorId);
  EXPECT_EQ((*devices)[3].setup.max_packet, 8);
  for (const EmulatedDevice& device : *devices) EXPECT_EQ(device.address, 0);

  const auto none = ParseCardList(QStringLiteral("none"), error);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
}

TEST(CardListTest, RejectsWhatItCannotBuild) {
  for (const char* list : {"", "pellow,", "pellow:100", "pellow:64:1", "pellow:", "ezusb",
                           "pellow,pellow,pellow,pellow,pellow"}) {
    QString error;
    EXPECT_FALSE(ParseCardList(QString::fromLatin1(list), error)) << list;
    EXPECT_FALSE(error.isEmpty()) << list;
  }
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const QString& path) {
  std::ifstream file(path.toStdString());
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs talvix-usb-emulator with `args` and waits for it. Without `preload`, it starts without
// umockdev's library, as from a shell, and has to bring it in itself.
Outcome RunEmulator(const std::vector<std::string>& args, bool preload = true) {
  QTemporaryDir dir;
  const QString out_path = dir.filePath(QStringLiteral("out"));
  const QString err_path = dir.filePath(QStringLiteral("err"));
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 1, out_path.toLocal8Bit().constData(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, 2, err_path.toLocal8Bit().constData(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);

  std::vector<std::string> words = {TALVIX_USB_EMULATOR_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<char*> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "UMOCKDEV_DIR=", 13) == 0) continue;
    if (!preload && std::strncmp(*entry, "LD_PRELOAD=", 11) == 0) continue;
    env.push_back(*entry);
  }
  env.push_back(nullptr);

  Outcome outcome;
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&files);
  if (rc != 0) {
    outcome.err = std::string("cannot start the emulator: ") + std::strerror(rc);
    return outcome;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  outcome.out = ReadFile(out_path);
  outcome.err = ReadFile(err_path);
  return outcome;
}

// talvix-cli's "read" lines: label, raw word, code, value.
std::vector<QStringList> Lines(const std::string& out) {
  std::vector<QStringList> lines;
  for (const QString& line : QString::fromStdString(out).split(u'\n', Qt::SkipEmptyParts)) {
    lines.push_back(line.split(u'\t'));
  }
  return lines;
}

TEST(UsbEmulatorToolTest, CliReadsTheSensorThroughTheRealLibusbPath) {
  const Outcome run = RunEmulator(
      {"--", TALVIX_CLI_PATH, "--interface", "usb:0", "read", "SUPPLY", "XACCL"}, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<QStringList> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  ASSERT_EQ(lines[0].size(), 4) << run.out;
  ASSERT_EQ(lines[1].size(), 4) << run.out;
  EXPECT_EQ(lines[0][0].trimmed(), "SUPPLY");
  EXPECT_NEAR(lines[0][3].toDouble(), 3.3, 0.3) << run.out;  // volts
  EXPECT_EQ(lines[1][0].trimmed(), "XACCL");
  EXPECT_NEAR(lines[1][3].toDouble(), 0.0, 1.5) << run.out;  // g, a slow tilt within +-0.8 g
}

TEST(UsbEmulatorToolTest, CardsAreNumberedInTheOrderGiven) {
  // "other" gets no name, the foreign product is Ezusb-0 but no card, the Quarn is Ezusb-1.
  const Outcome quarn = RunEmulator({"--cards", "other,foreign,quarn:64", "--", TALVIX_CLI_PATH,
                                     "--interface", "usb:1", "read", "SUPPLY"});
  EXPECT_EQ(quarn.status, 0) << quarn.err;
  EXPECT_EQ(Lines(quarn.out).size(), 1u) << quarn.out;
  const Outcome foreign = RunEmulator({"--cards", "other,foreign,quarn:64", "--", TALVIX_CLI_PATH,
                                       "--interface", "usb:0", "read", "SUPPLY"});
  EXPECT_EQ(foreign.status, 1) << foreign.err;
  EXPECT_TRUE(foreign.out.empty()) << foreign.out;
}

TEST(UsbEmulatorToolTest, EndsWithTheCommandsStatus) {
  EXPECT_EQ(RunEmulator({"--", "sh", "-c", "exit 7"}).status, 7);
  EXPECT_EQ(RunEmulator({"--cards", "none", "sh", "-c", "exit 0"}).status, 0);
  EXPECT_EQ(RunEmulator({"--", "sh", "-c", "kill -TERM $$"}).status, 128 + SIGTERM);
  EXPECT_EQ(RunEmulator({"--", "talvix-no-such-command"}).status, 127);
  const Outcome bad_list = RunEmulator({"--cards", "pellow:100", "--", "true"});
  EXPECT_EQ(bad_list.status, 2);
  EXPECT_NE(bad_list.err.find("\"100\""), std::string::npos) << bad_list.err;
  EXPECT_EQ(RunEmulator({"--cards", "pellow"}).status, 2);  // no command
}

}  // namespace
}  // namespace talvix::usb_emulator
