#include "files/PictureFiles.h"

#include "platform/AtomicFile.h"
#include "platform/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

namespace PictureFiles {

namespace {

[[noreturn]] void refuse(const QString &path, const QString &what)
{
    throw Failure(QStringLiteral("\"%1\" could not be loaded: %2.").arg(QDir::toNativeSeparators(path), what));
}

// An uncompressed bitmap knows how long its pixel rows must be.
bool bitmapTooShort(const QByteArray &head, qint64 fileSize)
{
    if (head.size() < 34)
        return false;
    const auto *d = reinterpret_cast<const uchar *>(head.constData());
    const quint32 dataAt = qFromLittleEndian<quint32>(d + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(d + 14);
    if (headerSize < 40)
        return false;
    const qint64 width = qFromLittleEndian<qint32>(d + 18);
    const qint64 height = qAbs(qint64(qFromLittleEndian<qint32>(d + 22)));
    const quint16 bits = qFromLittleEndian<quint16>(d + 28);
    const quint32 compression = qFromLittleEndian<quint32>(d + 30);
    if ((compression != 0 && compression != 3) || width <= 0 || bits == 0)
        return false;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    return fileSize < qint64(dataAt) + stride * height;
}

// Qt's bitmap reader gives no size for pictures it deems too big; the
// header still says how big they claim to be.
QSize bitmapHeaderSize(const QByteArray &head)
{
    if (head.size() < 26 || !head.startsWith("BM"))
        return {};
    const auto *d = reinterpret_cast<const uchar *>(head.constData());
    return QSize(qFromLittleEndian<qint32>(d + 18), qAbs(qFromLittleEndian<qint32>(d + 22)));
}

QByteArray tailOf(QFile &file)
{
    const qint64 size = file.size();
    const qint64 tail = qMin<qint64>(size, 4096);
    QByteArray end;
    if (file.seek(size - tail))
        end = file.read(tail);
    file.seek(0);
    return end;
}

// Readers of these formats fill in what a cut-off file lacks and report
// success, so a missing end marker is looked for here.
bool looksTruncated(const QByteArray &head, const QByteArray &end, qint64 fileSize, const QByteArray &format)
{
    if (format == "bmp")
        return bitmapTooShort(head, fileSize);
    if (format == "jpeg" || format == "jpg")
        return !end.contains(QByteArray("\xFF\xD9", 2));
    if (format == "gif")
        return !end.contains(';');
    if (format == "png")
        return !end.contains("IEND");
    return false;
}

} // namespace

void savePicture(const QImage &picture, const QString &path)
{
    if (picture.isNull())
        throw Failure(QStringLiteral("There is no picture to save."));
    // 24 bits a pixel: no alpha, which many readers of bitmaps get wrong.
    const QImage opaque = picture.convertToFormat(QImage::Format_RGB32);
    writeFileAtomically(path, [&](QIODevice &file) {
        QImageWriter writer(&file, "bmp");
        return writer.write(opaque);
    });
}

QImage loadPicture(const QString &path)
{
    if (path.isEmpty())
        return QImage();
    const QFileInfo info(path);
    if (!info.exists())
        refuse(path, QStringLiteral("the file does not exist"));
    // Pipes, devices and sockets could block the read for ever.
    if (!info.isFile())
        refuse(path, QStringLiteral("it is not a regular file"));
    if (info.size() > kMaxFileBytes)
        refuse(path, QStringLiteral("the file is too large (over %1 MB)").arg(kMaxFileBytes / (1024 * 1024)));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    if (file.size() == 0)
        refuse(path, QStringLiteral("the file is empty"));

    const QByteArray head = file.peek(64);
    const QByteArray end = tailOf(file);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        refuse(path, QStringLiteral("it is not a picture"));
    QSize size = reader.size();
    if (!size.isValid() && format == "bmp")
        size = bitmapHeaderSize(head);
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        refuse(path, QStringLiteral("the picture is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height()));
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)));
    if (looksTruncated(head, end, file.size(), format))
        refuse(path, QStringLiteral("the file is truncated"));

    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) {
        switch (reader.error()) {
        case QImageReader::DeviceError:
            refuse(path, QStringLiteral("the file cannot be read"));
        case QImageReader::UnsupportedFormatError:
            refuse(path, QStringLiteral("it is not a picture"));
        default:
            refuse(path, QStringLiteral("the picture is damaged or truncated"));
        }
    }
    return picture;
}

} // namespace PictureFiles
