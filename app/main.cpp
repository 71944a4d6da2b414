#include "app/ModStart.h"
#include "app/Parent.h"
#include "platform/FontWarmUp.h"
#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    FontWarmUp fonts; // overlaps the display connection made next
    QApplication application(argc, argv);
    fonts.finish();
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
