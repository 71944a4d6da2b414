#pragma once

#include "platform/Launcher.h"

#include <map>
#include <set>
#include <vector>

// Programs exist only as the test names them: a path starts when the test
// made it startable; a name is on the search path when the test put it there.
class ScriptedLauncher final : public Launcher
{
public:
    bool start(const std::string &path) override
    {
        tried.push_back(path);
        return startable.contains(path);
    }
    std::string findOnPath(const std::string &name) override
    {
        const auto found = onPath.find(name);
        return found == onPath.end() ? std::string() : found->second;
    }

    std::set<std::string> startable;
    std::map<std::string, std::string> onPath; // name to full path
    std::vector<std::string> tried;
};
