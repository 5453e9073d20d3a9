// SPDX-License-Identifier: MIT
#include "app/qt_program.h"

int main(int argc, char** argv) {
  return talvix::app::RunProgram(argc, argv);
}
