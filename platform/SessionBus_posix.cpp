#include "platform/SessionBus.h"

#include <cstdlib>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where the library looks for its launcher before it searches the path.
constexpr char kInstalledLauncher[] = "/usr/bin/dbus-launch";
// What a program search uses when no search path is set.
constexpr char kDefaultSearchPath[] = "/bin:/usr/bin";

bool exists(const std::string &path)
{
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0;
}

bool executable(const std::string &path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

} // namespace

bool sessionBusReachable(const char *address, const char *runtimeDirectory, const char *searchPath,
                         const std::string &launcher)
{
    // The library takes an empty address for none and looks for a bus itself.
    if (address && *address)
        return true;
    if (runtimeDirectory && *runtimeDirectory && exists(std::string(runtimeDirectory) + "/bus"))
        return true;
    if (executable(launcher))
        return true;
    const std::string name = launcher.substr(launcher.rfind('/') + 1);
    const std::string_view path = searchPath ? searchPath : kDefaultSearchPath;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find(':', start);
        const std::string_view entry = path.substr(start, end == std::string_view::npos ? end : end - start);
        // An empty entry is the current directory.
        std::string candidate = entry.empty() ? std::string(".") : std::string(entry);
        candidate += '/';
        candidate += name;
        if (executable(candidate))
            return true;
        if (end == std::string_view::npos)
            return false;
        start = end + 1;
    }
}

void skipFutileSessionBusLaunch()
{
    if (!sessionBusReachable(std::getenv(kSessionBusAddressVariable), std::getenv("XDG_RUNTIME_DIR"),
                             std::getenv("PATH"), kInstalledLauncher))
        ::setenv(kSessionBusAddressVariable, kNoSessionBus, 0);
}
