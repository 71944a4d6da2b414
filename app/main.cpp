#include "app/ModStart.h"
#include "app/Parent.h"
#include "app/StartupWork.h"
#include "platform/SessionBus.h"
#include "platform/StartupWarmUp.h"
#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QFont>
#include <QStringList>
#ifdef TARVELLO_SESSION_BUS
#include <QDBusConnection>
#endif

int main(int argc, char *argv[])
{
    skipFutileSessionBusLaunch(); // first: no other thread may read the environment yet
    StartupWarmUp warmUp;         // reads the font configuration while the display connection is made
    QApplication application(argc, argv);
    // The program's own texts are English captions, which look the same
    // without the text shaper's kerning and ligatures (scripts that need it
    // still get it); skipping it spares start-up setting one up for each
    // face. The banner's text keeps it.
    QFont captions = QApplication::font();
    captions.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(captions);
    warmUp.thenRun(prepareFirstPaint); // while the windows are built
#ifdef TARVELLO_SESSION_BUS
    // The toolkit's accessibility bridge and its menu bar each connect to the
    // desktop's session bus as the windows are built, and wait for it. Done
    // now, that wait overlaps the font database the warm-up thread is
    // filling, which the windows would wait for next.
    QDBusConnection::sessionBus();
#endif
    QtPlatform platform;
    ModStart program(platform.services());
    program.Main();
    platform.dialogs.setParentWidget(&program.parentWindow());
    // The desktop passes the picture a user opened with the program.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        program.parentWindow().openFile(arguments.at(1));
    const int status = QApplication::exec();
    warmUp.finish(); // its drawing needs the application object, which goes next
    return status;
}
