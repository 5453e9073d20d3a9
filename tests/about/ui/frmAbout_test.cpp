// SPDX-License-Identifier: MIT
// The About window on a simulated USB card whose SPI line goes to a register file, so the product
// words and every frame the window sends are exact.
#include "about/ui/frmAbout.h"

#include "about/about_texts.h"
#include "support/register_file_sensor.h"
#include "support/sim_session.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace talvix::about {
namespace {

using registers::kMonthYear;
using registers::kProductId;
using registers::kRevDate;
using Frames = std::vector<uint16_t>;

class FrmAboutTest : public ::testing::Test {
 protected:
  FrmAboutTest() {
    sim.usb.SetSpiWire([this](uint16_t sent) {
      const uint16_t answer = device.Transfer(sent);  // kept in the trace either way
      return answering ? answer : uint16_t{0xFFFF};
    });
    device.Set(kRevDate, 0x1512);
    device.Set(kMonthYear, 0x0603);
    device.Set(kProductId, 0x1234);
  }

  void Open() { window = std::make_unique<frmAbout>(*sim.session); }

  QLabel* Label(const char* name) const {
    auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
    if (label == nullptr) throw std::runtime_error(std::string("no label ") + name);
    return label;
  }
  QString Text(const char* name) const { return Label(name)->text(); }
  bool NoAnswerShown() const { return Label("lblNoAnswer")->isVisibleTo(window.get()); }
  Frames FirstFrames(std::size_t n) const {
    const auto& sent = device.sent();
    return Frames(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(n));
  }
  Frames LastFrames(std::size_t n) const {
    const auto& sent = device.sent();
    return Frames(sent.end() - static_cast<std::ptrdiff_t>(n), sent.end());
  }

  test::RegisterFileSensor device;
  bool answering = true;  // false: every frame is answered with all ones
  test::SimSession sim{1, test::SimWiring::kUsbCard};
  std::unique_ptr<frmAbout> window;
};

TEST_F(FrmAboutTest, UnlocksReadsTheThreeWordsThenWritesZeroToProductId) {
  const int64_t waited_before = sim.delay->total_units;
  Open();
  EXPECT_EQ(window->windowTitle(), "About Talvix_Eval_Rev_3");
  EXPECT_EQ(Text("lblProgramRev"), "3.0.0");
  EXPECT_EQ(Text("lblProductID"), "4660");
  EXPECT_EQ(Text("lblDutRev"), "1.2");
  EXPECT_EQ(Text("lblProductDate"), "3/15/2006");
  EXPECT_FALSE(NoAnswerShown());
  EXPECT_FLOAT_EQ(sim.session->about.DeviceRevision, 1.2f);
  EXPECT_TRUE(sim.notifier.texts.isEmpty());

  // KeyCode 0x05A7 lower byte first, the three reads, then 0 to ProcudtID upper byte first.
  ASSERT_GE(device.sent().size(), 4u);
  EXPECT_EQ(FirstFrames(2), (Frames{0xD0A7, 0xD105}));
  EXPECT_EQ(device.ReadAddresses(), (std::vector<int>{0x52, 0x54, 0x56}));
  EXPECT_EQ(LastFrames(2), (Frames{0xD700, 0xD600}));
  EXPECT_GE(sim.delay->total_units - waited_before, 10000) << "100 ms after the unlock";
}

enum class Silence { kNoInterface, kAllOnes, kCardFailsARead };

class FrmAboutSilentTest : public FrmAboutTest, public ::testing::WithParamInterface<Silence> {};

TEST_P(FrmAboutSilentTest, SaysTheSensorDidNotAnswerAndKeepsTheRevision) {
  sim.session->about.DeviceRevision = 2;
  switch (GetParam()) {
    case Silence::kNoInterface:
      sim.session->link.InterfaceType = link::kInterfaceNone;
      break;
    case Silence::kAllOnes:
      answering = false;
      break;
    case Silence::kCardFailsARead:
      sim.usb.FailNextBulkRead(0);
      break;
  }
  Open();
  EXPECT_TRUE(NoAnswerShown());
  EXPECT_EQ(Text("lblNoAnswer"), NoAnswerText());
  for (const char* value : {"lblProductID", "lblDutRev", "lblProductDate"}) {
    EXPECT_EQ(Text(value), "") << value;
  }
  EXPECT_EQ(Text("lblProgramRev"), "3.0.0");
  EXPECT_EQ(sim.session->about.DeviceRevision, 2);
  if (GetParam() == Silence::kNoInterface) {
    EXPECT_TRUE(device.sent().empty());
    EXPECT_TRUE(sim.notifier.texts.isEmpty());
  }
  if (GetParam() == Silence::kAllOnes) {
    EXPECT_EQ(LastFrames(2), (Frames{0xD700, 0xD600})) << "the read-out still ends";
    EXPECT_TRUE(sim.notifier.texts.isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FrmAboutSilentTest,
                         ::testing::Values(Silence::kNoInterface, Silence::kAllOnes,
                                           Silence::kCardFailsARead));

// On the simulated sensor the product registers read 0 until KeyCode unlocks them.
TEST(FrmAboutSimulatedSensorTest, ShowsTheIdentificationBehindTheUnlock) {
  test::SimSession sim;
  frmAbout window(*sim.session);
  EXPECT_EQ(window.findChild<QLabel*>("lblProductID")->text(), "16325");  // 0x3FC5
  EXPECT_EQ(window.findChild<QLabel*>("lblDutRev")->text(), "1.2");
  EXPECT_EQ(window.findChild<QLabel*>("lblProductDate")->text(), "6/24/2025");
}

}  // namespace
}  // namespace talvix::about
