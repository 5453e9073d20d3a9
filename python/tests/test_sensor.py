# SPDX-License-Identifier: MIT
"""The Python module on the simulated sensor: reads, logs, captures, settings and its refusals."""

import os
import signal
import threading

import numpy as np
import pytest

import talvix

TRIGGER_BITS = 0x00F0  # ALM_CTRL bits 4-7: a capture armed


@pytest.fixture
def sensor():
    with talvix.open("sim-usb") as s:
        yield s


def test_reads_the_supply(sensor):
    supply = sensor.read("supply")
    assert supply.label == "SUPPLY"
    assert 3.0 < supply.value < 3.6
    assert supply.code == supply.word & 0x0FFF


def test_a_log_of_200_samples_moves(sensor):
    rows = sensor.log(["XACCL", "YACCL"], samples=200)
    assert rows.dtype.names == ("seconds", "XACCL", "YACCL")
    assert len(rows) == 200
    assert np.all(np.diff(rows["seconds"]) > 0)
    assert np.ptp(rows["XACCL"]) > 0 and np.ptp(rows["YACCL"]) > 0


def test_an_added_vibration_swings_its_axis_only():
    with talvix.open("sim-usb", vibration=["50:2:X"]) as shaken:
        rows = shaken.log(["XACCL", "YACCL"], samples=200)
    assert np.ptp(rows["XACCL"]) > 3.0 > 0.5 > np.ptp(rows["YACCL"])


def test_settings_come_back_from_their_file(sensor, tmp_path):
    path = tmp_path / "settings.json"
    saved = dict((label, word) for label, word, _ in sensor.settings_save(path))
    sensor.write("XACCL_NULL", (saved["XACCL_NULL"] + 0x10) & 0x0FFF)
    sensor.write("SMPL_PRD", 0x0081)
    plan = sensor.settings_load(path, dry_run=True)
    assert sensor.read("SMPL_PRD").word == 0x0081  # a dry run sends nothing
    assert any(line.startswith("XACCL_NULL") for line in plan)
    sensor.settings_load(path)
    assert sensor.read("XACCL_NULL").word == saved["XACCL_NULL"]
    assert sensor.read("SMPL_PRD").word == saved["SMPL_PRD"]


def test_captures_a_knock():
    with talvix.open("sim-usb", shocks=True) as s:
        capture = s.capture("X acceleration", "y_acceleration", length=256, pretrigger=32,
                            trigger=1, level=1.0, timeout=5)
    assert capture.sources == ("X_Acceleration", "Y_Acceleration")
    assert capture.codes.shape == capture.values.shape == (2, 256)
    assert capture.pretrigger == 32 and capture.times[32] == 0
    assert capture.sample_period > 0
    assert capture.values[0].max() > 1.0  # the knock: 4 g on X
    assert np.all(capture.values[0, :30] < 1.0)  # before the trigger


def test_a_capture_without_trigger_times_out_disarmed(sensor):
    with pytest.raises(TimeoutError):
        sensor.capture("X acceleration", "Y acceleration", length=64, pretrigger=8, trigger=1,
                       level=15.0, timeout=0.3)
    assert sensor.read("ALM_CTRL").word & TRIGGER_BITS == 0


def bad_calls():
    return {
        "unknown label": lambda s: s.read("NO_SUCH"),
        "read-only register": lambda s: s.write("SUPPLY", 1),
        "word too large": lambda s: s.write("XACCL_NULL", 0x10000),
        "unknown log value": lambda s: s.log(["SUPPLY", "NOPE"], samples=10),
        "no samples": lambda s: s.log(samples=0),
        "length not a power of two": lambda s: s.capture("X acceleration", "Y acceleration",
                                                         100, 8, 1, 1.0),
        "level out of range": lambda s: s.capture("X acceleration", "Y acceleration", 64, 8, 1,
                                                  1000.0),
        "bad settings file": lambda s: s.settings_load(__file__),
    }


def test_bad_arguments_raise_value_error_and_send_nothing(tmp_path):
    """The frame trace of a session that was refused everything equals that of an idle one."""
    idle, refused = tmp_path / "idle.trace", tmp_path / "refused.trace"
    with talvix.open("sim-lpt", trace=idle):
        pass
    with talvix.open("sim-lpt", trace=refused) as s:
        for name, call in bad_calls().items():
            with pytest.raises(ValueError):
                call(s)
                pytest.fail(name)
    assert len(refused.read_text().splitlines()) == len(idle.read_text().splitlines())


@pytest.mark.parametrize("interface, options", [
    ("serial", {}), ("usb:4", {}), ("lpt:378", {"shocks": True}), ("sim-lpt", {"usb_ids": "x"}),
    ("sim-usb", {"vibration": "200:1:Z"}), ("lpt:378", {"vibration": "200:1"}),
    ("sim-lpt", {"usb_latency_ms": 1}), ("sim-usb", {"usb_latency_ms": -1}),
])
def test_bad_open_options_raise_value_error(interface, options):
    with pytest.raises(ValueError):
        talvix.open(interface, **options)


def test_a_closed_sensor_refuses_calls():
    with talvix.open("sim-lpt") as s:
        pass
    assert s.closed
    with pytest.raises(ValueError):
        s.read("SUPPLY")


def interrupt_after(seconds):
    timer = threading.Timer(seconds, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    return timer


def test_ctrl_c_ends_a_log_with_the_rows_so_far(sensor):
    interrupt_after(0.3)
    rows = sensor.log(["SUPPLY"], samples=1000000, delay_ms=1)
    assert 0 < len(rows) < 1000000
    assert np.all((rows["SUPPLY"] > 3.0) & (rows["SUPPLY"] < 3.6))


def test_ctrl_c_disarms_a_waiting_capture(sensor):
    interrupt_after(0.3)
    with pytest.raises(KeyboardInterrupt):
        sensor.capture("X acceleration", "Y acceleration", 64, 8, 1, 15.0, timeout=30)
    assert sensor.read("ALM_CTRL").word & TRIGGER_BITS == 0


def test_the_register_table_is_data():
    table = {r.label: r for r in talvix.registers()}
    assert table["SUPPLY"].address == 0x02 and table["SUPPLY"].unit == "Volts"
    assert table["XACCL"].signed and table["XACCL"].code_min == -8192
    assert table["XACCL"].value_min == pytest.approx(-8192 * 0.017125, rel=1e-6)
    assert not table["COMMAND"].readable and table["COMMAND"].writable
