#include "platform/SystemLauncher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>

bool SystemLauncher::start(const std::string &path)
{
    if (path.empty())
        return false;
    // Detached: the tool outlives the box and we never wait for it.
    return QProcess::startDetached(QString::fromLocal8Bit(path), {});
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
