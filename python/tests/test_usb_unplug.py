# SPDX-License-Identifier: MIT
"""A USB SPI card unplugged under the module (talvix-usb-emulator --fault): LinkError, no value."""

import os
import subprocess
import sys

# Four bulk transfers bring the card up and each read takes two: the card is gone at the second
# read.
SCRIPT = """
import talvix
s = talvix.open("usb:0")
print("first", s.read("SUPPLY").value)
try:
    print("second", s.read("SUPPLY").value)
except talvix.LinkError as e:
    print("LinkError", e)
"""


def test_an_unplugged_card_raises_link_error_without_a_value():
    run = subprocess.run([os.environ["TALVIX_USB_EMULATOR"], "--fault", "unplug@6", "--",
                          sys.executable, "-c", SCRIPT],
                         capture_output=True, text=True, timeout=30, check=False)
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert lines[0].startswith("first 3.")
    assert lines[1].startswith("LinkError SUPPLY was not read: ")
    assert "LIBUSB_ERROR_NO_DEVICE" in run.stdout
    assert len(lines) == 2 or not lines[2].startswith("second")
