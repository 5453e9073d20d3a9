// SPDX-License-Identifier: MIT
#include "capture/capture_readout.h"

#include "capture/capture_buffers_rig.h"

#include <gtest/gtest.h>

#include <tuple>

namespace talvix::capture {
namespace {

using registers::kCaptPntr;

class CaptureReadOutTest : public ::testing::Test {
 protected:
  link::RegisterAccess& link() { return rig.sim.link(); }
  CaptureState& capture() { return rig.sim.session->capture; }

  test::CaptureBuffersRig rig;
  std::vector<double> samples{7.0};
};

TEST_F(CaptureReadOutTest, ReadsEachSampleThroughThePointerFromOne) {
  ASSERT_EQ(ReadCaptureBuffer(link(), 0, 0x0213, samples), ReadOut::kRead);
  EXPECT_EQ(samples, test::kBuffer0Codes);
  EXPECT_EQ(rig.device.Writes(kCaptPntr), (std::vector<uint16_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(rig.device.ReadAddresses(), std::vector<int>(8, 0x1C));

  rig.device.ClearSent();
  ASSERT_EQ(ReadCaptureBuffer(link(), 1, 0x0213, samples), ReadOut::kRead);
  EXPECT_EQ(samples, (std::vector<double>{0, -1, -2, -3, -4, -5, -6, -7, -8}));
  EXPECT_EQ(rig.device.ReadAddresses(), std::vector<int>(8, 0x1E));
}

// Code 0 (no capture configured) reads the one sample at pointer 1; no buffer is longer than
// 2^10, so a higher code sends nothing.
TEST_F(CaptureReadOutTest, LengthCodeBounds) {
  ASSERT_EQ(ReadCaptureBuffer(link(), 0, 0x0000, samples), ReadOut::kRead);
  EXPECT_EQ(samples, (std::vector<double>{0, 1}));
  EXPECT_EQ(rig.device.Writes(kCaptPntr), std::vector<uint16_t>{1});

  rig.device.ClearSent();
  EXPECT_EQ(ReadCaptureBuffer(link(), 0, 0x000F, samples), ReadOut::kInvalidLength);
  EXPECT_TRUE(samples.empty());
  EXPECT_TRUE(rig.device.sent().empty());
}

struct Fault {
  const char* name;
  int pointer;  // strikes as CAPT_PNTR is set to this; 0: before the read-out
  void (*strike)(test::SimSession&);
};

class CaptureReadOutFaultTest : public CaptureReadOutTest,
                                public ::testing::WithParamInterface<Fault> {};

// What was read before the fault is no trace, nor is a read-out of nothing but all ones.
TEST_P(CaptureReadOutFaultTest, LeavesNoSamples) {
  rig.on_frame = [this](uint16_t sent) {
    if (test::SetsPointer(sent, GetParam().pointer)) GetParam().strike(rig.sim);
  };
  if (GetParam().pointer == 0) GetParam().strike(rig.sim);
  EXPECT_EQ(ReadCaptureBuffer(link(), 0, 0x0213, samples), ReadOut::kNotReached);
  EXPECT_TRUE(samples.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CaptureReadOutFaultTest,
    ::testing::Values(
        Fault{"CardUnplugged", 4, [](test::SimSession& sim) { sim.usb.Unplug(0); }},
        Fault{"CardReadFails", 4, [](test::SimSession& sim) { sim.usb.FailNextBulkRead(0); }},
        Fault{"CardWriteFails", 4, [](test::SimSession& sim) { sim.usb.FailNextBulkWrite(0); }},
        Fault{"SensorAnswersAllOnes", 0,
              [](test::SimSession& sim) {
                sim.usb.SetSpiWire([](uint16_t) { return uint16_t{0xFFFF}; });
              }}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

TEST_F(CaptureReadOutTest, LayoutFromTheTriggerSnapshotsElseReadNow) {
  rig.device.Set(registers::kCaptCfg, 0x3224);
  rig.device.Set(registers::kSmplPrd, 0x0081);
  const std::optional<CaptureLayout> now = LayoutForReadOut(*rig.sim.session);
  ASSERT_TRUE(now.has_value());
  EXPECT_EQ(std::tuple(now->capt_cfg, now->smpl_prd, now->from_trigger),
            std::tuple(0x3224, 0x0081, false));
  EXPECT_EQ(rig.device.ReadAddresses(), (std::vector<int>{0x38, 0x36}));

  rig.device.ClearSent();
  capture().MarkTriggered(CaptureSnapshots{0x0213, 0x0001});
  const std::optional<CaptureLayout> seen = LayoutForReadOut(*rig.sim.session);
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(std::tuple(seen->capt_cfg, seen->smpl_prd, seen->from_trigger),
            std::tuple(0x0213, 0x0001, true));
  EXPECT_TRUE(rig.device.sent().empty());
}

TEST_F(CaptureReadOutTest, DisplayReadOutKeepsTheLastTraceOnAFault) {
  capture().MarkTriggered(CaptureSnapshots{0x0213, 0});  // X acceleration, 8 samples
  ASSERT_TRUE(ReadOutForDisplay(*rig.sim.session, 0, QLocale::c()).ok);
  const registers::CaptTrace before = capture().CaptTrace[0];
  EXPECT_NEAR(before.Values[5], 100 * 0.017125, 1e-5);

  capture().CaptCfgSnapshot = 0x0313;  // Y now
  rig.on_frame = [this](uint16_t sent) {
    if (test::SetsPointer(sent, 2)) rig.sim.usb.Unplug(0);
  };
  const CaptureOutcome outcome = ReadOutForDisplay(*rig.sim.session, 0, QLocale::c());
  EXPECT_FALSE(outcome.ok);
  // One message for the failure: the card's own, or the read-out's.
  EXPECT_EQ(rig.sim.notifier.texts.size() + (outcome.message.isEmpty() ? 0 : 1), 1);
  EXPECT_EQ(capture().CaptTrace[0].caption, before.caption);
  EXPECT_EQ(capture().CaptTrace[0].Values, before.Values);
}

}  // namespace
}  // namespace talvix::capture
