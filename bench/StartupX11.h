#pragma once

#include <string>

// Start-up on a real X display: time from spawn to the first drawing into each
// program's main window (seen through the X DAMAGE extension, so the programs
// need no probe and the installed executable can be measured), and idle memory
// 2 s later in the first ten runs. Prints the medians, their ratio with its 95 %
// interval, and the memory; returns the process exit status.
int runStartupX11(const std::string &program, const std::string &minimal, int runs);
