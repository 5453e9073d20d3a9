#!/usr/bin/env python3
"""Sensor.read from Python against the same read in C++ (talvix_bench's BM_ReadConfirmedUsb).

Both read XACCL from the simulated sensor behind the simulated USB SPI card, paced by the
program's delay (0.1 ms after each read), with the answer rule. Prints the time of one read from
each side and the overhead of the Python call; the target is under 10 %.

usage: bench/python_read_bench.py [--build build/bench] [--reads 20000]
(the build needs TALVIX_BUILD_BENCH=ON and the Python module)
"""

import argparse
import json
import statistics
import subprocess
import sys
import time
from pathlib import Path


def python_read_ms(build, reads, rounds=5):
    sys.path.insert(0, str(build / "python"))
    import talvix  # pylint: disable=import-outside-toplevel
    with talvix.open("sim-usb") as sensor:
        for _ in range(1000):
            sensor.read("XACCL")  # warm up
        laps = []
        for _ in range(rounds):
            start = time.perf_counter()
            for _ in range(reads):
                sensor.read("XACCL")
            laps.append((time.perf_counter() - start) * 1000.0 / reads)
    return statistics.median(laps)


def cpp_read_ms(build):
    run = subprocess.run([str(build / "bench" / "talvix_bench"),
                          "--benchmark_filter=BM_ReadConfirmedUsb$", "--benchmark_format=json",
                          "--benchmark_repetitions=5"],
                         capture_output=True, text=True, check=True)
    rows = [b for b in json.loads(run.stdout)["benchmarks"] if b.get("aggregate_name") == "median"]
    row = rows[0]
    scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6}[row["time_unit"]]
    return row["real_time"] * scale


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
