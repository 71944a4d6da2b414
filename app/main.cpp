#include "app/ModStart.h"
#include "app/Parent.h"
#include "platform/qt/QtPlatform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QtPlatform platform;
    ModStart program(platform.services());
    program.Main();
    platform.dialogs.setParentWidget(&program.parentWindow());
    return application.exec();
}
