#include "files/GifScan.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

class Cursor
{
public:
    explicit Cursor(QByteArrayView data)
        : m_data(data)
    { }

    bool has(qsizetype n) const { return m_at + n <= m_data.size(); }
    bool atEnd() const { return m_at >= m_data.size(); }
    int byte() { return has(1) ? quint8(m_data[m_at++]) : -1; }
    int word()
    {
        if (!has(2))
            return -1;
        const int value = quint8(m_data[m_at]) | quint8(m_data[m_at + 1]) << 8;
        m_at += 2;
        return value;
    }
    bool skip(qsizetype n)
    {
        if (!has(n))
            return false;
        m_at += n;
        return true;
    }
    // Data sub-blocks end with a block of length zero.
    bool skipSubBlocks()
    {
        for (;;) {
            const int length = byte();
            if (length < 0)
                return false;
            if (length == 0)
                return true;
            if (!skip(length))
                return false;
        }
    }

private:
    QByteArrayView m_data;
    qsizetype m_at = 0;
};

qint64 area(QSize s)
{
    return qint64(s.width()) * s.height();
}

} // namespace

GifScan GifScan::of(QByteArrayView data)
{
    GifScan scan;
    if (!data.startsWith("GIF87a") && !data.startsWith("GIF89a"))
        return scan;
    Cursor in(data);
    in.skip(6);
    const int width = in.word();
    const int height = in.word();
    const int flags = in.byte();
    if (flags < 0 || !in.skip(2))
        return scan;
    scan.valid = true;
    scan.screen = QSize(width, height);
    if ((flags & 0x80) && !in.skip(3 << ((flags & 7) + 1)))
        return scan;

    for (;;) {
        switch (in.byte()) {
        case 0x21: // extension: a label, then sub-blocks
            if (in.byte() < 0 || !in.skipSubBlocks())
                return scan;
            break;
        case 0x2C: { // image: descriptor, colour table, code size, sub-blocks
            in.skip(4);
            const QSize frame(in.word(), in.word());
            const int frameFlags = in.byte();
            if (frameFlags < 0)
                return scan;
            ++scan.frames;
            if (area(frame) > area(scan.largestFrame))
                scan.largestFrame = frame;
            if ((frameFlags & 0x80) && !in.skip(3 << ((frameFlags & 7) + 1)))
                return scan;
            if (in.byte() < 0 || !in.skipSubBlocks())
                return scan;
            break;
        }
        case 0x3B: scan.complete = true; return scan;
        case 0x00: break; // a stray block end, which some writers leave before the trailer
        default: return scan;
        }
        // Many old files end without the trailer; their data is whole all the same.
        if (in.atEnd()) {
            scan.complete = scan.frames > 0;
            return scan;
        }
    }
}

namespace {

struct Source
{
    QByteArrayView data;
    qsizetype at = 0;
};

int readSource(GifFileType *gif, GifByteType *into, int wanted)
{
    auto *source = static_cast<Source *>(gif->UserData);
    const qsizetype n = qMin<qsizetype>(wanted, source->data.size() - source->at);
    std::memcpy(into, source->data.data() + source->at, size_t(n));
    source->at += n;
    return int(n);
}

} // namespace

bool GifScan::firstFrameDecodes(QByteArrayView data)
{
    Source source{data};
    int error = 0;
    const auto close = [](GifFileType *opened) { DGifCloseFile(opened, nullptr); };
    const std::unique_ptr<GifFileType, decltype(close)> owner(DGifOpen(&source, readSource, &error), close);
    GifFileType *gif = owner.get();
    if (!gif)
        return false;
    bool decodes = false;
    for (GifRecordType record = UNDEFINED_RECORD_TYPE; DGifGetRecordType(gif, &record) == GIF_OK;) {
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK)
                break;
            while (block && DGifGetExtensionNext(gif, &block) == GIF_OK) {
            }
            if (block)
                break;
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK || gif->Image.Width <= 0 || gif->Image.Height <= 0)
                break;
            std::vector<GifPixelType> row(size_t(gif->Image.Width));
            decodes = true;
            for (int y = 0; decodes && y < gif->Image.Height; ++y)
                decodes = DGifGetLine(gif, row.data(), gif->Image.Width) == GIF_OK;
            break;
        } else {
            break;
        }
    }
    return decodes;
}
