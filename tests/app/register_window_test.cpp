// SPDX-License-Identifier: MIT
// The register window is hidden, not closed, by Close Window: the next opening from the Registers
// menu shows the same listing and the same chosen register.
#include "app/frmForm1.h"
#include "regaccess/ui/frmManualReg.h"
#include "registers/register_index.h"
#include "support/ui/startup_fixture.h"
#include "support/ui/window_probe.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace talvix::app {
namespace {

using regaccess::frmManualReg;

class RegisterWindowTest : public ::testing::Test, public test::StartupFixture {
 protected:
  RegisterWindowTest() : window(*session, dir.filePath("CommPort.cfg")) {
    session->link.InterfaceType = link::kInterfaceUsb;
    session->startup.configured_interface = link::kInterfaceUsb;
    window.Form_Load();
  }
  // Opens the register window from the menu and runs `action` in it while it is shown.
  void OpenRegisters(std::function<void(frmManualReg*)> action) {
    test::WhenDialogShows<frmManualReg>(std::move(action));
    window.findChild<QAction*>("mnuRegisters")->trigger();
  }
  template <typename T>
  static T* In(frmManualReg* registers, const char* name) {
    return test::Control<T>(registers, QString::fromLatin1(name));
  }

  QTemporaryDir dir;
  frmForm1 window;
};

TEST_F(RegisterWindowTest, KeepsItsListingAndRegisterAcrossCloseWindow) {
  QString listing;
  OpenRegisters([&](frmManualReg* registers) {
    In<QComboBox>(registers, "cmboRegister")->setCurrentIndex(registers::kSmplPrd);
    In<QPushButton>(registers, "cmdRead")->click();
    In<QPushButton>(registers, "cmdReadUserReg")->click();
    listing = In<QPlainTextEdit>(registers, "txtUserReg")->toPlainText();
    In<QPushButton>(registers, "cmdClose")->click();
  });
  ASSERT_FALSE(listing.isEmpty()) << notifier.texts.join('|').toStdString();

  bool shown = false;
  OpenRegisters([&](frmManualReg* registers) {
    shown = true;
    EXPECT_EQ(In<QPlainTextEdit>(registers, "txtUserReg")->toPlainText(), listing);
    EXPECT_EQ(In<QComboBox>(registers, "cmboRegister")->currentIndex(), registers::kSmplPrd);
    EXPECT_FALSE(In<QLineEdit>(registers, "txtRead")->text().isEmpty());
    // What was read belongs to the register it was read from.
    In<QComboBox>(registers, "cmboRegister")->setCurrentIndex(registers::kAuxDac);
    EXPECT_TRUE(In<QLineEdit>(registers, "txtRead")->text().isEmpty());
    EXPECT_TRUE(In<QLineEdit>(registers, "txtRegVal")->text().isEmpty());
    registers->reject();  // Escape: hidden like Close Window
  });
  EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace talvix::app
