#include "HostilePictures.h"

namespace HostilePictures {

namespace {

void put16(QByteArray &out, int value)
{
    out.append(char(value >> 8)).append(char(value & 0xFF));
}

void marker(QByteArray &out, int code)
{
    out.append(char(0xFF)).append(char(code));
}

// Entropy-coded bits, most significant first, with 0xFF stuffed.
class Bits
{
public:
    explicit Bits(QByteArray &out)
        : m_out(out)
    { }
    void put(quint32 value, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = (m_byte << 1) | ((value >> i) & 1);
            if (++m_used == 8)
                flush();
        }
    }
    void finish()
    {
        while (m_used != 0)
            put(1, 1);
    }

private:
    void flush()
    {
        m_out.append(char(m_byte));
        if (m_byte == 0xFF)
            m_out.append(char(0));
        m_byte = 0;
        m_used = 0;
    }
    QByteArray &m_out;
    quint32 m_byte = 0;
    int m_used = 0;
};

// A Huffman table of one symbol, coded as the single bit 0.
void oneSymbolTable(QByteArray &out, int classAndId, int symbol)
{
    marker(out, 0xC4);
    put16(out, 2 + 1 + 16 + 1);
    out.append(char(classAndId));
    out.append(char(1));
    out.append(QByteArray(15, 0));
    out.append(char(symbol));
}

void scanHeader(QByteArray &out, int first, int last)
{
    marker(out, 0xDA);
    put16(out, 8);
    out.append(char(1)).append(char(1)).append(char(0x00));
    out.append(char(first)).append(char(last)).append(char(0));
}

} // namespace

QByteArray manyScanJpeg(QSize size, int acScans)
{
    QByteArray out;
    marker(out, 0xD8);
    marker(out, 0xDB);
    put16(out, 67);
    out.append(char(0)).append(QByteArray(64, 1));
    marker(out, 0xC2); // progressive
    put16(out, 11);
    out.append(char(8));
    put16(out, size.height());
    put16(out, size.width());
    out.append(char(1)).append(char(1)).append(char(0x11)).append(char(0));
    oneSymbolTable(out, 0x00, 0x00); // DC: every difference zero
    oneSymbolTable(out, 0x10, 0xE0); // AC: end-of-band runs of 2^14 and more

    const qint64 blocks = qint64((size.width() + 7) / 8) * ((size.height() + 7) / 8);
    scanHeader(out, 0, 0);
    {
        Bits bits(out);
        for (qint64 i = 0; i < blocks; ++i)
            bits.put(0, 1);
        bits.finish();
    }
    for (int s = 0; s < acScans; ++s) {
        scanHeader(out, 1, 63);
        Bits bits(out);
        for (qint64 left = blocks; left > 0;) {
            const qint64 run = qMin<qint64>(left, 32767);
            const qint64 extra = qMax<qint64>(run, 16384) - 16384;
            bits.put(0, 1);
            bits.put(quint32(extra), 14);
            left -= qMax<qint64>(run, 16384);
        }
        bits.finish();
    }
    marker(out, 0xD9);
    return out;
}

} // namespace HostilePictures
