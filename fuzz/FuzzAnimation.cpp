// The animated display's path, fed any bytes: the checks and the first frame
// in the decoder process, then every frame the player steps through.
#include "files/PictureFiles.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>

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
        PictureFiles::decodeFirstFrame(bytes);
    } catch (const PictureFiles::Refusal &) {
        return 0;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    QImage frame;
    while (reader.read(&frame)) {
    }
    return 0;
}
