#include "files/PictureScan.h"

#include <QtEndian>

#include <cstring>

namespace {

const uchar *bytes(QByteArrayView data)
{
    return reinterpret_cast<const uchar *>(data.data());
}

} // namespace

JpegScan JpegScan::of(QByteArrayView data)
{
    JpegScan scan;
    const uchar *d = bytes(data);
    const qsizetype n = data.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return scan;
    scan.valid = true;
    qsizetype at = 2;
    for (;;) {
        // Fill bytes may stand before a marker.
        while (at < n && d[at] == 0xFF && at + 1 < n && d[at + 1] == 0xFF)
            ++at;
        if (at + 1 >= n || d[at] != 0xFF)
            return scan;
        const uchar code = d[at + 1];
        at += 2;
        if (code == 0xD9) {
            scan.complete = scan.scans > 0;
            return scan;
        }
        if ((code >= 0xD0 && code <= 0xD7) || code == 0x01)
            continue;
        if (at + 2 > n)
            return scan;
        const qsizetype length = qFromBigEndian<quint16>(d + at);
        if (length < 2 || at + length > n)
            return scan;
        const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame && length >= 7)
            scan.size = QSize(qFromBigEndian<quint16>(d + at + 5), qFromBigEndian<quint16>(d + at + 3));
        at += length;
        if (code != 0xDA)
            continue;
        ++scan.scans;
        // Coded data runs to the next marker that is not a stuffed byte or a restart.
        for (;;) {
            const void *ff = std::memchr(d + at, 0xFF, size_t(n - at));
            if (!ff)
                return scan;
            at = static_cast<const uchar *>(ff) - d;
            if (at + 1 >= n)
                return scan;
            const uchar next = d[at + 1];
            if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF)
                break;
            at += next == 0xFF ? 1 : 2;
        }
    }
}

PngScan PngScan::of(QByteArrayView data)
{
    PngScan scan;
    const uchar *d = bytes(data);
    const qsizetype n = data.size();
    if (!data.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8)) || n < 8 + 8 + 13)
        return scan;
    if (std::memcmp(d + 12, "IHDR", 4) != 0)
        return scan;
    scan.valid = true;
    scan.size = QSize(int(qFromBigEndian<quint32>(d + 16) & 0x7FFFFFFF),
                      int(qFromBigEndian<quint32>(d + 20) & 0x7FFFFFFF));
    scan.bitDepth = d[24];
    for (qsizetype at = 8; at + 8 <= n;) {
        const qint64 length = qFromBigEndian<quint32>(d + at);
        const bool end = std::memcmp(d + at + 4, "IEND", 4) == 0;
        if (at + 12 + length > n)
            return scan;
        if (end) {
            scan.complete = true;
            return scan;
        }
        at += 12 + length;
    }
    return scan;
}

BitmapScan BitmapScan::of(QByteArrayView data, qint64 fileSize)
{
    BitmapScan scan;
    if (data.size() < 30 || !data.startsWith("BM"))
        return scan;
    const uchar *d = bytes(data);
    scan.valid = true;
    scan.headerSize = int(qFromLittleEndian<quint32>(d + 14));
    if (scan.headerSize < 40 || data.size() < 34) {
        if (scan.headerSize == 12)
            scan.size = QSize(qFromLittleEndian<quint16>(d + 18), qFromLittleEndian<quint16>(d + 20));
        return scan;
    }
    const qint64 width = qFromLittleEndian<qint32>(d + 18);
    const qint64 height = qAbs(qint64(qFromLittleEndian<qint32>(d + 22)));
    scan.size = QSize(int(qBound(qint64(0), width, qint64(INT_MAX))), int(qMin(height, qint64(INT_MAX))));
    const quint32 dataAt = qFromLittleEndian<quint32>(d + 10);
    const quint16 bits = qFromLittleEndian<quint16>(d + 28);
    const quint32 compression = qFromLittleEndian<quint32>(d + 30);
    if ((compression == 0 || compression == 3) && width > 0 && bits > 0) {
        // Rows that fit in what follows the data offset; no product can overflow.
        const qint64 stride = ((width * bits + 31) / 32) * 4;
        const qint64 room = (fileSize < 0 ? data.size() : fileSize) - qint64(dataAt);
        scan.tooShort = room < 0 || room / stride < height;
    }
    return scan;
}

QByteArray BitmapScan::withCommonHeader(QByteArrayView data)
{
    const BitmapScan scan = of(data);
    if (!scan.valid || (scan.headerSize != 52 && scan.headerSize != 56) || data.size() < 14 + scan.headerSize)
        return {};
    const uchar *d = bytes(data);
    const quint32 compression = qFromLittleEndian<quint32>(d + 30);
    const quint32 dataAt = qFromLittleEndian<quint32>(d + 10);
    // Colour masks stand right after a 40-byte header, where these headers
    // hold them already; the alpha mask of the 56-byte one is dropped.
    const qsizetype kept = (compression == 3 || compression == 6) ? 52 : 40;
    const qsizetype removed = scan.headerSize - kept;
    if (dataAt < quint32(14 + scan.headerSize))
        return {};
    QByteArray out;
    out.reserve(data.size() - removed);
    out.append(data.first(14 + kept).toByteArray());
    out.append(data.sliced(14 + scan.headerSize).toByteArray());
    auto *o = reinterpret_cast<uchar *>(out.data());
    qToLittleEndian<quint32>(40, o + 14);
    qToLittleEndian<quint32>(dataAt - quint32(removed), o + 10);
    qToLittleEndian<quint32>(quint32(out.size()), o + 2);
    if (compression == 6)
        qToLittleEndian<quint32>(3, o + 30);
    return out;
}

