// SPDX-License-Identifier: MIT
// The fixture of the tool-window tests: a window on a simulated USB card whose SPI line goes to a
// register file, so the words the window loads from and the words its buttons write are exact.
// A test sets the words in `device`, opens the window and works its controls by their names.
#pragma once

#include "support/register_file_sensor.h"
#include "support/sim_session.h"
#include "support/ui/window_probe.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string_view>

namespace talvix::test {

template <typename Window>
class ToolWindowTest : public ::testing::Test {
 protected:
  ToolWindowTest() {
    // Every frame reaches the register file, so a silent sensor's frames are still counted.
    sim.usb.SetSpiWire([this](uint16_t sent) {
      const uint16_t answer = device.Transfer(sent);
      return AnswersAllOnes(sent) ? uint16_t{0xFFFF} : answer;
    });
  }

  // Whether the frame `sent`, which has just reached the register file, is answered with all
  // ones. A test whose sensor falls silent part-way overrides this.
  virtual bool AnswersAllOnes(uint16_t /*sent*/) { return !answering; }

  // Opens the window on the words in `device`; the test then sees only the frames that follow
  // the load.
  void Open() {
    window = std::make_unique<Window>(*sim.session);
    device.ClearSent();
  }

  template <typename T = QWidget>
  T* Find(std::string_view name) const {
    return Control<T>(window.get(), QString::fromUtf8(name.data(), std::ssize(name)));
  }
  // The text of an entry box or of a label.
  QString Text(std::string_view name) const {
    const QString object_name = QString::fromUtf8(name.data(), std::ssize(name));
    if (auto* box = window->template findChild<QLineEdit*>(object_name)) return box->text();
    return Find<QLabel>(name)->text();
  }
  void Type(std::string_view box, const QString& text) { Find<QLineEdit>(box)->setText(text); }
  // The entry a list shows.
  QString Shown(std::string_view list) const { return Find<QComboBox>(list)->currentText(); }
  void Pick(std::string_view list, const QString& text) {
    QComboBox* combo = Find<QComboBox>(list);
    const int position = combo->findText(text);
    ASSERT_GE(position, 0) << text.toStdString();
    combo->setCurrentIndex(position);
  }
  void Click(std::string_view name) { Find<QAbstractButton>(name)->click(); }
  bool Checked(std::string_view name) const { return Find<QAbstractButton>(name)->isChecked(); }
  bool Enabled(std::string_view name) const { return Find(name)->isEnabled(); }
  bool Visible(std::string_view name) const { return Find(name)->isVisibleTo(window.get()); }

  RegisterFileSensor device;
  bool answering = true;  // false: every frame is answered with all ones
  SimSession sim{1, SimWiring::kUsbCard};
  std::unique_ptr<Window> window;
};

// The messages of a window whose store button (`button`) is pressed on the simulated sensor of
// `sim`, whose flash file cannot be written: the sensor reports the failed store in STATUS.
template <typename Window>
QStringList FailedFlashStoreMessages(SimSession& sim, std::string_view button) {
  EXPECT_TRUE(sim.sensor.SetFlashFile(QTemporaryDir().filePath("gone/TalvixSimFlash.bin")));
  Window window(*sim.session);
  Control<QAbstractButton>(&window, QString::fromUtf8(button.data(), std::ssize(button)))->click();
  return sim.notifier.texts;
}

}  // namespace talvix::test
