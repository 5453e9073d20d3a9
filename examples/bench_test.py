"""An example test bench for the Talvix sensor, run with pytest.

It checks a sensor's supply, its self-test (MISC_CTRL bit 8 deflects both axes by about
+0.5 g) and an event capture. It runs on the simulated sensor, which knocks itself every 2 s;
set TALVIX_INTERFACE (for example usb:0) to run it on a real sensor, and knock that one.

    PYTHONPATH=build/dev/python python3 -m pytest examples/bench_test.py
"""

import os
import time

import numpy as np
import pytest

import talvix

INTERFACE = os.environ.get("TALVIX_INTERFACE", "sim-usb")
SELF_TEST_BIT = 0x0100  # of MISC_CTRL


@pytest.fixture(scope="module")
def sensor():
    simulated = INTERFACE.startswith("sim-")
    with talvix.open(INTERFACE, shocks=simulated) as s:
        yield s


def mean_of(sensor, label, readings=32):
    return np.mean([sensor.read(label).value for _ in range(readings)])


def test_supply_is_within_3_0_to_3_6_volts(sensor):
    assert 3.0 <= sensor.read("SUPPLY").value <= 3.6


def test_self_test_deflects_both_axes(sensor):
    misc_ctrl = sensor.read("MISC_CTRL").word
    rest = mean_of(sensor, "XACCL"), mean_of(sensor, "YACCL")
    sensor.write("MISC_CTRL", misc_ctrl | SELF_TEST_BIT)
    try:
        time.sleep(0.05)  # the element settles
        deflected = mean_of(sensor, "XACCL"), mean_of(sensor, "YACCL")
    finally:
        sensor.write("MISC_CTRL", misc_ctrl & ~SELF_TEST_BIT)
    for before, after in zip(rest, deflected):
        assert 0.3 < after - before < 0.7  # g


def test_a_knock_is_captured(sensor):
    capture = sensor.capture("X acceleration", "Y acceleration", length=128, pretrigger=16,
                             trigger=1, level=1.0, direction="above", timeout=5)
    x = capture.values[0]
    assert capture.units[0] == "G"
    assert x[capture.pretrigger:].max() > 1.0
    assert x[:capture.pretrigger - 2].max() < 1.0
