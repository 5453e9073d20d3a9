// SPDX-License-Identifier: MIT
// The main window's exit path and the configuration file it writes back: what the user chose is
// kept, a failed write is said (in a message, or on the standard error after a signal) and ends
// the program with status 1, and the old file survives it.
#include "app/frmForm1.h"

#include "link/delay.h"
#include "simbench/simulated_bench.h"
#include "startup/config_file.h"
#include "startup/start_up.h"
#include "startup/ui/frmUSBselect.h"
#include "support/file_faults.h"
#include "support/ui/startup_fixture.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <functional>
#include <vector>

namespace talvix::app {
namespace {

// Records the messages, and runs `during_message` while a message is "open".
class HookNotifier : public platform::RecordingNotifier {
 public:
  void Message(const QString& text, const QString& title) override {
    RecordingNotifier::Message(text, title);
    if (during_message) during_message();
  }
  std::function<void()> during_message;
};

// Collects what is written to the standard error while it lives, through a pipe (which no file
// size limit applies to).
class StandardErrorCapture {
 public:
  StandardErrorCapture() {
    if (::pipe2(pipe_, O_NONBLOCK) != 0) return;
    saved_ = ::dup(STDERR_FILENO);
    ::dup2(pipe_[1], STDERR_FILENO);
  }
  StandardErrorCapture(const StandardErrorCapture&) = delete;
  StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;
  ~StandardErrorCapture() { Text(); }
  // Ends the capture and returns what was written.
  QString Text() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      ::dup2(saved_, STDERR_FILENO);
      ::close(saved_);
      saved_ = -1;
      ::close(pipe_[1]);
      char buffer[4096];
      ssize_t got = 0;
      while ((got = ::read(pipe_[0], buffer, sizeof buffer)) > 0) text_.append(buffer, got);
      ::close(pipe_[0]);
    }
    return QString::fromLocal8Bit(text_);
  }

 private:
  int pipe_[2] = {-1, -1};
  int saved_ = -1;
  QByteArray text_;
};

class ExitPathTest : public ::testing::Test {
 protected:
  ExitPathTest()
      : bench(clock,
              {.seed = 7, .end_program = [this](int status) { exit_statuses.push_back(status); }}),
        session(bench.MakeSession(notifier, events, std::make_unique<link::RecordingDelay>(clock))),
        config_path(dir.filePath(startup::kConfigFileName)),
        window(*session, config_path) {
    session->startup.OsName = QStringLiteral("Linux");
  }
  void PutConfig(const QByteArray& text) {
    QFile file(config_path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QAction* Item(const char* name) { return window.findChild<QAction*>(name); }

  QTemporaryDir dir;
  platform::ManualClock clock;
  HookNotifier notifier;
  platform::CallbackEventPump events;
  std::vector<int> exit_statuses;
  simbench::SimulatedBench bench;
  std::unique_ptr<Session> session;
  QString config_path;
  frmForm1 window;
};

TEST_F(ExitPathTest, AUsbCardThatCannotBeBroughtUpStaysTheConfiguredInterface) {
  const QByteArray saved = "Interface = 2\nPort Address = 888\nFactory = 4\n";
  PutConfig(saved);
  bench.usb.RemoveCard(0);  // no card attached: the scan says so, and no selection window opens
  startup::StartUp(*session, config_path);
  window.Form_Load();
  ASSERT_EQ(session->link.InterfaceType, link::kInterfaceNone);  // not in service in this run
  window.MnuExit_Click();
  EXPECT_EQ(test::Contents(config_path), saved);
  EXPECT_EQ(exit_statuses, std::vector<int>{0});
}

TEST_F(ExitPathTest, NonePickedOverAPresentCardIsWrittenBackAsNone) {
  PutConfig("Interface = 2\nPort Address = 888\nFactory = 4\n");
  startup::StartUp(*session, config_path);
  window.Form_Load();
  ASSERT_EQ(session->link.InterfaceType, link::kInterfaceUsb);
  test::WhenDialogShows<startup::frmUSBselect>([](startup::frmUSBselect* usb) {
    usb->findChild<QRadioButton*>("optUsbPort4")->click();
    usb->findChild<QPushButton*>("cmdExit")->click();
  });
  Item("mnuUsb")->trigger();
  window.MnuExit_Click();
  EXPECT_EQ(test::Contents(config_path), "Interface = 0\nPort Address = 888\nFactory = 4\n");
}

TEST_F(ExitPathTest, AConfigurationThatCannotBeReadIsReportedAtStartAndLeftAsItIs) {
  ASSERT_TRUE(QDir().mkdir(config_path));
  startup::StartUp(*session, config_path);
  ASSERT_EQ(notifier.texts.size(), 1);
  EXPECT_TRUE(notifier.texts[0].contains(QFileInfo(config_path).absoluteFilePath()))
      << notifier.texts[0].toStdString();
  window.MnuExit_Click();
  EXPECT_EQ(notifier.texts.size(), 1) << "nothing more to say at exit";
  EXPECT_TRUE(QFileInfo(config_path).isDir());
  EXPECT_EQ(exit_statuses, std::vector<int>{0});
}

// On a full disk both ways out keep the old file and end with status 1; only the menu's way may
// wait for the user.
class FullDiskExitTest : public ExitPathTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FullDiskExitTest, KeepsTheOldFileSaysWhyAndEndsWithStatusOne) {
  const bool on_signal = GetParam();
  const QByteArray saved = "Interface = 1\nPort Address = 888\nFactory = 4\n";
  PutConfig(saved);
  startup::StartUp(*session, config_path);
  session->startup.configured_interface = link::kInterfaceUsb;  // a change to write back
  StandardErrorCapture standard_error;
  {
    const test::FileSizeLimit full(16);
    if (on_signal) {
      window.ExitOnSignal();
    } else {
      window.MnuExit_Click();
    }
  }
  const QString printed = standard_error.Text();
  EXPECT_EQ(test::Contents(config_path), saved);
  EXPECT_EQ(exit_statuses, std::vector<int>{1});
  const QString said = on_signal ? printed : notifier.texts.value(0);
  EXPECT_TRUE(said.contains(QFileInfo(config_path).absoluteFilePath())) << said.toStdString();
  EXPECT_TRUE(said.contains("File too large")) << said.toStdString();
  EXPECT_EQ(notifier.texts.isEmpty(), on_signal) << "no message box waits after a signal";
}

INSTANTIATE_TEST_SUITE_P(Ways, FullDiskExitTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Signal" : "ExitMenu";
                         });

TEST_F(ExitPathTest, ASignalWhileTheFailureIsShownEndsAtOnceWithStatusOne) {
  PutConfig("Interface = 1\n");
  startup::StartUp(*session, config_path);
  std::vector<int> ended_during_message;
  notifier.during_message = [&] {
    window.ExitOnSignal();
    ended_during_message = exit_statuses;
  };
  StandardErrorCapture standard_error;
  {
    const test::FileSizeLimit full(4);
    window.MnuExit_Click();
  }
  EXPECT_EQ(ended_during_message, std::vector<int>{1});
  EXPECT_TRUE(standard_error.Text().contains(startup::kConfigFileName));
}

}  // namespace
}  // namespace talvix::app
