#include "platform/GifImageCopy.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/GifEncoder.h"

#include <QIODevice>

void GifImageCopy::copyToGif(const QImage &bitmap, const QString &path, long width, long height)
{
    if (width < 1 || height < 1 || width > kGifMaxSide || height > kGifMaxSide)
        throw Failure(QStringLiteral("A GIF cannot be %1 x %2 pixels.").arg(width).arg(height));
    write(bitmap, path, QSize(int(width), int(height)), nullptr);
}

void GifImageCopy::write(const QImage &bitmap, const QString &path, QSize size, GifEncodeReport *report)
{
    // Encoded in full before the file is touched.
    const QByteArray bytes = encodeGif(bitmap, size, report);
    writeFileAtomically(path, [&](QIODevice &file) { return file.write(bytes) == bytes.size(); });
}
