#include "files/DecoderProtocol.h"

#include "files/PictureFiles.h"

#include <QtEndian>

namespace DecoderProtocol {

namespace {

constexpr char kMagic[] = "TVD1";
constexpr quint32 kPicture = 1;
constexpr quint32 kRefused = 2;

// magic, kind, width, height, format, 4 bytes unused, length
QByteArray header(quint32 kind, quint32 width, quint32 height, quint32 format, quint64 length)
{
    QByteArray out(kHeaderBytes, 0);
    auto *o = reinterpret_cast<uchar *>(out.data());
    std::copy_n(kMagic, 4, out.data());
    qToLittleEndian(kind, o + 4);
    qToLittleEndian(width, o + 8);
    qToLittleEndian(height, o + 12);
    qToLittleEndian(format, o + 16);
    qToLittleEndian(length, o + 24);
    return out;
}

} // namespace

QByteArray pictureHeader(const QImage &picture)
{
    return header(kPicture, quint32(picture.width()), quint32(picture.height()), quint32(picture.format()),
                  quint64(picture.sizeInBytes()));
}

QByteArray refusal(const QString &reason)
{
    const QByteArray text = reason.toUtf8().left(kMaxReasonBytes);
    return header(kRefused, 0, 0, 0, quint64(text.size())) + text;
}

Announced parse(QByteArrayView bytes)
{
    if (bytes.size() != kHeaderBytes || !bytes.startsWith(QByteArrayView(kMagic, 4)))
        throw QStringLiteral("its answer is not a decoder's");
    const auto *d = reinterpret_cast<const uchar *>(bytes.data());
    const quint32 kind = qFromLittleEndian<quint32>(d + 4);
    const quint32 width = qFromLittleEndian<quint32>(d + 8);
    const quint32 height = qFromLittleEndian<quint32>(d + 12);
    const quint32 format = qFromLittleEndian<quint32>(d + 16);
    const quint64 length = qFromLittleEndian<quint64>(d + 24);
    Announced announced;
    if (kind == kRefused) {
        if (length > quint64(kMaxReasonBytes))
            throw QStringLiteral("its answer is too long");
        announced.refused = true;
        announced.length = qint64(length);
        return announced;
    }
    const bool known = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32;
    if (kind != kPicture || !known || width == 0 || height == 0
        || quint64(width) * height > quint64(PictureFiles::kMaxPixels) || length != quint64(width) * height * 4)
        throw QStringLiteral("it announced a picture it may not give");
    announced.size = QSize(int(width), int(height));
    announced.format = QImage::Format(format);
    announced.length = qint64(length);
    return announced;
}

} // namespace DecoderProtocol
