#include "sim/frame_trace.h"

#include "common/number_text.h"

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

bool FrameTrace::WriteTo(const QString& path, QString& error) {
  auto file = std::make_unique<QFile>(path);
  if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    error = QStringLiteral("Cannot write the frame trace %1: %2").arg(path, file->errorString());
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
