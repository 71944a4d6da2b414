#include "TestMain.h"
#include "platform/GifLzw.h"

#include <QByteArray>
#include <QImage>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>
#include <vector>

using Pixels = std::vector<std::uint8_t>;
using Picture = std::function<Pixels(int width, int height, int colours)>;
Q_DECLARE_METATYPE(Picture)

namespace {

void word(QByteArray &out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

// A whole GIF around the codes, with a grey table of 1 << codeSize entries.
QByteArray wrap(const std::vector<std::uint8_t> &codes, int codeSize, int width, int height)
{
    QByteArray gif("GIF89a");
    word(gif, width);
    word(gif, height);
    gif.append(char(0x80 | (codeSize - 1)));
    gif.append(2, '\0');
    for (int i = 0; i < (1 << codeSize); ++i)
        gif.append(3, char(i));
    gif.append(',');
    word(gif, 0);
    word(gif, 0);
    word(gif, width);
    word(gif, height);
    gif.append('\0');
    gif.append(char(codeSize));
    gif.append(reinterpret_cast<const char *>(codes.data()), qsizetype(codes.size()));
    gif.append('\0');
    gif.append(';');
    return gif;
}

// What Qt's reader, which the viewer uses, makes of the GIF: each pixel's
// grey level, which is its entry.
Pixels qtDecode(const QByteArray &gif)
{
    const QImage image = QImage::fromData(gif, "GIF").convertToFormat(QImage::Format_RGB32);
    Pixels out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.push_back(std::uint8_t(qRed(image.pixel(x, y))));
    return out;
}

struct Source
{
    const QByteArray *bytes;
    qsizetype at = 0;
};

int readFromSource(GifFileType *file, GifByteType *out, int wanted)
{
    auto *source = static_cast<Source *>(file->UserData);
    const int length = int(std::min<qsizetype>(wanted, source->bytes->size() - source->at));
    std::memcpy(out, source->bytes->constData() + source->at, std::size_t(length));
    source->at += length;
    return length;
}

// The pixels as giflib's own decoder reads them; empty when it cannot.
Pixels giflibDecode(const QByteArray &gif)
{
    Source source{&gif};
    int error = 0;
    GifFileType *file = DGifOpen(&source, readFromSource, &error);
    if (!file)
        return {};
    Pixels pixels;
    if (DGifSlurp(file) == GIF_OK && file->ImageCount == 1) {
        const SavedImage &image = file->SavedImages[0];
        pixels.assign(image.RasterBits,
                      image.RasterBits + std::ptrdiff_t(image.ImageDesc.Width) * image.ImageDesc.Height);
    }
    DGifCloseFile(file, &error);
    return pixels;
}

int writeToBuffer(GifFileType *file, const GifByteType *data, int length)
{
    static_cast<QByteArray *>(file->UserData)->append(reinterpret_cast<const char *>(data), length);
    return length;
}

// The same picture coded by giflib's own greedy encoder: the size to beat.
qsizetype giflibSize(Pixels pixels, int codeSize, int width, int height)
{
    QByteArray bytes;
    int error = 0;
    GifFileType *file = EGifOpen(&bytes, writeToBuffer, &error);
    std::vector<GifColorType> grey(std::size_t(1) << codeSize);
    ColorMapObject *map = GifMakeMapObject(int(grey.size()), grey.data());
    EGifPutScreenDesc(file, width, height, codeSize, 0, map);
    EGifPutImageDesc(file, 0, 0, width, height, false, nullptr);
    for (int y = 0; y < height; ++y)
        EGifPutLine(file, pixels.data() + std::size_t(y) * std::size_t(width), width);
    GifFreeMapObject(map);
    EGifCloseFile(file, &error);
    return bytes.size();
}

Pixels noise(int width, int height, int colours)
{
    std::mt19937 random(std::uint32_t(width * 31 + colours));
    Pixels pixels(std::size_t(width) * std::size_t(height));
    for (auto &p : pixels)
        p = std::uint8_t(random() % std::uint32_t(colours));
    return pixels;
}

Pixels oneColour(int width, int height, int colours)
{
    return Pixels(std::size_t(width) * std::size_t(height), std::uint8_t(colours - 1));
}

// Runs of random length and colour, as flat artwork with some detail has.
Pixels runs(int width, int height, int colours)
{
    std::mt19937 random(7);
    Pixels pixels;
    while (pixels.size() < std::size_t(width) * std::size_t(height))
        pixels.insert(pixels.end(), 1 + random() % 40, std::uint8_t(random() % std::uint32_t(colours)));
    pixels.resize(std::size_t(width) * std::size_t(height));
    return pixels;
}

// Smoothed rings on a plain ground: the edges of lettering on a banner.
Pixels rings(int width, int height, int colours)
{
    Pixels pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double d = std::fmod(std::hypot(x - width / 2.0, y - height / 2.0), 24.0);
            const double ink = std::clamp(std::min(d - 8.0, 16.0 - d) + 0.5, 0.0, 1.0);
            pixels.push_back(std::uint8_t(std::lround(ink * (colours - 1))));
        }
    return pixels;
}

} // namespace

