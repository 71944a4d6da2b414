// The GIF writer fed any picture at any size: it writes a GIF that reads
// back at the size asked for, or refuses; it never crashes.
#include "platform/Failure.h"
#include "platform/GifEncoder.h"

#include <QGuiApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Four bytes of sizes, then the pixels, three bytes each, repeated as needed.
    if (size < 5)
        return 0;
    const int width = 1 + data[0] % 64;
    const int height = 1 + data[1] % 64;
    const QSize target(1 + data[2] % 96, 1 + data[3] % 96);
    data += 4;
    size -= 4;
    QImage picture(width, height, QImage::Format_RGB32);
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, at += 3)
            line[x] = qRgb(data[at % size], data[(at + 1) % size], data[(at + 2) % size]);
    }
    try {
        const QByteArray gif = encodeGif(picture, target);
        QImage back;
        if (!back.loadFromData(gif, "GIF") || back.size() != target)
            __builtin_trap();
    } catch (const Failure &) {
    }
    return 0;
}
