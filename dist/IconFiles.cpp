// Writes the program icon as PNG files for the icon theme, from the same
// drawing the running program uses for its window icon.
//   tarvello-icon-files DIR SIZE...   writes DIR/SIZExSIZE/apps/tarvello.png
#include "common/ToolbarArt.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tarvello-icon-files DIR SIZE...\n");
        return 2;
    }
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "not a size: %s\n", qPrintable(args.at(i)));
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args.at(1)).arg(size);
        if (!QDir().mkpath(dir) || !ToolbarArt::programImage(size).save(dir + QStringLiteral("/tarvello.png"))) {
            std::fprintf(stderr, "cannot write the %d pixel icon in %s\n", size, qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
