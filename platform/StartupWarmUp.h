#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Reads the system's font configuration, where the toolkit uses one, so that
// the toolkit's first font look-up finds it read, and notes the font families
// it lists. Safe to call from any thread, more than once.
void readFontConfiguration();

// The family names the configuration lists, in UTF-8: every name each font
// answers to. Empty until readFontConfiguration() has finished, and always
// where the toolkit keeps its own list, which the caller then asks.
std::vector<std::string> configuredFontFamilies();

// Does work that the first paint needs on another core, overlapping what the
// main thread waits on: the font configuration is read while the program
// connects to the display, and work handed over later runs while the windows
// are built. Without a second thread nothing is lost but the overlap: the
// toolkit reads the configuration itself, and the work is left to its users.
class StartupWarmUp
{
public:
    StartupWarmUp();
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp &) = delete;
    StartupWarmUp &operator=(const StartupWarmUp &) = delete;

    // Waits until the font configuration has been read, then hands the thread
    // `work` and returns at once. Call it once, after the application object
    // exists, since most drawing needs it.
    void thenRun(std::function<void()> work);

    // Waits until the thread is done; the destructor does too.
    void finish();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_configurationRead = false;
    bool m_closing = false;
    std::function<void()> m_work;
    int m_mainProcessor = -1; // where the thread that made this one runs
    std::thread m_thread;
};
