// SPDX-License-Identifier: MIT
// talvix-usb-emulator as a user runs it: its device list, and commands run under it as child
// processes that reach the emulated cards through their own, unmodified libusb.
#include "sim/placeholder_usb_ids.h"
#include "usb_emulator/card_list.h"
#include "usb_emulator/fault_plan.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <ostream>
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
  EXPECT_EQ((*devices)[0].setup.product_id, sim::kPlaceholderPellowProductId);
  EXPECT_EQ((*devices)[0].setup.max_packet, 512);
  EXPECT_EQ((*devices)[1].setup.product_id, sim::kPlaceholderQuarnProductId);
  EXPECT_EQ((*devices)[1].setup.max_packet, 64);
  EXPECT_EQ((*devices)[2].setup.vendor_id, sim::kPlaceholderVendorId);
  EXPECT_EQ((*devices)[2].setup.product_id, sim::kPlaceholderForeignProductId);
  EXPECT_EQ((*devices)[3].setup.vendor_id, sim::kPlaceholderOtherVendorId);
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

TEST(FaultPlanTest, ReadsKindAndCount) {
  struct Case {
    const char* text;
    FaultKind kind;
    uint32_t after;
  };
  for (const Case& c :
       {Case{"unplug@50", FaultKind::kUnplug, 50}, Case{"hang@0", FaultKind::kHang, 0},
        Case{"Stall@007", FaultKind::kStall, 7},
        Case{"unplug@4294967295", FaultKind::kUnplug, 4294967295u}}) {
    QString error;
    const std::optional<FaultPlan> plan = ParseFaultPlan(QString::fromLatin1(c.text), error);
    ASSERT_TRUE(plan) << c.text << ": " << error.toStdString();
    EXPECT_EQ(plan->kind, c.kind) << c.text;
    EXPECT_EQ(plan->after_transfers, c.after) << c.text;
  }
}

TEST(FaultPlanTest, RefusesAnythingElse) {
  for (const char* text : {"", "unplug", "unplug@", "@5", "melt@5", "unplug@-1", "unplug@+1",
                           "unplug@0x10", "unplug@ 5", "unplug@5 ", " unplug@5", "unplug@5x",
                           "unplug@4294967296", "unplug@5,hang@6", "unplug@\u0665"}) {
    QString error;
    EXPECT_FALSE(ParseFaultPlan(QString::fromUtf8(text), error)) << text;
    EXPECT_FALSE(error.isEmpty()) << text;
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
    // Nothing configured: the command finds the cards through the ids the emulator gives it.
    if (std::strncmp(*entry, "TALVIX_USB_IDS=", 15) == 0) continue;
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
  EXPECT_NE(foreign.err.find("no USB SPI card at Ezusb-0; found Ezusb-1 (Quarn)"),
            std::string::npos)
      << foreign.err;
}

// Bring-up of the card in use: its board information (command and answer), then its static
// bits and its delay between words. Each other card costs its board information; each read, its
// command and its answer.
constexpr int kBringUpTransfers = 4;
constexpr int kBoardInfoTransfers = 2;
constexpr int kTransfersPerRead = 2;

struct CardFault {
  const char* name;
  std::vector<std::string> emulator_args;
  const char* device;
  int transfers_before;  // bulk transfers of the bring-up and of other cards
  const char* libusb_error;
};

void PrintTo(const CardFault& fault, std::ostream* os) {
  *os << fault.name;
}

class CardFaultTest : public ::testing::TestWithParam<CardFault> {};

// A hundred reads, and the card fails at bulk transfer 51: the CLI prints the reads completed
// before it, nothing for the read it struck or after, and ends with status 1 and the cause.
TEST_P(CardFaultTest, CliPrintsOnlyTheRowsReadBeforeTheFault) {
  const CardFault& fault = GetParam();
  std::vector<std::string> args = fault.emulator_args;
  for (const char* word : {"--", TALVIX_CLI_PATH, "--interface", fault.device, "read"}) {
    args.push_back(word);
  }
  for (int i = 0; i < 100; ++i) args.push_back("SUPPLY");

  const Outcome run = RunEmulator(args);

  EXPECT_EQ(run.status, 1) << run.err;
  const std::vector<QStringList> rows = Lines(run.out);
  EXPECT_EQ(static_cast<int>(rows.size()), (50 - fault.transfers_before) / kTransfersPerRead)
      << run.out;
  for (const QStringList& row : rows) {
    ASSERT_EQ(row.size(), 4) << run.out;
    EXPECT_EQ(row[0], "SUPPLY");
    EXPECT_NEAR(row[3].toDouble(), 3.3, 0.3) << run.out;  // volts, as read: never an invented 0
  }
  const QString err = QString::fromStdString(run.err);
  EXPECT_EQ(err.count("talvix-cli: stopped at SUPPLY, which was not read: "), 1) << run.err;
  EXPECT_TRUE(err.contains(fault.libusb_error)) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CardFaultTest,
    ::testing::Values(
        CardFault{"Unplug",
                  {"--fault", "unplug@50"},
                  "usb:0",
                  kBringUpTransfers,
                  "LIBUSB_ERROR_NO_DEVICE"},
        CardFault{"Hang", {"--fault=hang@50"}, "usb:0", kBringUpTransfers, "LIBUSB_ERROR_TIMEOUT"},
        CardFault{
            "Stall", {"--fault", "stall@50"}, "usb:0", kBringUpTransfers, "LIBUSB_ERROR_PIPE"},
        // The count runs over all cards: the first card's board information comes first.
        CardFault{"UnplugSecondCard",
                  {"--cards", "pellow,quarn", "--fault", "unplug@50"},
                  "usb:1",
                  kBoardInfoTransfers + kBringUpTransfers,
                  "LIBUSB_ERROR_NO_DEVICE"}),
    [](const ::testing::TestParamInfo<CardFault>& info) { return info.param.name; });

TEST(UsbEmulatorToolTest, RefusesABadFaultWithItsUsage) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--fault", "melt@5", "--", "true"},
        std::vector<std::string>{"--fault", "unplug@-1", "--", "true"},
        std::vector<std::string>{"--fault=unplug", "--", "true"},
        std::vector<std::string>{"--fault", "unplug@1", "--fault", "hang@2", "--", "true"},
        std::vector<std::string>{"--fault"}}) {
    const Outcome run = RunEmulator(args);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_NE(run.err.find("--fault"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << run.err;
  }
  const Outcome help = RunEmulator({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--fault KIND@N"), std::string::npos) << help.out;
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
