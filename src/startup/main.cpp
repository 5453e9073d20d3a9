#include "startup/qt_program.h"

int main(int argc, char** argv) { return talvix::startup::RunProgram(argc, argv); }
