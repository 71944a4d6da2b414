#pragma once

#include "platform/Launcher.h"

#include <vector>

// Starts programs through the operating system.
class SystemLauncher final : public Launcher
{
public:
    bool start(const std::string &path) override;
    std::string findOnPath(const std::string &name) override;

    // Well-known system-information tools to look for on the search path
    // where the registry names none, best first.
    static std::vector<std::string> systemInfoTools();
};
