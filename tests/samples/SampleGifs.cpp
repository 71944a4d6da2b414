#include "SampleGifs.h"

#include <QFile>

#include <gif_lib.h>

#include <array>
#include <vector>

namespace SampleGifs {

QImage solid(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

bool write(const QString &path, const QList<QImage> &frames, int delay)
{
    if (frames.isEmpty())
        return false;
    int error = 0;
    GifFileType *gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif)
        return false;
    const QSize screen = frames.first().size();
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, screen.width(), screen.height(), 8, 0, nullptr) == GIF_OK;
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK
        && EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK
        && EGifPutExtensionBlock(gif, 3, "\x01\x00\x00") == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    for (const QImage &frame : frames) {
        const QImage indexed = frame.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        std::array<GifColorType, 256> colours{};
        for (int i = 0; i < indexed.colorCount() && i < 256; ++i)
            colours[std::size_t(i)] = GifColorType{GifByteType(qRed(indexed.color(i))),
                                                   GifByteType(qGreen(indexed.color(i))),
                                                   GifByteType(qBlue(indexed.color(i)))};
        ColorMapObject *map = GifMakeMapObject(256, colours.data());
        GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, delay, NO_TRANSPARENT_COLOR};
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK
            && EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, map) == GIF_OK;
        std::vector<GifPixelType> row(std::size_t(indexed.width()));
        for (int y = 0; ok && y < indexed.height(); ++y) {
            const uchar *line = indexed.constScanLine(y);
            std::copy(line, line + indexed.width(), row.begin());
            ok = EGifPutLine(gif, row.data(), indexed.width()) == GIF_OK;
        }
        GifFreeMapObject(map);
    }
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

} // namespace SampleGifs
