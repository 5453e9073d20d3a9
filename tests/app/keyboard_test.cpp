// SPDX-License-Identifier: MIT
// The keyboard in every window: each button and menu item has a mnemonic of its own, Enter in an
// entry box applies that box's row and never closes the window, and boxes that correct themselves
// wait until the user has finished typing.
#include "about/ui/frmAbout.h"
#include "alarms/ui/frmAlarms.h"
#include "app/frmForm1.h"
#include "calibration/calibration_values.h"
#include "calibration/ui/fmCalibration.h"
#include "capture/ui/frmCapDisplay.h"
#include "capture/ui/frmCaptConfig.h"
#include "common/ui/mnemonic_text.h"
#include "datalog/ui/frmDatalog.h"
#include "monitor/ui/monitor_widget.h"
#include "operation/ui/frmOperationalControl.h"
#include "regaccess/ui/frmManualReg.h"
#include "registers/register_index.h"
#include "startup/ui/frmPort.h"
#include "startup/ui/frmUSBselect.h"
#include "support/sim_session.h"
#include "support/ui/startup_fixture.h"
#include "support/ui/window_probe.h"
#include "usbdebug/ui/frmUSBdebug.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace talvix::app {
namespace {

template <typename T>
std::unique_ptr<QWidget> Make(Session& session) {
  return std::make_unique<T>(session);
}

void Press(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
}

// What a user does to replace a box's number: select it all, Backspace, type, one key at a time.
void TypeOver(QLineEdit* box, const QString& text) {
  box->selectAll();
  Press(box, Qt::Key_Backspace);
  for (QChar c : text) Press(box, c.toUpper().unicode(), QString(c));
}

// Captions that one Alt+key press chooses among: a window's buttons with its menu bar, and each
// drop-down menu (a window of its own) by itself. Every button and menu item must have a
// mnemonic; other captions (labels of a box, check boxes, frames) take part when they have one.
struct Scope {
  QStringList required;
  QStringList optional;
};

QList<Scope> MnemonicScopes(const QWidget& window) {
  Scope top;
  for (const QPushButton* button : window.findChildren<QPushButton*>()) {
    top.required << button->text();
  }
  for (const QAbstractButton* box : window.findChildren<QAbstractButton*>()) {
    if (qobject_cast<const QPushButton*>(box) == nullptr) top.optional << box->text();
  }
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (label->buddy() != nullptr) top.optional << label->text();  // without one, "&" is shown
  }
  for (const QGroupBox* frame : window.findChildren<QGroupBox*>()) top.optional << frame->title();
  QList<Scope> scopes;
  for (const QMenuBar* bar : window.findChildren<QMenuBar*>()) {
    for (const QAction* action : bar->actions()) top.required << action->text();
  }
  scopes << top;
  for (const QMenu* menu : window.findChildren<QMenu*>()) {
    Scope items;
    for (const QAction* action : menu->actions()) {
      if (!action->isSeparator()) items.required << action->text();
    }
    scopes << items;
  }
  return scopes;
}

TEST(KeyboardTest, EveryButtonAndMenuItemHasAMnemonicOfItsOwnAndTakesTheFocusByTab) {
  test::StartupFixture bench;
  Session& session = *bench.session;
  QTemporaryDir dir;
  std::vector<std::unique_ptr<QWidget>> windows;
  windows.push_back(std::make_unique<frmForm1>(session, dir.filePath("CommPort.cfg")));
  windows.push_back(std::make_unique<startup::frmPort>(session));
  windows.push_back(std::make_unique<startup::frmUSBselect>(session));
  windows.push_back(std::make_unique<usbdebug::frmUSBdebug>(session));
  windows.push_back(std::make_unique<alarms::frmAlarms>(session));
  windows.push_back(std::make_unique<calibration::fmCalibration>(session));
  windows.push_back(std::make_unique<operation::frmOperationalControl>(session));
  windows.push_back(std::make_unique<regaccess::frmManualReg>(session));
  windows.push_back(std::make_unique<datalog::frmDatalog>(session));
  windows.push_back(std::make_unique<capture::frmCaptConfig>(session));
  windows.push_back(std::make_unique<capture::frmCapDisplay>(session, 0));
  windows.push_back(std::make_unique<about::frmAbout>(session));
  for (const auto& window : windows) {
    const std::string name = window->objectName().toStdString();
    for (const Scope& scope : MnemonicScopes(*window)) {
      QMap<QChar, QString> taken;
      const auto check = [&](const QString& caption, bool required) {
        const QChar key = common::MnemonicOf(caption);
        EXPECT_TRUE(!key.isNull() || !required || caption.isEmpty())
            << name << ": " << caption.toStdString();
        if (key.isNull()) return;
        EXPECT_FALSE(taken.contains(key))
            << name << ": " << caption.toStdString() << " and " << taken.value(key).toStdString();
        taken.insert(key, caption);
      };
      for (const QString& caption : scope.required) check(caption, true);
      for (const QString& caption : scope.optional) check(caption, false);
    }
    for (const QWidget* control : window->findChildren<QWidget*>()) {
      const auto* box = qobject_cast<const QLineEdit*>(control);
      if (qobject_cast<const QPushButton*>(control) == nullptr &&
          (box == nullptr || box->isReadOnly()))
        continue;
      EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus)
          << name << ": " << control->objectName().toStdString();
    }
  }
}

// Enter in a box of a tool window against a click on the box's Update button.
struct EnterCase {
  const char* name;
  std::function<std::unique_ptr<QWidget>(Session&)> open;
  const char* box;
  const char* button;
  const char* typed;
  int16_t written;  // the register the row writes
  std::function<void(QWidget&)> prepare = nullptr;
};

