// SPDX-License-Identifier: MIT
// Save Settings... and Load Settings... of the Device Configuration menu on the simulated sensor:
// the file the one writes, the other restores; a bad file sends nothing.
#include "app/frmForm1.h"

#include "common/message_titles.h"
#include "regaccess/ui/settings_file_actions.h"
#include "registers/register_index.h"
#include "support/ui/startup_fixture.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::app {
namespace {

class SettingsMenuTest : public ::testing::Test, public test::StartupFixture {
 protected:
  SettingsMenuTest() : window(*session, dir.filePath("CommPort.cfg")) {
    session->link.InterfaceType = link::kInterfaceUsb;
    session->startup.configured_interface = link::kInterfaceUsb;
    window.Form_Load();
    session->data_folder = dir.path();
    // The dialogs answer with the path offered in the data folder, and note what they offered.
    const auto answer = [this](const QString&, const QString& suggested, const QString&) {
      offered = suggested;
      return dir.filePath(regaccess::SettingsFileActions::SuggestedFileName());
    };
    window.settings_files()->ask_save_path = answer;
    window.settings_files()->ask_open_path = answer;
    notifier.texts.clear();
    notifier.titles.clear();
  }

  void Trigger(const char* item) {
    window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
  }
  uint16_t Word(int16_t index) {
    session->link.ReadReg(index);
    return static_cast<uint16_t>(session->link.RegRaw & 0xFFFF);
  }
  void Write(int16_t index, uint16_t word) { session->link.WriteReg(index, word); }

  QTemporaryDir dir;
  frmForm1 window;
  QString offered;
};

TEST_F(SettingsMenuTest, SavedFileLoadsBackWhatWasChanged) {
  Write(registers::kYAcclNull, 0xFFE0);
  Write(registers::kCaptCfg, 0x322A);
  Trigger("mnuSaveSettings");
  EXPECT_EQ(offered, dir.filePath(regaccess::SettingsFileActions::SuggestedFileName()));
  ASSERT_EQ(notifier.titles.value(0), common::MessageTitle())
      << notifier.texts.join('\n').toStdString();

  Write(registers::kYAcclNull, 0x0005);
  Write(registers::kCaptCfg, 0x0000);
  Write(registers::kAuxDac, 0x0123);
  Trigger("mnuLoadSettings");
  EXPECT_EQ(offered, dir.path());
  EXPECT_EQ(Word(registers::kYAcclNull), 0xFFE0);
  EXPECT_EQ(Word(registers::kCaptCfg), 0x322A);
  EXPECT_EQ(Word(registers::kAuxDac), 0x0000);
  ASSERT_EQ(notifier.texts.size(), 2);
  EXPECT_EQ(notifier.titles[1], common::MessageTitle());
  const QString summary = notifier.texts[1];
  EXPECT_TRUE(summary.contains("3 changed")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("YACCL_NULL: 0005 -> FFE0")) << summary.toStdString();
  EXPECT_TRUE(summary.contains("Every register reads back as written")) << summary.toStdString();
}

TEST_F(SettingsMenuTest, BadFileIsRefusedWithItsProblemsAndNothingIsSent) {
  QFile file(dir.filePath(regaccess::SettingsFileActions::SuggestedFileName()));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(
      "{\"format\": \"talvix-settings\", \"version\": 1, \"registers\": [\n"
      "  {\"label\": \"STATUS\", \"word\": \"0000\"}\n]}\n");
  file.close();
  rig.sensor.trace().Clear();

  Trigger("mnuLoadSettings");
  EXPECT_TRUE(rig.sensor.trace().frames().empty());
  ASSERT_EQ(notifier.texts.size(), 1);
  EXPECT_EQ(notifier.titles[0], common::ErrorTitle());
  EXPECT_TRUE(notifier.texts[0].contains("line 2: STATUS: a read-only register"))
      << notifier.texts[0].toStdString();
  EXPECT_TRUE(notifier.texts[0].contains("Nothing was sent")) << notifier.texts[0].toStdString();
}

TEST_F(SettingsMenuTest, WithoutAnInterfaceNeitherItemAsksForAFile) {
  session->link.InterfaceType = link::kInterfaceNone;
  offered = QStringLiteral("not asked");
  for (const char* item : {"mnuSaveSettings", "mnuLoadSettings"}) Trigger(item);
  EXPECT_EQ(offered, "not asked");
  EXPECT_EQ(notifier.texts,
            QStringList({"Please select an interface first", "Please select an interface first"}));
}

}  // namespace
}  // namespace talvix::app
