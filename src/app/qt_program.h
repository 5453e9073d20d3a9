// The desktop program: parses the command line, builds the session on the real platform or the
// simulator, runs the start-up procedure and the main window.
#pragma once

namespace talvix::app {

//   talvix [--simulate] [--sim-trace FILE] [--sim-shocks] [--sim-vibration HZ:G[:AXIS]]
//          [--usb-ids VVVV:PPPP,QQQQ]
int RunProgram(int argc, char** argv);

}  // namespace talvix::app