// Picks entry `position` in the list `name`.
std::function<void(QWidget&)> Pick(const char* name, int position) {
  return [name, position](QWidget& window) {
    test::Control<QComboBox>(&window, QString::fromLatin1(name))->setCurrentIndex(position);
  };
}

class EnterInAnEntryBoxTest : public ::testing::TestWithParam<EnterCase> {
 protected:
  // The register after the row is applied by a click or by Enter in the box, on a fresh sensor;
  // `open` tells whether the window is still open afterwards.
  static int32_t Applied(bool by_enter, bool& open) {
    const EnterCase& c = GetParam();
    test::SimSession sim;
    std::unique_ptr<QWidget> window = c.open(*sim.session);
    window->show();
    if (c.prepare) c.prepare(*window);
    auto* box = test::Control<QLineEdit>(window.get(), QString::fromLatin1(c.box));
    box->setFocus();
    box->setText(QString::fromLatin1(c.typed));
    if (by_enter) {
      Press(box, Qt::Key_Return);
    } else {
      test::Control<QPushButton>(window.get(), QString::fromLatin1(c.button))->click();
    }
    open = window->isVisible();
    return sim.Read(c.written);
  }
};

TEST_P(EnterInAnEntryBoxTest, AppliesTheRowAsItsUpdateDoesAndLeavesTheWindowOpen) {
  const int32_t before = test::SimSession().Read(GetParam().written);
  bool open_after_click = false;
  bool open_after_enter = false;
  const int32_t clicked = Applied(false, open_after_click);
  const int32_t entered = Applied(true, open_after_enter);
  ASSERT_NE(clicked, before) << "the typed value must change the register";
  EXPECT_EQ(entered, clicked);
  EXPECT_TRUE(open_after_enter);
}

INSTANTIATE_TEST_SUITE_P(
    ToolWindows, EnterInAnEntryBoxTest,
    ::testing::Values(
        EnterCase{"AlarmLevel1", Make<alarms::frmAlarms>, "txtLevel1", "cmdWiteA1", "0.5",
                  registers::kAlmMag1, Pick("cmboAsource1", 1)},
        EnterCase{"AlarmLevel2", Make<alarms::frmAlarms>, "txtLevel2", "cmdWriteA2", "-0.5",
                  registers::kAlmMag2, Pick("cmboAsource2", 2)},
        EnterCase{"SampleRate", Make<operation::frmOperationalControl>, "txtSampleRate",
                  "cmdWriteSmpl_prd", "100", registers::kSmplPrd},
        EnterCase{"DacVolts", Make<operation::frmOperationalControl>, "txtVolts", "cmdWriteAuxDac",
                  "1.25", registers::kAuxDac},
        EnterCase{"XOffset", Make<calibration::fmCalibration>, "txtXoffset", "cmdCal_Xoffset",
                  "0.5", calibration::TraitsOf(calibration::CalRow::kXOffset).index},
        EnterCase{"YScale", Make<calibration::fmCalibration>, "txtYscale", "cmdCal_Yscale", "1.1",
                  calibration::TraitsOf(calibration::CalRow::kYScale).index},
        EnterCase{"RegisterWrite", Make<regaccess::frmManualReg>, "txtDataWrite", "cmdWrite", "1F4",
                  registers::kAlmMag1, Pick("cmboRegister", registers::kAlmMag1)},
        EnterCase{"CaptureLevel1", Make<capture::frmCaptConfig>, "txtTrigLevelBuff1", "cmdTrig_Mag",
                  "0.5", registers::kAlmMag1, Pick("ComboSourceBuff1", 1)},
        EnterCase{"CaptureLevel2", Make<capture::frmCaptConfig>, "txtTrigLevelBuff2", "cmdTrig_Mag",
                  "-0.5", registers::kAlmMag2, Pick("ComboSourceBuff2", 2)}),
    [](const auto& info) { return std::string(info.param.name); });

// A box that corrects itself, cleared and typed over.
struct CorrectionCase {
  const char* name;
  std::function<std::unique_ptr<QWidget>(Session&)> open;
  const char* box;
  const char* typed;       // accepted as it is
  const char* when_empty;  // the correction of a box left empty
};

class CorrectionWhenEditingIsFinishedTest : public ::testing::TestWithParam<CorrectionCase> {};

TEST_P(CorrectionWhenEditingIsFinishedTest, KeepsWhatIsTypedAndCorrectsOnEnter) {
  const CorrectionCase& c = GetParam();
  test::SimSession sim;
  std::unique_ptr<QWidget> window = c.open(*sim.session);
  auto* box = test::Control<QLineEdit>(window.get(), QString::fromLatin1(c.box));
  TypeOver(box, QString::fromLatin1(c.typed));
  EXPECT_EQ(box->text(), c.typed);
  Press(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), c.typed);
  TypeOver(box, QString());
  Press(box, Qt::Key_Return);
  EXPECT_EQ(box->text(), c.when_empty);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CorrectionWhenEditingIsFinishedTest,
    ::testing::Values(
        CorrectionCase{"SamplesPerFile", Make<datalog::frmDatalog>, "txtSamplesPerFile", "100",
                       "1000"},
        CorrectionCase{"SampleDelay", Make<datalog::frmDatalog>, "txtSampleDelay", "25", "0"},
        CorrectionCase{"FilesPerSession", Make<datalog::frmDatalog>, "txtFilesPerSession", "12",
                       "1"},
        CorrectionCase{"PowerDown", Make<monitor::MonitorWidget>, "txtPowerDown", "12.5", "0.0"},
        CorrectionCase{"LoopDelay", Make<monitor::MonitorWidget>, "txtLoopDelay", "250", "0"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talvix::app
