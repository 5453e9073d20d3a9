// SPDX-License-Identifier: MIT
#include "sim/frame_trace.h"

#include "common/file_target.h"
#include "common/number_text.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace talvix::sim {

// Kept bounded so that a long simulated session does not grow without end; tests look at far
// fewer frames than this.
constexpr size_t kMaxKeptFrames = 1'000'000;

FrameTrace::FrameTrace() = default;

FrameTrace::~FrameTrace() {
  QString ignored;
  Flush(ignored);
}

void FrameTrace::Record(uint16_t sent, uint16_t answered, double at_seconds) {
  const TracedFrame frame{sent, answered};
  if (frames_.size() >= kMaxKeptFrames) {
    frames_.erase(frames_.begin(), frames_.begin() + kMaxKeptFrames / 2);
    times_.erase(times_.begin(), times_.begin() + kMaxKeptFrames / 2);
  }
  frames_.push_back(frame);
  times_.push_back(at_seconds);
  if (file_) file_->write((FormatLine(frame) + u'\n').toLatin1());
}

namespace {

QString CannotWrite(const QString& path, const QString& why) {
  return QStringLiteral("Cannot write the frame trace %1: %2").arg(path, why);
}

}  // namespace

QString FrameTrace::TargetProblem(const QString& path) {
  QString target;
  QString why;
  if (common::Resolve(path, target, why) == common::Target::kRefused) {
    return CannotWrite(path, why);
  }
  return {};
}

bool FrameTrace::WriteTo(const QString& path, QString& error) {
  QString target;
  QString why;
  if (common::Resolve(path, target, why) == common::Target::kRefused) {
    error = CannotWrite(path, why);
    return false;
  }
  // Non-blocking and not through a link: what Resolve found is opened, or nothing.
  const int fd = ::open(QFile::encodeName(target).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = CannotWrite(path, common::ErrorText(errno));
    return false;
  }
  auto file = std::make_unique<QFile>();
  if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    error = CannotWrite(path, file->errorString());
    return false;
  }
  file_ = std::move(file);
  return true;
}

bool FrameTrace::Flush(QString& error) {
  if (!file_) return true;
  if (!file_->flush() || file_->error() != QFileDevice::NoError) {
    error = QStringLiteral("Cannot write the frame trace %1: %2")
                .arg(file_->fileName(), file_->errorString());
    return false;
  }
  return true;
}

std::vector<uint16_t> FrameTrace::SentWords() const {
  std::vector<uint16_t> words;
  words.reserve(frames_.size());
  for (const TracedFrame& f : frames_) words.push_back(f.sent);
  return words;
}

QString FrameTrace::FormatLine(const TracedFrame& frame) {
  return common::Hex4(frame.sent) + u' ' + common::Hex4(frame.answered);
}

}  // namespace talvix::sim
