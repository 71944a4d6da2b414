#include "files/PictureFiles.h"

#include "files/GifScan.h"
#include "files/PictureScan.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

namespace PictureFiles {

namespace {

// In 64 bits, so that no product of it is formed in int first.
constexpr qint64 kMegabyte = 1024LL * 1024;

[[noreturn]] void refuse(const QString &path, const QString &what)
{
    throw Failure(QStringLiteral("\"%1\" could not be loaded: %2.").arg(QDir::toNativeSeparators(path), what));
}

qint64 area(QSize s)
{
    return qint64(s.width()) * s.height();
}

void refuseIfTooLarge(const QString &path, QSize size)
{
    if (area(size) > kMaxPixels)
        refuse(path, QStringLiteral("the picture is too large (%1 x %2 pixels)").arg(size.width()).arg(size.height()));
}

// Formats whose decoding cost the checks below can bound.
bool supported(const QByteArray &format)
{
    static const QList<QByteArray> known = {"bmp", "gif", "jpeg", "jpg", "png", "ico", "pbm", "pgm", "ppm"};
    return known.contains(format);
}

// What the file's own structure says before any pixel is decoded: cut-off
// data, a size beyond the limits, decoding work beyond reason.
void checkStructure(QByteArrayView bytes, const QByteArray &format, const QString &path)
{
    if (format == "gif") {
        const GifScan scan = GifScan::of(bytes);
        refuseIfTooLarge(path, scan.screen);
        refuseIfTooLarge(path, scan.largestFrame);
        if (scan.frames == 0 || (scan.frames == 1 && !scan.complete))
            refuse(path, QStringLiteral("the file is truncated"));
        // Qt's decoder shows whatever broken data gives; only a whole first frame is a picture.
        if (!GifScan::firstFrameDecodes(bytes))
            refuse(path, QStringLiteral("the picture data is damaged"));
    } else if (format == "jpeg" || format == "jpg") {
        const JpegScan scan = JpegScan::of(bytes);
        if (!scan.complete)
            refuse(path, QStringLiteral("the file is truncated"));
        refuseIfTooLarge(path, scan.size);
        const qint64 blocks = qint64((scan.size.width() + 7) / 8) * ((scan.size.height() + 7) / 8);
        const DecodeCost cost{format, area(scan.size), bytes.size(), scan.progressive, blocks * scan.scans};
        if (cost.milliseconds() > kMaxDecodeMs)
            refuse(path,
                   QStringLiteral("it would take too long to decode (%1 scans over %2 x %3 pixels)")
                       .arg(scan.scans)
                       .arg(scan.size.width())
                       .arg(scan.size.height()));
    } else if (format == "png") {
        const PngScan scan = PngScan::of(bytes);
        if (!scan.complete)
            refuse(path, QStringLiteral("the file is truncated"));
        refuseIfTooLarge(path, scan.size);
        if (DecodeCost{format, area(scan.size), bytes.size()}.milliseconds() > kMaxDecodeMs)
            refuse(path,
                   QStringLiteral("it would take too long to decode (%1 MB of data over %2 x %3 pixels)")
                       .arg(bytes.size() / kMegabyte)
                       .arg(scan.size.width())
                       .arg(scan.size.height()));
    } else if (format == "bmp") {
        if (BitmapScan::of(bytes).tooShort)
            refuse(path, QStringLiteral("the file is truncated"));
    }
}

} // namespace

double DecodeCost::milliseconds() const
{
    // Nanoseconds per pixel, per byte of coded data and per block revisited
    // by a progressive scan, measured on noise (the costliest content) on
    // our 2-core build machine.
    struct Rate
    {
        double pixel, byte, blockScan;
    };
    Rate rate{0, 0, 0};
    if (format == "jpeg" || format == "jpg")
        rate = progressive ? Rate{9, 45, 6} : Rate{4.5, 20, 0};
    else if (format == "png")
        rate = Rate{12, 5, 0};
    else if (format == "gif")
        rate = Rate{22, 0, 0}; // checked, then decoded
    return (rate.pixel * double(pixels) + rate.byte * double(bytes) + rate.blockScan * double(blockScans)) / 1e6;
}

void checkAnimation(QByteArrayView bytes, const QString &path)
{
    auto refusePlay = [&](const QString &what) {
        throw Failure(QStringLiteral("\"%1\" cannot be played: %2.").arg(QDir::toNativeSeparators(path), what));
    };
    const GifScan scan = GifScan::of(bytes);
    if (!scan.valid)
        refusePlay(QStringLiteral("it is not a GIF file"));
    if (scan.frames == 0 || (scan.frames == 1 && !scan.complete))
        refusePlay(QStringLiteral("it holds no whole picture"));
    // Every frame is drawn onto the whole screen of the animation.
    if (area(scan.screen) > kMaxPixels || area(scan.largestFrame) > kMaxPixels
        || DecodeCost{"gif", qMax(area(scan.screen), area(scan.largestFrame))}.milliseconds() > kMaxFrameMs)
        refusePlay(QStringLiteral("the animation is too large (%1 x %2 pixels)")
                       .arg(scan.screen.width())
                       .arg(scan.screen.height()));
    if (!GifScan::firstFrameDecodes(bytes))
        refusePlay(QStringLiteral("the picture data is damaged"));
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
        refuse(path, QStringLiteral("the file is too large (over %1 MB)").arg(kMaxFileBytes / kMegabyte));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    const qint64 size = file.size();
    if (size == 0)
        refuse(path, QStringLiteral("the file is empty"));
    // Mapped, not read: the file's pages come in only as the decoder needs them.
    const uchar *mapped = file.map(0, size);
    QByteArray read;
    if (!mapped) {
        read = file.readAll();
        if (read.size() != size)
            refuse(path, QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    }
    return decodePicture(mapped ? QByteArrayView(mapped, size) : QByteArrayView(read), path);
}

QImage decodePicture(QByteArrayView bytes, const QString &path)
{
    if (bytes.isEmpty())
        refuse(path, QStringLiteral("the file is empty"));
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    // Qt reads the common bitmap header, not the longer ones some editors write.
    if (const QByteArray common = BitmapScan::withCommonHeader(bytes); !common.isEmpty())
        data = common;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format();
    if (format.isEmpty() || !reader.canRead())
        refuse(path, QStringLiteral("it is not a picture"));
    if (!supported(format))
        refuse(path, QStringLiteral("pictures of this kind (%1) are not supported").arg(QString::fromLatin1(format)));
    QSize size = reader.size();
    // Where the reader gives no size, the header still says what the picture claims.
    if (!size.isValid() && format == "bmp")
        size = BitmapScan::of(QByteArrayView(data)).size;
    if (!size.isValid() && format == "png")
        size = PngScan::of(QByteArrayView(data)).size;
    if (size.isValid())
        refuseIfTooLarge(path, size);
    // Deep pictures decode to more bytes a pixel than the pixel limit
    // assumes. The depth comes from the file itself: the reader's own answer
    // is garbage for some damaged headers.
    const int bitsPerPixel = format == "png" && PngScan::of(QByteArrayView(data)).bitDepth == 16 ? 64 : 32;
    const qint64 needs = size.isValid() ? area(size) * bitsPerPixel / 8 : 0;
    if (needs > kMaxDecodedBytes)
        refuse(path,
               QStringLiteral("the picture is too large (%1 x %2 pixels would need %3 MB)")
                   .arg(size.width())
                   .arg(size.height())
                   .arg(needs / kMegabyte));
    // The limit is Qt's, for every reader in the program, not this one's alone.
    QImageReader::setAllocationLimit(int(kMaxDecodedBytes / kMegabyte));
    checkStructure(QByteArrayView(data), format, path);

    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) {
        switch (reader.error()) {
        case QImageReader::DeviceError: refuse(path, QStringLiteral("the file cannot be read"));
        case QImageReader::UnsupportedFormatError: refuse(path, QStringLiteral("it is not a picture"));
        default: refuse(path, QStringLiteral("the picture is damaged"));
        }
    }
    return picture;
}

} // namespace PictureFiles
