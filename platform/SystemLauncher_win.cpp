#include "platform/SystemLauncher.h"

#include <windows.h>

bool SystemLauncher::start(const std::string &path)
{
    if (path.empty())
        return false;
    // The command line is quoted so that a path with blanks stays one word;
    // CreateProcessA may write to it.
    std::string commandLine = '"' + path + '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::string SystemLauncher::findOnPath(const std::string &name)
{
    char found[MAX_PATH];
    const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::string(found, length);
}

std::vector<std::string> SystemLauncher::systemInfoTools()
{
    // The registry names the system's own tool; there is no other to offer.
    return {};
}