class tst_GifLzw : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void giflibReadsItBack_data();
    void giflibReadsItBack();
    void standInsReadBack_data();
    void standInsReadBack();
};

void tst_GifLzw::giflibReadsItBack_data()
{
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<int>("codeSize");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("beatsGiflib"); // never larger than greedy coding
    QTest::addColumn<int>("bytes");        // pinned: every choice of the coding, ties included
    QTest::newRow("one pixel") << Picture(oneColour) << 2 << 1 << 1 << false << 3;
    QTest::newRow("noise, 2 colours, table refilled often") << Picture(noise) << 2 << 640 << 200 << false << 35373;
    QTest::newRow("noise, 5 colours of 8") << Picture(noise) << 3 << 97 << 31 << false << 1058;
    QTest::newRow("noise, 256 colours, 12-bit codes") << Picture(noise) << 8 << 512 << 256 << false << 180280;
    QTest::newRow("one colour, strings thousands long") << Picture(oneColour) << 8 << 4000 << 1000 << true << 3909;
    QTest::newRow("runs, 16 colours") << Picture(runs) << 4 << 728 << 90 << true << 5096;
    QTest::newRow("runs, 256 colours") << Picture(runs) << 8 << 970 << 250 << true << 47100;
    QTest::newRow("smoothed rings, 64 shades") << Picture(rings) << 8 << 300 << 250 << true << 12594;
    QTest::newRow("smoothed rings, 4 shades") << Picture(rings) << 2 << 468 << 60 << true << 2166;
}

void tst_GifLzw::giflibReadsItBack()
{
    QFETCH(Picture, picture);
    QFETCH(int, codeSize);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, beatsGiflib);
    QFETCH(int, bytes);
    const int colours = codeSize == 3 ? 5 : 1 << codeSize;
    const Pixels pixels = picture(width, height, colours);
    const std::vector<std::uint8_t> codes = gifLzwEncode(pixels, codeSize);
    const QByteArray gif = wrap(codes, codeSize, width, height);
    QVERIFY(giflibDecode(gif) == pixels);
    QVERIFY(qtDecode(gif) == pixels);
    QCOMPARE(int(codes.size()), bytes);
    // Clearing every full table instead reads back too, and is never smaller.
    const std::vector<std::uint8_t> cleared = gifLzwEncode(pixels, codeSize, false);
    QVERIFY(giflibDecode(wrap(cleared, codeSize, width, height)) == pixels);
    QVERIFY2(codes.size() <= cleared.size(),
             qPrintable(QStringLiteral("%1 bytes against %2 cleared").arg(codes.size()).arg(cleared.size())));
    if (beatsGiflib)
        QVERIFY2(gif.size() <= giflibSize(pixels, codeSize, width, height),
                 qPrintable(QStringLiteral("%1 bytes against %2")
                                .arg(gif.size())
                                .arg(giflibSize(pixels, codeSize, width, height))));
}

