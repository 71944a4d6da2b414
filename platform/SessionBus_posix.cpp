#include "platform/SessionBus.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstdlib>

namespace {

// Where the library looks for its launcher before it searches the path.
constexpr char kInstalledLauncher[] = "/usr/bin/dbus-launch";
// What a program search uses when no search path is set.
constexpr char kDefaultSearchPath[] = "/bin:/usr/bin";

} // namespace

bool sessionBusReachable(const char *address, const char *runtimeDirectory, const char *searchPath,
                         const std::string &launcher)
{
    // The library takes an empty address for none and looks for a bus itself.
    if (address && *address)
        return true;
    if (runtimeDirectory && *runtimeDirectory
        && QFileInfo::exists(QString::fromLocal8Bit(runtimeDirectory) + QStringLiteral("/bus")))
        return true;
    const QFileInfo installed(QString::fromStdString(launcher));
    if (installed.isFile() && installed.isExecutable())
        return true;
    QStringList directories = QString::fromLocal8Bit(searchPath ? searchPath : kDefaultSearchPath).split(u':');
    for (QString &directory : directories) {
        if (directory.isEmpty())
            directory = QStringLiteral("."); // as a program search takes an empty entry
    }
    return !QStandardPaths::findExecutable(installed.fileName(), directories).isEmpty();
}

void skipFutileSessionBusLaunch()
{
    if (!sessionBusReachable(std::getenv(kSessionBusAddressVariable), std::getenv("XDG_RUNTIME_DIR"),
                             std::getenv("PATH"), kInstalledLauncher))
        ::setenv(kSessionBusAddressVariable, kNoSessionBus, 1); // an empty one, too, means none
}
