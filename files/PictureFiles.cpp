#include "files/PictureFiles.h"

#include "files/GifScan.h"
#include "files/PictureScan.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

namespace PictureFiles {

namespace {

constexpr qint64 kMegabyte = 1024LL * 1024;

[[noreturn]] void refuse(const QString &why)
{
    throw Refusal{why};
}

qint64 area(QSize s)
{
    return qint64(s.width()) * s.height();
}

void refuseIfTooLarge(QSize size, qint64 limit = kMaxPixels)
{
    if (area(size) > limit)
        refuse(QStringLiteral("the picture is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height()));
}

// Formats whose readers are known to behave within the limits below.
bool supported(const QByteArray &format)
{
    static const QList<QByteArray> known = {"bmp", "gif", "jpeg", "jpg", "png", "ico", "pbm", "pgm", "ppm"};
    return known.contains(format);
}

// What the whole file's structure says before any pixel is decoded: data
// cut off before its end. Whatever follows the end never counts.
void checkStructure(QByteArrayView bytes, const QByteArray &format)
{
    if (format == "gif") {
        const GifScan scan = GifScan::of(bytes);
        refuseIfTooLarge(scan.largestFrame);
        if (scan.frames == 0 || (scan.frames == 1 && !scan.complete))
            refuse(QStringLiteral("the file is truncated"));
        // Qt's decoder shows whatever broken data gives; only a whole first frame is a picture.
        if (!GifScan::firstFrameDecodes(bytes))
            refuse(QStringLiteral("the picture data is damaged"));
    } else if (format == "jpeg" || format == "jpg") {
        const JpegScan scan = JpegScan::of(bytes);
        if (!scan.complete)
            refuse(QStringLiteral("the file is truncated"));
        refuseIfTooLarge(scan.size);
    } else if (format == "png") {
        if (!PngScan::of(bytes).complete)
            refuse(QStringLiteral("the file is truncated"));
    }
}

} // namespace

Failure loadFailure(const QString &path, const QString &reason)
{
    return Failure(QStringLiteral("\"%1\" could not be loaded: %2.").arg(QDir::toNativeSeparators(path), reason));
}

Failure playFailure(const QString &path, const QString &reason)
{
    return Failure(QStringLiteral("\"%1\" cannot be played: %2.").arg(QDir::toNativeSeparators(path), reason));
}

void checkHead(QByteArrayView head, qint64 fileSize)
{
    if (fileSize <= 0 || head.isEmpty())
        refuse(QStringLiteral("the file is empty"));
    if (const NetpbmScan scan = NetpbmScan::of(head); scan.kind == 7)
        refuse(QStringLiteral("pictures of this kind (PAM) are not supported"));
    else if (scan.kind != 0)
        refuseIfTooLarge(scan.size);
    if (const BitmapScan scan = BitmapScan::of(head, fileSize); scan.valid) {
        refuseIfTooLarge(scan.size);
        if (scan.tooShort)
            refuse(QStringLiteral("the file is truncated"));
    }
    if (const PngScan scan = PngScan::of(head); scan.valid) {
        refuseIfTooLarge(scan.size);
        // Deep pictures decode to twice the bytes a pixel that the pixel limit assumes.
        if (scan.bitDepth == 16 && area(scan.size) * 8 > kMaxDecodedBytes)
            refuse(QStringLiteral("the picture is too large (%1 x %2 pixels would need %3 MB)")
                       .arg(scan.size.width())
                       .arg(scan.size.height())
                       .arg(area(scan.size) * 8 / kMegabyte));
    }
    if (const GifScan scan = GifScan::of(head); scan.valid) {
        refuseIfTooLarge(scan.screen);
        refuseIfTooLarge(scan.largestFrame);
    }
    if (const JpegScan scan = JpegScan::of(head); scan.valid)
        refuseIfTooLarge(scan.size);
}

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

QImage decode(QByteArrayView bytes, const Canvas &canvas)
{
    checkHead(bytes.first(qMin<qsizetype>(bytes.size(), kHeadBytes)), bytes.size());
    refuseIfTooLarge(NetpbmScan::of(bytes).size); // its header may be longer than the head
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    // Qt reads the common bitmap header, not the longer ones some editors
    // write, and netpbm's binary forms with a plain header best.
    if (const QByteArray common = BitmapScan::withCommonHeader(bytes); !common.isEmpty())
        data = common;
    try {
        if (const QByteArray binary = NetpbmScan::binary(bytes); !binary.isEmpty())
            data = binary;
    } catch (const QString &why) {
        refuse(why);
    }
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        refuse(QStringLiteral("it is not a picture"));
    if (!supported(format))
        refuse(QStringLiteral("pictures of this kind (%1) are not supported").arg(QString::fromLatin1(format)));
    refuseIfTooLarge(reader.size());
    // The limit is Qt's, for every reader in the process, not this one's alone.
    QImageReader::setAllocationLimit(int(kMaxDecodedBytes / kMegabyte));
    checkStructure(QByteArrayView(data), format);

    // Readers decode into a picture of the size and format they make.
    const QSize size = reader.size();
    const QImage::Format made = reader.imageFormat();
    QImage picture = canvas && size.isValid() && (made == QImage::Format_RGB32 || made == QImage::Format_ARGB32)
        ? canvas(size, made)
        : QImage();
    if (!reader.read(&picture) || picture.isNull()) {
        switch (reader.error()) {
        case QImageReader::DeviceError: refuse(QStringLiteral("the file cannot be read"));
        case QImageReader::UnsupportedFormatError: refuse(QStringLiteral("it is not a picture"));
        default: refuse(QStringLiteral("the picture is damaged"));
        }
    }
    return picture;
}

QImage decodeFirstFrame(QByteArrayView bytes)
{
    const GifScan scan = GifScan::of(bytes);
    if (!scan.valid)
        refuse(QStringLiteral("it is not a GIF file"));
    if (scan.frames == 0 || (scan.frames == 1 && !scan.complete))
        refuse(QStringLiteral("it holds no whole picture"));
    // Every frame is drawn onto the whole screen of the animation.
    if (area(scan.screen) > kMaxAnimationPixels || area(scan.largestFrame) > kMaxAnimationPixels)
        refuse(QStringLiteral("the animation is too large (%1 x %2 pixels)")
                   .arg(scan.screen.width())
                   .arg(scan.screen.height()));
    if (!GifScan::firstFrameDecodes(bytes))
        refuse(QStringLiteral("the picture data is damaged"));
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    QImage frame;
    if (!reader.read(&frame) || frame.isNull())
        refuse(QStringLiteral("the animation is damaged"));
    return frame;
}

} // namespace PictureFiles
