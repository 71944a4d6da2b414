// Reads pictures as the editor does, through the decoder process, and says
// what came of each and how long it took.
//
//   read-picture FILE...

#include "files/DecoderProcess.h"
#include "platform/Failure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    DecoderProcess reader(QStringLiteral(TARVELLO_DECODER));
    const QStringList paths = QCoreApplication::arguments().mid(1);
    for (const QString &path : paths) {
        QElapsedTimer clock;
        clock.start();
        QString result;
        try {
            const QImage picture = reader.read(path);
            result = QStringLiteral("%1 x %2 pixels").arg(picture.width()).arg(picture.height());
        } catch (const Failure &failure) {
            result = failure.message();
        }
        std::printf("%7.0f ms  %s: %s\n", double(clock.nsecsElapsed()) / 1e6, qPrintable(QFileInfo(path).fileName()),
                    qPrintable(result));
    }
    return 0;
}
