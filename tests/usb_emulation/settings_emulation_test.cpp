// SPDX-License-Identifier: MIT
// talvix-cli settings save and load on the real libusb path: the commands run one after the other
// under talvix-usb-emulator, whose simulated sensor keeps its registers between them.
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

QString ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Runs `script` with /bin/sh under the emulator, with the CLI's path as $1 and `dir` as $2.
// Returns the emulator's exit status (the script's), or -1 when it could not be run.
int RunUnderEmulator(const std::string& script, const QTemporaryDir& dir) {
  std::vector<std::string> words = {
      TALVIX_USB_EMULATOR_PATH, "--", "/bin/sh", "-c", script, "sh", TALVIX_CLI_PATH,
      dir.path().toStdString()};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string err = dir.filePath("emulator.err").toStdString();
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(SettingsEmulationTest, SaveChangeThreeLoadRestoresThemThroughTheCard) {
  QTemporaryDir dir;
  const std::string script = R"(
cli="$1"; d="$2"
"$cli" --interface usb:0 write XACCL_NULL FFF0 && "$cli" --interface usb:0 write SMPL_PRD 83 &&
"$cli" --interface usb:0 settings save "$d/saved.json" > "$d/save.out" 2> "$d/save.err" &&
"$cli" --interface usb:0 write XACCL_NULL 0010 && "$cli" --interface usb:0 write SMPL_PRD 1 &&
"$cli" --interface usb:0 write AUX_DAC 123 &&
"$cli" --interface usb:0 settings load "$d/saved.json" > "$d/load.out" 2> "$d/load.err" &&
"$cli" --interface usb:0 read XACCL_NULL SMPL_PRD AUX_DAC > "$d/read.out" || exit 9
sed 's/"0083"/"0183"/' "$d/saved.json" > "$d/bad.json"
"$cli" --interface usb:0 settings load "$d/bad.json" > "$d/bad.out" 2> "$d/bad.err"
echo $? > "$d/bad.status"
)";
  ASSERT_EQ(RunUnderEmulator(script, dir), 0)
      << ReadText(dir.filePath("emulator.err")).toStdString()
      << ReadText(dir.filePath("save.err")).toStdString()
      << ReadText(dir.filePath("load.err")).toStdString();

  const QString load = ReadText(dir.filePath("load.out"));
  for (const char* line :
       {"XACCL_NULL\t0010\tFFF0\t", "SMPL_PRD\t0001\t0083\t", "AUX_DAC\t0123\t0000\t"}) {
    EXPECT_TRUE(load.contains(QString::fromLatin1(line))) << load.toStdString();
  }
  // The next process reads back what the file held.
  QStringList words;
  for (const QString& row : ReadText(dir.filePath("read.out")).split(u'\n', Qt::SkipEmptyParts)) {
    words << row.section(u'\t', 0, 1);
  }
  EXPECT_EQ(words, QStringList({"XACCL_NULL\tFFF0", "SMPL_PRD\t0083", "AUX_DAC\t0000"}));

  EXPECT_EQ(ReadText(dir.filePath("bad.status")).trimmed(), "2");
  EXPECT_TRUE(ReadText(dir.filePath("bad.out")).isEmpty());
  const QString bad = ReadText(dir.filePath("bad.err"));
  EXPECT_TRUE(bad.contains("SMPL_PRD: value out of range")) << bad.toStdString();
  EXPECT_TRUE(bad.contains("Nothing was sent")) << bad.toStdString();
}

}  // namespace
