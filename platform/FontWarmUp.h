#pragma once

#include <thread>

// Reads the system's font configuration on another core while the program
// connects to the display, so that measuring the first text at start-up does
// not wait for it. Where the toolkit reads no such configuration, it does
// nothing.
class FontWarmUp
{
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

    // Waits until the configuration has been read; the destructor does too.
    void finish();

private:
    std::thread m_thread;
};
