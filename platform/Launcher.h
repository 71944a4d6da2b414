#pragma once

#include <string>

// Starts other programs. Paths are in the system's ANSI code page.
class Launcher
{
public:
    virtual ~Launcher() = default;

    // Starts the program in a normal window with the focus and does not wait
    // for it. False when it could not be started.
    virtual bool start(const std::string &path) = 0;
    // The full path of a program found on the search path, or empty.
    virtual std::string findOnPath(const std::string &name) = 0;
};
