// Clear Horizon: a desktop program for a home weather station on a serial port.
#include "app/startup.h"

int main(int argc, char *argv[]) { return RunClearHorizon(argc, argv); }
