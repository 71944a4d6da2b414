#include "app/StartupWork.h"

#include "common/ToolbarArt.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>

void prepareFirstPaint()
{
    // The windows' first measured text waits for the font database.
    QFontDatabase::families();
    // Loads every image-format plugin, once for the whole program.
    QImageReader::supportedImageFormats();
    ToolbarArt::prepare();
    // The font engine stays with this thread, but the list of fallback fonts
    // it looks up is kept for all of them.
    QFontMetrics(QGuiApplication::font()).height();
}
