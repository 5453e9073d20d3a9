#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Sensor.read from Python against the same read in C++ (talvix_bench's BM_ReadConfirmedUsb).

Both read XACCL from the simulated sensor behind the simulated USB SPI card, paced by the
program's delay (0.1 ms after each read), with the answer rule, and both take the median of
reads timed one by one (the C++ side by its PauseReport laps; the Python side's laps include the
clock calls around each read). Prints the time of one read from each side and the overhead of
the Python call; the target is under 10 %.

usage: bench/python_read_bench.py [--build build/bench] [--reads 20000]
(the build needs TALVIX_BUILD_BENCH=ON and the Python module)
"""

import argparse
import statistics
import subprocess
import sys
import time
from pathlib import Path


def python_read_ms(build, reads):
    sys.path.insert(0, str(build / "python"))
    import talvix  # pylint: disable=import-outside-toplevel
    clock = time.perf_counter_ns
    with talvix.open("sim-usb") as sensor:
        for _ in range(1000):
            sensor.read("XACCL")  # warm up
        laps = []
        for _ in range(reads):
            start = clock()
            sensor.read("XACCL")
            laps.append(clock() - start)
    return statistics.median(laps) / 1e6


def cpp_read_ms(build):
    run = subprocess.run([str(build / "bench" / "talvix_bench"),
                          "--benchmark_filter=BM_ReadConfirmedUsb", "--benchmark_color=false"],
                         capture_output=True, text=True, check=True)
    for line in run.stdout.splitlines():
        if line.startswith("BM_ReadConfirmedUsb"):
            return float(line.split()[1])  # the closing table: the median lap, in ms
    raise RuntimeError("talvix_bench printed no BM_ReadConfirmedUsb row:\n" + run.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=Path("build/bench"))
    parser.add_argument("--reads", type=int, default=20000)
    args = parser.parse_args()
    cpp = cpp_read_ms(args.build)
    py = python_read_ms(args.build, args.reads)
    overhead = (py - cpp) / cpp * 100.0
    print(f"read XACCL, sim-usb   C++ {cpp * 1000:8.2f} us   Python {py * 1000:8.2f} us   "
          f"overhead {overhead:+.1f} %  (target < 10 %)")
    return 0 if overhead < 10.0 else 1


if __name__ == "__main__":
    sys.exit(main())
