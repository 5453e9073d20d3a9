// Register reads and writes over the simulated parallel port. Each must pause 0.3 ms in all:
// 0.1 ms after each of its two frames and 0.1 ms after the operation. The ratio shows what the
// bit patterns and the decoding add on top.
#include "bench_support.h"

#include "registers/register_table.h"

namespace talvix::bench {
namespace {

constexpr double kParallelPauseMs = 0.3;

void BM_ReadRegParallel(benchmark::State& state) {
  SimulatedParallelRig rig;
  PauseReport report(state, kParallelPauseMs);
  for (auto _ : state) {
    rig.session->link.ReadReg(registers::kXAccl);
    benchmark::DoNotOptimize(rig.session->link.RegValue);
  }
}
BENCHMARK(BM_ReadRegParallel)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_WriteRegParallel(benchmark::State& state) {
  SimulatedParallelRig rig;
  PauseReport report(state, kParallelPauseMs);
  for (auto _ : state) rig.session->link.WriteReg(registers::kAlmMag1, 0x1234);
}
BENCHMARK(BM_WriteRegParallel)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Over the USB SPI card both frames of an operation go in one two-word transfer; the only pause
// the program itself must make is the 0.1 ms after the operation. The simulated card answers at
// the driver-request level, so the ratio shows what the request layer and the decoding add.
constexpr double kUsbPauseMs = 0.1;

void BM_ReadRegUsb(benchmark::State& state) {
  SimulatedUsbRig rig;
  PauseReport report(state, kUsbPauseMs);
  for (auto _ : state) {
    rig.session->link.ReadReg(registers::kXAccl);
    benchmark::DoNotOptimize(rig.session->link.RegValue);
  }
}
BENCHMARK(BM_ReadRegUsb)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_WriteRegUsb(benchmark::State& state) {
  SimulatedUsbRig rig;
  PauseReport report(state, kUsbPauseMs);
  for (auto _ : state) rig.session->link.WriteReg(registers::kAlmMag1, 0x1234);
}
BENCHMARK(BM_WriteRegUsb)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace talvix::bench