namespace {

// Reads netpbm's header tokens and plain samples: blanks and comments (a #
// to the end of its line) may stand anywhere between them.
class NetpbmReader
{
public:
    explicit NetpbmReader(QByteArrayView data)
        : m_data(data)
    { }

    qsizetype at() const { return m_at; }
    void skipBlanks()
    {
        while (m_at < m_data.size()) {
            const char c = m_data[m_at];
            if (c == '#') {
                while (m_at < m_data.size() && m_data[m_at] != '\n' && m_data[m_at] != '\r')
                    ++m_at;
            } else if (c == ' ' || (c >= '\t' && c <= '\r')) {
                ++m_at;
            } else {
                return;
            }
        }
    }
    // A decimal number, or -1 where there is none or it is out of range.
    qint64 number()
    {
        skipBlanks();
        qint64 value = -1;
        while (m_at < m_data.size() && m_data[m_at] >= '0' && m_data[m_at] <= '9') {
            value = qMax<qint64>(value, 0) * 10 + (m_data[m_at++] - '0');
            if (value > 0xFFFFFFF)
                return -1;
        }
        return value;
    }
    // One plain bit: plain bitmaps need no blank between their digits.
    int bit()
    {
        skipBlanks();
        if (m_at >= m_data.size() || (m_data[m_at] != '0' && m_data[m_at] != '1'))
            return -1;
        return m_data[m_at++] - '0';
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 2;
};

} // namespace

NetpbmScan NetpbmScan::of(QByteArrayView data)
{
    NetpbmScan scan;
    if (data.size() < 3 || data[0] != 'P' || data[1] < '1' || data[1] > '7')
        return scan;
    scan.kind = data[1] - '0';
    if (scan.kind == 7)
        return scan;
    NetpbmReader in(data);
    const qint64 width = in.number(), height = in.number();
    if (width > 0 && height > 0)
        scan.size = QSize(int(width), int(height));
    return scan;
}

QByteArray NetpbmScan::binary(QByteArrayView data)
{
    const NetpbmScan scan = of(data);
    if (scan.kind < 1 || scan.kind > 6)
        return {};
    NetpbmReader in(data);
    const qint64 width = in.number(), height = in.number();
    const bool bits = scan.kind == 1 || scan.kind == 4;
    const qint64 maxval = bits ? 1 : in.number();
    if (width <= 0 || height <= 0 || maxval <= 0 || maxval > 65535)
        throw QStringLiteral("the picture is damaged");
    const int channels = scan.kind == 3 || scan.kind == 6 ? 3 : 1;
    const int sampleBytes = maxval > 255 ? 2 : 1;
    const qint64 rowBytes = bits ? (width + 7) / 8 : width * channels * sampleBytes;
    const QByteArray header = QStringLiteral("P%1\n%2 %3\n")
                                  .arg(bits                ? 4
                                           : channels == 3 ? 6
                                                           : 5)
                                  .arg(width)
                                  .arg(height)
                                  .toLatin1()
        + (bits ? QByteArray() : QByteArray::number(maxval) + '\n');
    if (scan.kind >= 4) {
        // One blank ends the header; the samples follow as they are.
        const qsizetype raster = in.at() + 1;
        if (raster > data.size())
            throw QStringLiteral("the file is truncated");
        return header + data.sliced(raster).toByteArray();
    }
    if (qint64(rowBytes) * height > 4 * (data.size() + 1))
        throw QStringLiteral("the file is truncated"); // a plain sample takes at least a character
    QByteArray out = header;
    const qsizetype start = out.size();
    out.resize(start + rowBytes * height, 0);
    auto *o = reinterpret_cast<uchar *>(out.data() + start);
    for (qint64 y = 0; y < height; ++y, o += rowBytes) {
        if (bits) {
            for (qint64 x = 0; x < width; ++x) {
                const int b = in.bit();
                if (b < 0)
                    throw QStringLiteral("the file is truncated");
                o[x / 8] |= uchar(b << (7 - x % 8));
            }
            continue;
        }
        for (qint64 i = 0; i < width * channels; ++i) {
            const qint64 v = in.number();
            if (v < 0)
                throw QStringLiteral("the file is truncated");
            const qint64 sample = qMin(v, maxval);
            if (sampleBytes == 2)
                qToBigEndian<quint16>(quint16(sample), o + 2 * i);
            else
                o[i] = uchar(sample);
        }
    }
    return out;
}
