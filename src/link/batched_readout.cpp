// SPDX-License-Identifier: MIT
#include "link/batched_readout.h"

#include "registers/value_conversion.h"

#include <algorithm>

namespace talvix::link {

namespace {

constexpr uint8_t kSensorChannel = 1;  // the register operations' chip-select channel
constexpr double kPauseAfterReadMs = 0.1;

// A read frame: the register's address (7 bits) in the upper byte.
uint16_t ReadFrame(const registers::RegisterEntry& entry) {
  return static_cast<uint16_t>((entry.BaseAddr & 0x7F) << 8);
}

LinkStatus Refusal(const registers::RegisterTable& table, std::span<const int16_t> indices) {
  for (const int16_t index : indices) {
    if (!registers::RegisterTable::IsValidIndex(index)) return LinkStatus::kBadIndex;
    if (!table.at(index).ReadFlag) return LinkStatus::kNotReadable;
  }
  return LinkStatus::kDone;
}

}  // namespace

bool BatchedReadout(const RegisterAccess& link) {
  return link.FastReadout && link.InterfaceType == kInterfaceUsb;
}

LinkStatus ReadRegsBatched(RegisterAccess& link, std::span<const int16_t> indices,
                           std::vector<RegisterRead>& reads) {
  reads.clear();
  const registers::RegisterTable& table = link.table();
  if (const LinkStatus refused = Refusal(table, indices); refused != LinkStatus::kDone) {
    return link.LastStatus = refused;
  }
  UsbSpiCard& card = link.usb();
  if (link.InterfaceType != kInterfaceUsb || !card.CardReady()) {
    return link.LastStatus = LinkStatus::kNoInterface;
  }
  if (indices.empty()) return link.LastStatus = LinkStatus::kDone;

  std::vector<uint16_t> frames;
  frames.reserve(indices.size() + 1);
  for (const int16_t index : indices) frames.push_back(ReadFrame(table.at(index)));
  frames.push_back(frames.back());  // brings the last answer

  // answers[k] is the word the sensor shifted out during frames[k]: the answer to frames[k - 1].
  std::vector<int32_t> answers;
  answers.reserve(frames.size());
  bool failed = false;
  for (size_t start = 0; start < frames.size(); start += kMaxSpiWords) {
    const size_t words = std::min<size_t>(kMaxSpiWords, frames.size() - start);
    card.LoadWords(std::span(frames).subspan(start, words));
    card.SpiChan = kSensorChannel;
    card.UsbSpiTransfer(card.SpiWordCount);
    // A failed transfer leaves the words of the one before in SpiData: none of them is taken.
    if (!card.CardReady()) {
      failed = true;
      break;
    }
    for (size_t k = 1; k <= words; ++k) answers.push_back(card.SpiData[k][1]);
  }
  link.delay().DelayMs(kPauseAfterReadMs);

  const size_t answered = std::min(indices.size(), answers.empty() ? 0 : answers.size() - 1);
  for (size_t i = 0; i < answered; ++i) {
    const int32_t word = answers[i + 1];
    const registers::DecodedWord decoded = registers::ApplyReadRule(table.at(indices[i]), word);
    reads.push_back({indices[i], word, decoded.RegRaw, decoded.RegValue});
  }
  if (!reads.empty()) {
    link.RawWord = reads.back().RawWord;
    link.RegRaw = reads.back().RegRaw;
    link.RegValue = reads.back().RegValue;
  }
  return link.LastStatus = failed ? LinkStatus::kLinkFailed : LinkStatus::kDone;
}

bool ReadConfirmedBatched(RegisterAccess& link, std::span<const int16_t> indices,
                          std::vector<RegisterRead>& reads) {
  const LinkStatus status = ReadRegsBatched(link, indices, reads);
  const auto all_ones = std::find_if(reads.begin(), reads.end(), [](const RegisterRead& read) {
    return read.RawWord == kNoAnswerWord;
  });
  if (all_ones == reads.end()) return reads.size() == indices.size();
  // After a failed transfer nothing can be asked any more: such a word stays unconfirmed, and the
  // failure stays the outcome.
  if (status != LinkStatus::kDone || !SensorAnswers(link)) reads.erase(all_ones, reads.end());
  return reads.size() == indices.size();
}

}  // namespace talvix::link
