#pragma once

#include "platform/Failure.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <functional>

// A file's bytes, none where it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a file whole, for a test to read back through the program.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A picture whose neighbouring pixels differ, to be read back exactly.
inline QImage sample(QSize size = {40, 20})
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixelColor(x, y, QColor(x * 6 % 256, y * 12 % 256, (x + y) * 4 % 256));
    return image;
}

// The picture as the toolkit's own writer encodes it.
inline QByteArray encoded(const QImage &image, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// The message of the failure a step ends in; none when it succeeds.
inline QString failureOf(const std::function<void()> &step)
{
    try {
        step();
    } catch (const Failure &failure) {
        return failure.message();
    }
    return QString();
}