void tst_GifLzw::standInsReadBack_data()
{
    QTest::addColumn<Picture>("picture");
    QTest::addColumn<int>("codeSize");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("spread"); // shades either side that may stand in
    QTest::addColumn<int>("bytes");  // pinned, as are the pixels coded as stand-ins
    QTest::addColumn<int>("changed");
    QTest::newRow("runs, none may stand in: the exact coding") << Picture(runs) << 8 << 970 << 250 << 0 << 47100 << 0;
    QTest::newRow("noise, 4 colours, any may stand in") << Picture(noise) << 2 << 200 << 50 << 3 << 261 << 7256;
    QTest::newRow("smoothed rings, 64 shades, neighbours stand in")
        << Picture(rings) << 8 << 300 << 250 << 1 << 11634 << 1447;
    QTest::newRow("noise, 256 colours, table refilled") << Picture(noise) << 8 << 512 << 256 << 2 << 164134 << 16379;
}

// Giflib reads back exactly the pixels the coder says it wrote, each its own
// entry or one it was allowed, and stand-ins only ever make the file smaller.
void tst_GifLzw::standInsReadBack()
{
    QFETCH(Picture, picture);
    QFETCH(int, codeSize);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, spread);
    QFETCH(int, bytes);
    QFETCH(int, changed);
    const int colours = 1 << codeSize;
    const Pixels pixels = picture(width, height, colours);
    LzwLeeway leeway;
    for (const std::uint8_t p : pixels) {
        std::array<std::uint8_t, LzwLeeway::kMost> others{};
        int count = 0;
        for (int d = 1; d <= spread; ++d)
            for (const int other : {p - d, p + d})
                if (other >= 0 && other < colours && count < LzwLeeway::kMost)
                    others[std::size_t(count++)] = std::uint8_t(other);
        leeway.others.push_back(others);
        leeway.count.push_back(std::uint8_t(count));
    }
    Pixels coded;
    const std::vector<std::uint8_t> codes = gifLzwEncode(pixels, codeSize, leeway, coded);
    const Pixels back = giflibDecode(wrap(codes, codeSize, width, height));
    QVERIFY(back == coded);
    QCOMPARE(int(codes.size()), bytes);
    QCOMPARE(int(std::inner_product(back.begin(), back.end(), pixels.begin(), 0, std::plus<>(), std::not_equal_to<>())),
             changed);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const auto allowed = leeway.others[i].begin() + leeway.count[i];
        if (back[i] != pixels[i] && std::find(leeway.others[i].begin(), allowed, back[i]) == allowed)
            QFAIL(
                qPrintable(QStringLiteral("pixel %1 is %2, not %3 or a stand-in").arg(i).arg(back[i]).arg(pixels[i])));
    }
    // With a budget on the pixels changed: exactly enough keeps this coding;
    // one less gives either nothing or another coding that keeps to it.
    leeway.cost = [&pixels](std::size_t from, std::span<const std::uint8_t> part) {
        return double(std::inner_product(part.begin(), part.end(), pixels.begin() + std::ptrdiff_t(from), 0,
                                         std::plus<>(), std::not_equal_to<>()));
    };
    for (const int budget : {changed, changed - 1}) {
        leeway.budget = budget;
        Pixels within;
        const std::vector<std::uint8_t> kept = gifLzwEncode(pixels, codeSize, leeway, within);
        if (budget == changed)
            QVERIFY(kept == codes);
        else if (!kept.empty())
            QVERIFY(giflibDecode(wrap(kept, codeSize, width, height)) == within && leeway.cost(0, within) <= budget);
    }
    const std::vector<std::uint8_t> exact = gifLzwEncode(pixels, codeSize);
    if (spread == 0)
        QVERIFY(codes == exact);
    else
        QVERIFY2(codes.size() < exact.size(),
                 qPrintable(QStringLiteral("%1 bytes against %2 exactly").arg(codes.size()).arg(exact.size())));
}

TARVELLO_TEST_MAIN(tst_GifLzw)
#include "tst_GifLzw.moc"
