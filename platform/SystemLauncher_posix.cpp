#include "platform/SystemLauncher.h"

#include "platform/SessionBus.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>

bool SystemLauncher::start(const std::string &path)
{
    if (path.empty())
        return false;
    QProcess tool;
    tool.setProgram(QString::fromLocal8Bit(path));
    // The tool looks for a session bus itself: it gets the environment this
    // program was started with.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (environment.value(QLatin1String(kSessionBusAddressVariable)) == QLatin1String(kNoSessionBus))
        environment.remove(QLatin1String(kSessionBusAddressVariable));
    tool.setProcessEnvironment(environment);
    // Detached: the tool outlives the box and we never wait for it.
    return tool.startDetached();
}

std::string SystemLauncher::findOnPath(const std::string &name)
{
    return QStandardPaths::findExecutable(QString::fromLocal8Bit(name)).toLocal8Bit().toStdString();
}

std::vector<std::string> SystemLauncher::systemInfoTools()
{
    // Graphical tools that open on a summary of the machine without any
    // argument: the desktop-neutral profiler under its new and old name, then
    // the information centre every KDE Plasma desktop has.
    return {"hardinfo2", "hardinfo", "kinfocenter"};
}
