#include "app/ModStart.h"
#include "app/Parent.h"
#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtPlatform platform;
    ModStart program(platform.services());
    program.Main();
    platform.dialogs.setParentWidget(&program.parentWindow());
    // The desktop passes the picture a user opened with the program.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        program.parentWindow().openFile(arguments.at(1));
    return QApplication::exec();
}
