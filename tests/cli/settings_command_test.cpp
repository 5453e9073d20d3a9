// SPDX-License-Identifier: MIT
// talvix-cli settings save / load on the simulated sensor, checked over the frames it saw.
#include "cli/settings_command.h"

#include "cli/cli_app.h"
#include "registers/register_index.h"
#include "sim/sensor_register_map.h"
#include "support/sim_session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <utility>
#include <vector>

namespace talvix::cli {
namespace {

using registers::RegisterIndex;

struct CommandRun {
  int status = -1;
  QString out;
  QString error;
};

CommandRun Settings(Session& session, const QStringList& operands) {
  CommandRun run;
  QTextStream out(&run.out);
  run.status = RunSettingsCommand(operands, session, out, run.error);
  out.flush();
  return run;
}

// What the sensor saw: each register write as (byte address, word), in order, and the word each
// register address last answered to a read.
struct Traffic {
  std::vector<std::pair<int, uint16_t>> writes;
  std::map<int, uint16_t> last_answer;
};

Traffic TrafficOf(const std::vector<sim::TracedFrame>& frames) {
  Traffic traffic;
  for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
    const uint16_t sent = frames[i].sent;
    const int address = (sent >> 8) & 0x7F;
    if ((sent & 0x8000) == 0) {
      // A read is answered during the next frame, which carries nothing of its own.
      traffic.last_answer[address] = frames[i + 1].answered;
      ++i;
      continue;
    }
    const uint16_t next = frames[i + 1].sent;
    const bool key_code = address == 0x50;  // lower byte first
    const int second = key_code ? address + 1 : address - 1;
    if ((next & 0x8000) != 0 && ((next >> 8) & 0x7F) == second) {
      const uint16_t first_byte = sent & 0xFF;
      const uint16_t second_byte = next & 0xFF;
      const int even = address & 0x7E;
      traffic.writes.push_back(
          {even, static_cast<uint16_t>(key_code ? second_byte << 8 | first_byte
                                                : first_byte << 8 | second_byte)});
      ++i;
    }
  }
  return traffic;
}

int AddressOf(RegisterIndex index) {
  return sim::AddressOf(index);
}

class SettingsCommandTest : public ::testing::Test {
 protected:
  SettingsCommandTest() {
    // A configuration unlike the sensor's factory one, for every settings register.
    for (const auto& [index, word] :
         std::vector<std::pair<RegisterIndex, uint16_t>>{{registers::kXAcclNull, 0xFFFF},
                                                         {registers::kYAcclNull, 0x0021},
                                                         {registers::kXAccScale, 0x0812},
                                                         {registers::kYAccScale, 0x07F0},
                                                         {registers::kAlmMag1, 0x81F4},
                                                         {registers::kAlmMag2, 0x0123},
                                                         {registers::kAlmCtrl, 0x5206},
                                                         {registers::kAuxDac, 0x07FF},
                                                         {registers::kGpioCtrl, 0x0101},
                                                         {registers::kMiscCtrl, 0x0007},
                                                         {registers::kSmplPrd, 0x0083},
                                                         {registers::kCaptCfg, 0x922A}}) {
      sim.Write(index, word);
    }
  }

  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  QByteArray Saved() {
    const CommandRun save = Settings(*sim.session, {"save", Path("saved.json")});
    EXPECT_EQ(save.status, kExitOk) << save.error.toStdString();
    QFile file(Path("saved.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
  }

  QTemporaryDir dir;
  test::SimSession sim;
};

TEST_F(SettingsCommandTest, LoadRestoresChangedRegistersInAnOrderWithoutFalseAlarms) {
  Saved();
  sim.Write(registers::kXAcclNull, 0x0010);
  sim.Write(registers::kSmplPrd, 0x0001);
  sim.Write(registers::kAlmCtrl, 0x0000);
  sim.sensor.trace().Clear();

  const CommandRun load = Settings(*sim.session, {"load", Path("saved.json")});
  ASSERT_EQ(load.status, kExitOk) << load.error.toStdString();
  EXPECT_TRUE(load.out.contains("XACCL_NULL\t0010\tFFFF\t")) << load.out.toStdString();

  const Traffic traffic = TrafficOf(sim.sensor.trace().frames());
  // Alarms off first, their sources back last; the DAC told to take its code after AUX_DAC.
  const std::vector<std::pair<int, uint16_t>> expected = {
      {AddressOf(registers::kAlmCtrl), 0x0006},   {AddressOf(registers::kGpioCtrl), 0x0101},
      {AddressOf(registers::kMiscCtrl), 0x0007},  {AddressOf(registers::kXAcclNull), 0xFFFF},
      {AddressOf(registers::kYAcclNull), 0x0021}, {AddressOf(registers::kXAccScale), 0x0812},
      {AddressOf(registers::kYAccScale), 0x07F0}, {AddressOf(registers::kSmplPrd), 0x0083},
      {AddressOf(registers::kAuxDac), 0x07FF},    {AddressOf(registers::kCommand), 0x0004},
      {AddressOf(registers::kCaptCfg), 0x922A},   {AddressOf(registers::kAlmMag1), 0x81F4},
      {AddressOf(registers::kAlmMag2), 0x0123},   {AddressOf(registers::kAlmCtrl), 0x5206}};
  EXPECT_EQ(traffic.writes, expected);
  // Read back: every register answers the word it was saved with.
  for (const auto& [address, word] : expected) {
    if (address == AddressOf(registers::kCommand)) continue;
    ASSERT_TRUE(traffic.last_answer.count(address)) << address;
    EXPECT_EQ(traffic.last_answer.at(address),
              address == AddressOf(registers::kAlmCtrl) ? 0x5206 : word)
        << "address " << address;
  }
}

struct BadEntry {
  const char* name;
  int line;  // of the saved file, from 1
  const char* from;
  const char* to;  // nullptr: the line is emptied
  const char* reported;
};

void PrintTo(const BadEntry& bad, std::ostream* os) {
  *os << bad.name;
}

class BadEntryTest : public SettingsCommandTest, public ::testing::WithParamInterface<BadEntry> {};

TEST_P(BadEntryTest, IsReportedWithItsLineAndNothingIsSent) {
  const BadEntry& bad = GetParam();
  QList<QByteArray> lines = Saved().split('\n');
  QByteArray& line = lines[bad.line - 1];
  ASSERT_TRUE(line.contains(bad.from)) << line.toStdString();
  if (bad.to == nullptr) {
    line.clear();  // the whole entry goes
  } else {
    line.replace(bad.from, bad.to);
  }
  QFile file(Path("bad.json"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(lines.join('\n'));
  file.close();
  sim.sensor.trace().Clear();

  for (const char* dry_run : {"--dry-run", ""}) {
    QStringList operands = {"load", Path("bad.json")};
    if (*dry_run != '\0') operands << dry_run;
    const CommandRun load = Settings(*sim.session, operands);
    EXPECT_EQ(load.status, kExitUsage);
    EXPECT_TRUE(load.error.contains(bad.reported)) << load.error.toStdString();
    EXPECT_TRUE(load.error.contains("Nothing was sent")) << load.error.toStdString();
    EXPECT_TRUE(load.out.isEmpty()) << load.out.toStdString();
  }
  EXPECT_TRUE(sim.sensor.trace().frames().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BadEntryTest,
    ::testing::Values(
        BadEntry{"UnknownLabel", 8, "YACC_SCALE", "ZACC_SCALE", "line 8: ZACC_SCALE: unknown"},
        BadEntry{"ReadOnly", 5, "XACCL_NULL", "XACCL", "line 5: XACCL: a read-only register"},
        BadEntry{"NotASetting", 12, "AUX_DAC", "SLP_CNT", "line 12: SLP_CNT: not a setting"},
        BadEntry{"EightBitsExceeded", 15, "\"0083\"", "\"0183\"",
                 "line 15: SMPL_PRD: value out of range"},
        BadEntry{"TwelveBitSignedExceeded", 5, "\"FFFF\"", "\"0800\"",
                 "line 5: XACCL_NULL: value out of range"},
        BadEntry{"CaptureArmed", 11, "\"5206\"", "\"5216\"",
                 "line 11: ALM_CTRL: value out of range"},
        BadEntry{"NoSuchSource", 16, "\"922A\"", "\"A22A\"",
                 "line 16: CAPT_CFG: value out of range"},
        BadEntry{"FiveDigits", 13, "\"0101\"", "\"00101\"", "line 13: GPIO_CTRL: \"word\" must be"},
        BadEntry{"WordAsNumber", 13, "\"0101\"", "101", "line 13: GPIO_CTRL: \"word\" must be"},
        BadEntry{"Duplicate", 6, "YACCL_NULL", "XACCL_NULL",
                 "line 6: XACCL_NULL: given twice (first at line 5)"},
        BadEntry{"ValueEditedAlone", 12, "\"1.2496947 V\"", "\"2.0 V\"",
                 "line 12: AUX_DAC: \"value\" says \"2.0 V\""},
        BadEntry{"UnknownField", 9, "\"value\"", "\"valeu\"", "line 9: ALM_MAG1: unknown field"},
        BadEntry{"Missing", 13, "GPIO_CTRL", nullptr, "no entry for GPIO_CTRL"},
        BadEntry{"NoLabel", 14, "{\"label\": \"MISC_CTRL\"",
                 "{\"x\": 0} , {\"label\": \"MISC_CTRL\"", "line 14: the entry has no \"label\""},
        BadEntry{"Truncated", 17, "]", "",
                 "line 19, column 1: not a settings file: unterminated array"}),
    [](const ::testing::TestParamInfo<BadEntry>& info) { return std::string(info.param.name); });

TEST_F(SettingsCommandTest, RegisterThatReadsBackDifferentlyIsNamedWithExitOne) {
  test::SimSession card(1, test::SimWiring::kUsbCard);
  const CommandRun save = Settings(*card.session, {"save", Path("card.json")});
  ASSERT_EQ(save.status, kExitOk) << save.error.toStdString();
  card.Write(registers::kSmplPrd, 0x0099);
  // A sensor that ignores writes to SMPL_PRD.
  const int smpl_prd = AddressOf(registers::kSmplPrd);
  card.usb.SetSpiWire([&card, smpl_prd](uint16_t sent) -> uint16_t {
    const bool write = (sent & 0x8000) != 0;
    if (write && ((sent >> 8) & 0x7E) == smpl_prd) return card.sensor.Transfer(0x0000);
    return card.sensor.Transfer(sent);
  });

  const CommandRun load = Settings(*card.session, {"load", Path("card.json")});
  EXPECT_EQ(load.status, kExitDeviceError);
  EXPECT_TRUE(load.error.contains("SMPL_PRD: wrote 0001, reads back 0099"))
      << load.error.toStdString();
  EXPECT_EQ(load.error.count(": wrote "), 1) << load.error.toStdString();
}

TEST_F(SettingsCommandTest, SaveWritesNoFileWhenAReadDoesNotReachTheSensor) {
  test::SimSession card(1, test::SimWiring::kUsbCard);
  QFile old(Path("keep.json"));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old contents\n");
  old.close();
  // The sensor stops answering after its fifth read.
  int reads = 0;
  card.usb.SetSpiWire([&card, &reads](uint16_t sent) -> uint16_t {
    if ((sent & 0x8000) == 0 && ++reads > 10) card.sensor.SetAnswering(false);
    return card.sensor.Transfer(sent);
  });

  const CommandRun save = Settings(*card.session, {"save", Path("keep.json")});
  EXPECT_EQ(save.status, kExitDeviceError);
  EXPECT_TRUE(save.error.contains("was not read, so the settings were not saved"))
      << save.error.toStdString();
  EXPECT_TRUE(save.out.isEmpty());
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "old contents\n");
}

TEST_F(SettingsCommandTest, CommandLineMistakesSendNothing) {
  sim.sensor.trace().Clear();
  for (const QStringList& operands :
       {QStringList{}, QStringList{"restore", "f.json"}, QStringList{"save"},
        QStringList{"load", "a.json", "b.json"}, QStringList{"save", "f.json", "--dry-run"},
        QStringList{"load", "--force", "f.json"}, QStringList{"save", dir.path()}}) {
    const CommandRun run = Settings(*sim.session, operands);
    EXPECT_EQ(run.status, kExitUsage) << operands.join(' ').toStdString();
    EXPECT_FALSE(run.error.isEmpty()) << operands.join(' ').toStdString();
  }
  EXPECT_TRUE(sim.sensor.trace().frames().empty());
}

}  // namespace
}  // namespace talvix::cli
