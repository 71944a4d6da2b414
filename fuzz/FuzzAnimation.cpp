// The animated display's path, fed any bytes: the checks before playing,
// then every frame the player steps through.
#include "files/PictureFiles.h"
#include "platform/Failure.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QMovie>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        PictureFiles::checkAnimation(bytes, QStringLiteral("fuzz"));
    } catch (const Failure &) {
        return 0;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QMovie movie(&buffer, "gif");
    movie.setCacheMode(QMovie::CacheNone);
    // Once through: a looping animation starts again at frame 0.
    for (int last = -1; movie.jumpToNextFrame() && movie.currentFrameNumber() > last;)
        last = movie.currentFrameNumber();
    return 0;
}
