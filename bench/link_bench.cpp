// SPDX-License-Identifier: MIT
// Register reads and writes over the simulated interfaces, against the pauses they must make.
// Over the parallel port each operation pauses 0.3 ms in all: 0.1 ms after each of its two
// frames and 0.1 ms after the operation. Over the USB SPI card both frames go in one two-word
// transfer and the only pause the program makes is the 0.1 ms after the operation; the simulated
// card answers at the driver-request level. The ratio shows what the bit patterns, the request
// layer and the decoding add on top.
#include "bench_support.h"

#include "link/register_access.h"
#include "registers/register_table.h"

namespace talvix::bench {
namespace {

constexpr double kParallelPauseMs = 0.3;
constexpr double kUsbPauseMs = 0.1;

template <typename Rig>
void ReadRegLoop(benchmark::State& state, double mandated_ms) {
  Rig rig;
  PauseReport report(state, mandated_ms);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    rig.session->link.ReadReg(registers::kXAccl);
    benchmark::DoNotOptimize(rig.session->link.RegValue);
  }
}

template <typename Rig>
void WriteRegLoop(benchmark::State& state, double mandated_ms) {
  Rig rig;
  PauseReport report(state, mandated_ms);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    rig.session->link.WriteReg(registers::kAlmMag1, 0x1234);
  }
}

void BM_ReadRegParallel(benchmark::State& state) {
  ReadRegLoop<SimulatedParallelRig>(state, kParallelPauseMs);
}
void BM_WriteRegParallel(benchmark::State& state) {
  WriteRegLoop<SimulatedParallelRig>(state, kParallelPauseMs);
}
void BM_ReadRegUsb(benchmark::State& state) {
  ReadRegLoop<SimulatedUsbRig>(state, kUsbPauseMs);
}
void BM_WriteRegUsb(benchmark::State& state) {
  WriteRegLoop<SimulatedUsbRig>(state, kUsbPauseMs);
}
// The read of talvix-cli read and of the Python module's Sensor.read, with the answer rule;
// bench/python_read_bench.py sets the Python call against it.
void BM_ReadConfirmedUsb(benchmark::State& state) {
  SimulatedUsbRig rig;
  PauseReport report(state, kUsbPauseMs);
  for (auto _ : state) {
    const PauseReport::Lap lap(report);
    benchmark::DoNotOptimize(link::ReadConfirmed(rig.session->link, registers::kXAccl));
  }
}

BENCHMARK(BM_ReadRegParallel)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteRegParallel)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadRegUsb)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_WriteRegUsb)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadConfirmedUsb)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace talvix::bench
