// SPDX-License-Identifier: MIT
// The simulated sensor's 16-bit frame protocol: random frames, with the clock moved by random
// amounts between them and the knobs around the part (motion, shocks, supply, answering, power)
// turned to arbitrary values. Invariants:
//  - every frame is answered with the word PendingAnswer() announced just before it;
//  - a silent part (asleep or not answering) answers all ones; otherwise a frame after anything
//    but an answered read frame is answered 0;
//  - the answer to a read: an output register's field fits its ReadLen bits below the two flag
//    bits, STATUS shows only its defined bits, the identification registers read 0 while locked
//    and their fixed words while unlocked;
//  - the trace holds every frame as sent and answered;
//  - the same seed, clock readings and frames give the same trace.
#include "fuzz_support.h"
#include "platform/clock.h"
#include "registers/register_table.h"
#include "sim/sim_sensor.h"

#include <vector>

namespace {

using namespace talvix::registers;
using talvix::sim::SimSensor;
using talvix::sim::TracedFrame;

constexpr uint16_t kDefinedStatusBits = 0x133F;
constexpr int kMaxShocks = 8;  // each shock is looked at for every sample taken
// Every sample taken costs the same work however little happens, so steps between frames stay
// short (46.5 ms at most, about 190 samples at the fastest rate), and the one long wait per input
// that may reach the end of the longest sleep is taken only while the sensor sleeps, when no
// sample is due: awake, it would catch up as many as 2^17 samples, and the target would run a few
// dozen inputs a second instead of well over a thousand.
constexpr int kMaxLongWaits = 1;

const RegisterTable& Table() {
  return talvix::fuzz::BuiltRegisterTable();
}

uint8_t Address(int16_t index) {
  return static_cast<uint8_t>(Table().at(index).BaseAddr);
}

// Clock steps from nothing to 46.5 ms: the top three bits pick the unit, the rest the count.
double Step(uint8_t b) {
  static constexpr double kUnits[8] = {0, 1e-6, 1e-5, 1e-4, 2e-4, 5e-4, 1e-3, 1.5e-3};
  return kUnits[b >> 5] * (b & 0x1F);
}

struct ReadInFlight {
  uint8_t even_address = 0;
  bool locked = false;
};

void CheckReadAnswer(const ReadInFlight& read, uint16_t answer) {
  const uint8_t a = read.even_address;
  for (int16_t index :
       {kSupply, kXAccl, kYAccl, kAuxAdc, kTemperature, kXPeak, kYPeak, kRssXy, kRssPeak}) {
    if (Address(index) == a) {
      TALVIX_FUZZ_CHECK((answer & 0x3FFF) >> Table().at(index).ReadLen == 0);
    }
  }
  if (a == Address(kStatus)) TALVIX_FUZZ_CHECK((answer & ~kDefinedStatusBits) == 0);
  const std::pair<int16_t, uint16_t> identification[] = {
      {kRevDate, talvix::sim::kIdentRevDate},
      {kMonthYear, talvix::sim::kIdentMonthYear},
      {kProductId, talvix::sim::kIdentProductId}};
  for (const auto& [index, word] : identification) {
    if (Address(index) == a) TALVIX_FUZZ_CHECK(answer == (read.locked ? 0 : word));
  }
}

std::vector<TracedFrame> Run(const uint8_t* data, size_t size) {
  talvix::fuzz::ByteReader input(data, size);
  talvix::platform::ManualClock clock;
  SimSensor sensor(clock, input.U32());
  std::optional<ReadInFlight> pending_read;  // the last frame was an answered read
  size_t frames = 0;
  int shocks = 0;
  int long_waits = 0;

  while (!input.empty()) {
    const uint8_t op = input.Byte();
    switch (op & 0x0F) {
      default: {  // a frame, then the clock moves on
        const uint16_t sent = input.Word();
        const bool silent = sensor.Asleep() || !sensor.Answering();
        const uint16_t announced = sensor.PendingAnswer();
        const bool locked = !sensor.ProductRegistersUnlocked();
        const uint16_t answer = sensor.Transfer(sent);
        ++frames;
        TALVIX_FUZZ_CHECK(answer == announced);
        if (silent) {
          TALVIX_FUZZ_CHECK(answer == talvix::sim::kSilentWord);
        } else if (!pending_read) {
          TALVIX_FUZZ_CHECK(answer == 0);
        } else {
          CheckReadAnswer(*pending_read, answer);
        }
        TALVIX_FUZZ_CHECK(sensor.trace().frames().size() == frames);
        TALVIX_FUZZ_CHECK(sensor.trace().frames().back() == (TracedFrame{sent, answer}));
        pending_read.reset();
        if (!silent && !(sent & 0x8000)) {
          pending_read = ReadInFlight{static_cast<uint8_t>(sent >> 8 & 0x7E), locked};
        }
        clock.Advance(Step(input.Byte()));
        break;
      }
      case 10:
        sensor.SetAnswering(op & 0x10);
        break;
      case 11:
        sensor.PowerCycle();
        pending_read.reset();
        break;
      case 12:
        switch (input.Byte() % 6) {
          case 0:
            sensor.SetTilt(input.Double());
            break;
          case 1: {
            const double amplitude = input.Double();
            sensor.SetVibration(amplitude, input.Double());
            break;
          }
          case 2:
            sensor.SetNoise(input.Double());
            break;
          case 3:
            sensor.ForceSupply(input.Byte() * 0.025);
            break;
          case 4:
            sensor.ForceSupply(input.Double());
            break;
          default:
            sensor.ReleaseSupply();
            break;
        }
        break;
      case 13: {
        if (shocks == kMaxShocks) {
          sensor.ClearShocks();
          shocks = 0;
        }
        talvix::sim::Shock shock;
        const bool arbitrary = op & 0x10;
        shock.at_seconds = arbitrary ? input.Double() : clock.monotonic + input.Byte() * 0.01;
        shock.x_g = arbitrary ? input.Double() : (input.Byte() - 128) * 2.0;
        shock.y_g = arbitrary ? input.Double() : (input.Byte() - 128) * 2.0;
        shock.duration_seconds = arbitrary ? input.Double() : input.Byte() * 0.001;
        sensor.AddShock(shock);
        ++shocks;
        break;
      }
      case 14:  // up to 127.5 s, the longest sleep: only asleep, where no sample is taken
        if (long_waits < kMaxLongWaits && sensor.Asleep()) {
          clock.Advance(input.Byte() * talvix::sim::kSleepStepSeconds);
          ++long_waits;
        }
        break;
      case 15:
        clock.Advance(input.Byte() * 1e-6);
        break;
    }
  }
  return sensor.trace().frames();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<TracedFrame> first = Run(data, size);
  TALVIX_FUZZ_CHECK(Run(data, size) == first);
  return 0;
}
