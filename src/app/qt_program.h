// SPDX-License-Identifier: MIT
// The desktop program: parses the command line, builds the session on the real platform or the
// simulator, runs the start-up procedure and the main window.
#pragma once

#include <functional>

namespace talvix {
class Session;
}

namespace talvix::app {

class frmForm1;

// Runs once the main window is shown, from the window system's loop: a test's driver acts there
// as a user would (opens a window, clicks), on the program as it runs.
using ShownHook = std::function<void(Session& session, frmForm1& window)>;

//   talvix [--simulate] [--sim-trace FILE] [--sim-shocks] [--sim-vibration HZ:G[:AXIS]]
//          [--usb-ids VVVV:PPPP,QQQQ]
int RunProgram(int argc, char** argv, const ShownHook& once_shown = nullptr);

}  // namespace talvix::app
