// Writes the fuzzers' first inputs: small valid pictures of every kind the
// loader reads, made here so that no picture file needs to be kept.
//
//   make-seeds FOLDER     writes FOLDER/load, FOLDER/animation, FOLDER/gif-writer

#include "SampleGifs.h"
#include "platform/GifEncoder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace {

QImage picture(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 37 + seed) % 256, (y * 53 + seed) % 256, ((x ^ y) * 11) % 256));
    return image;
}

QByteArray encoded(const QImage &image, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-seeds FOLDER\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char *sub : {"load", "animation", "gif-writer"})
        root.mkpath(QLatin1String(sub));
    bool ok = true;
    int n = 0;
    for (const QSize size : {QSize(1, 1), QSize(7, 5), QSize(16, 16), QSize(33, 9)}) {
        const QImage image = picture(size, n);
        const QString stem = root.filePath(QStringLiteral("load/%1").arg(n++));
        ok &= put(stem + QStringLiteral(".bmp"), encoded(image, "BMP"));
        ok &= put(stem + QStringLiteral("-8.bmp"), encoded(image.convertToFormat(QImage::Format_Indexed8), "BMP"));
        ok &= put(stem + QStringLiteral(".png"), encoded(image, "PNG"));
        ok &= put(stem + QStringLiteral(".jpg"), encoded(image, "JPEG"));
        ok &= put(stem + QStringLiteral("-p.jpg"), encoded(image, "JPEG", true));
        ok &= put(stem + QStringLiteral(".gif"), encodeGif(image, size));
        ok &= put(stem + QStringLiteral(".ico"), encoded(image, "ICO"));
        ok &= put(stem + QStringLiteral(".ppm"), encoded(image, "PPM"));
    }
    const QString animation = root.filePath(QStringLiteral("animation/three.gif"));
    ok &= SampleGifs::write(animation, {picture({12, 8}, 1), picture({12, 8}, 2), picture({12, 8}, 3)}, 2);
    ok &= QFile::copy(root.filePath(QStringLiteral("load/1.gif")), root.filePath(QStringLiteral("animation/one.gif")));
    for (int i = 0; i < 4; ++i) {
        QByteArray input;
        input.append(char(i * 13)).append(char(i * 7)).append(char(i * 29)).append(char(i * 3));
        for (int k = 0; k < 64 * (i + 1); ++k)
            input.append(char((k * (i + 3)) & 0xFF));
        ok &= put(root.filePath(QStringLiteral("gif-writer/%1").arg(i)), input);
    }
    return ok ? 0 : 1;
}
