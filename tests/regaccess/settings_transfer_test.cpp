// SPDX-License-Identifier: MIT
#include "regaccess/settings_transfer.h"

#include "support/sim_session.h"

#include <gtest/gtest.h>

namespace talvix::regaccess {
namespace {

TEST(LoadSettingsTest, NothingIsSentWhileACaptureIsArmedOrBeingReadOut) {
  for (const bool armed : {true, false}) {
    test::SimSession sim;
    QString error;
    const std::optional<DeviceSettings> settings = ReadDeviceSettings(sim.link(), error);
    ASSERT_TRUE(settings) << error.toStdString();
    if (armed) sim.session->capture.MarkArmed();
    sim.session->capture.ReadOutRunning = !armed;
    sim.sensor.trace().Clear();

    const LoadReport report = LoadSettings(*sim.session, *settings);
    EXPECT_EQ(report.result, LoadReport::Result::kRefused);
    EXPECT_TRUE(report.error.contains("Nothing was sent")) << report.error.toStdString();
    EXPECT_TRUE(sim.sensor.trace().frames().empty());
  }
}

}  // namespace
}  // namespace talvix::regaccess
