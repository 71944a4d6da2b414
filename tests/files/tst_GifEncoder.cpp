#include "ImageCheck.h"
#include "TestMain.h"
#include "platform/Failure.h"
#include "platform/GifEncoder.h"
#include "platform/GifImageCopy.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <cmath>

namespace {

QImage decode(const QByteArray &gif)
{
    QBuffer buffer;
    buffer.setData(gif);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

// Summed over pixels and channels.
qint64 squaredError(const QImage &a, const QImage &b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    return sum;
}

double psnr(const QImage &a, const QImage &b)
{
    const double mse = double(squaredError(a, b)) / (3.0 * a.width() * a.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// 1 - SSIM over 8 x 8 windows on a 4-pixel grid, each channel alike; only
// its structure term, as the mean term of a GIF's windows stays near 1. With
// `smoothBelow`, only windows whose variance in `a` is under it count.
double ssimLoss(const QImage &a, const QImage &b, double smoothBelow = HUGE_VAL)
{
    double sum = 0;
    int windows = 0;
    for (int y = 0; y + 8 <= a.height(); y += 4)
        for (int x = 0; x + 8 <= a.width(); x += 4)
            for (int shift : {16, 8, 0}) {
                double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
                for (int j = y; j < y + 8; ++j)
                    for (int i = x; i < x + 8; ++i) {
                        const double p = (a.pixel(i, j) >> shift) & 0xff, q = (b.pixel(i, j) >> shift) & 0xff;
                        sa += p, sb += q, saa += p * p, sbb += q * q, sab += p * q;
                    }
                if (saa - sa * sa / 64 >= 63 * smoothBelow)
                    continue;
                sum += (2 * (sab - sa * sb / 64) + 63 * 58.5225)
                    / (saa - sa * sa / 64 + sbb - sb * sb / 64 + 63 * 58.5225);
                ++windows;
            }
    return 1 - sum / windows;
}

// Smooth shading with fine texture, as a photograph has: far over 256 colours.
QImage photoLike(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 31);
            const double u = double(x) / size.width(), v = double(y) / size.height();
            const int r = int(120 + 100 * std::sin(u * 6.0 + v * 2.0)) + noise;
            const int g = int(110 + 90 * std::cos(v * 5.0 - u * 3.0)) + noise;
            const int b = int(100 + 80 * std::sin((u + v) * 4.0)) + noise;
            image.setPixel(x, y, qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255)));
        }
    return image;
}

// A banner's usual make-up: smoothed, outlined text over a flat colour or a
// gradient; a few hundred to a few thousand colours.
QImage textBanner(bool gradient, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    if (gradient) {
        QLinearGradient ramp(0, 0, size.width(), size.height());
        ramp.setColorAt(0, QColor(0xff, 0x8a, 0x00));
        ramp.setColorAt(1, QColor(0x6a, 0x1b, 0x9a));
        painter.fillRect(image.rect(), ramp);
    } else {
        image.fill(QColor(0x1e, 0x5a, 0xa8));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font;
    font.setPixelSize(size.height() * 2 / 3);
    font.setBold(true);
    QPainterPath path;
    path.addText(4, 0.75 * size.height(), font, QStringLiteral("Summer Sale -40%"));
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
    return image;
}

QImage withColours(int count, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int i = (y * size.width() + x) % count;
            image.setPixel(x, y, qRgb(i * 7 % 256, i * 13 % 256, i));
        }
    return image;
}

// Bits of the global palette, and the LZW code size byte after the image descriptor.
std::pair<int, int> paletteBitsAndCodeSize(const QByteArray &gif)
{
    const auto flags = quint8(gif.at(10));
    const int bits = (flags & 0x07) + 1;
    const int codeSizeAt = 13 + 3 * (1 << bits) + 10;
    return {bits, int(quint8(gif.at(codeSizeAt)))};
}

} // namespace

class tst_GifEncoder : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void exactUpTo256Colours_data();
    void exactUpTo256Colours();
    void photoWithinQualityTarget();
    void textBannerWithinQualityTarget_data();
    void textBannerWithinQualityTarget();
    void sameBytesEveryTime_data();
    void sameBytesEveryTime();
    void scalesToTheGivenSize();
    void refusesImpossibleSizes();
};

void tst_GifEncoder::exactUpTo256Colours_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("codeSize");
    QTest::newRow("one") << 1 << 1 << 2;
    QTest::newRow("two") << 2 << 1 << 2;
    QTest::newRow("five") << 5 << 3 << 3;
    QTest::newRow("256") << 256 << 8 << 8;
}

void tst_GifEncoder::exactUpTo256Colours()
{
    QFETCH(int, colours);
    QFETCH(int, bits);
    QFETCH(int, codeSize);
    const QImage picture = withColours(colours, QSize(64, 32));
    GifEncodeReport report;
    const QByteArray gif = encodeGif(picture, picture.size(), &report);
    QVERIFY(report.exact);
    QCOMPARE(report.colours, colours);
    QVERIFY(gif.startsWith("GIF8"));
    QCOMPARE(paletteBitsAndCodeSize(gif), std::make_pair(bits, codeSize));
    QVERIFY(ImageCheck::same(decode(gif), picture));
}

void tst_GifEncoder::photoWithinQualityTarget()
{
    const QImage picture = photoLike(QSize(468, 60));
    GifEncodeReport report;
    const QByteArray gif = encodeGif(picture, picture.size(), &report);
    QVERIFY(!report.exact);
    QVERIFY(report.colours <= 256);
    const QImage back = decode(gif);
    QCOMPARE(back.size(), picture.size());
    const double quality = psnr(picture, back);
    // Qt's own reduction to 256 colours is the floor to clear, by a margin.
    const QImage plain
        = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).convertToFormat(QImage::Format_RGB32);
    const double floor = psnr(picture, plain);
    QVERIFY2(quality >= floor + 3.0 && quality >= 30.0,
             qPrintable(QStringLiteral("PSNR %1 dB against %2 dB").arg(quality).arg(floor)));
}

void tst_GifEncoder::textBannerWithinQualityTarget_data()
{
    QTest::addColumn<int>("kind"); // 0 flat, 1 gradient, 2 a photograph (over 8192 colours) under the text
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("least");
    // The most stand-ins may add to the similarity index's loss, as a share:
    // rules blind to the local error reach 0.047 and 0.006 on the last two.
    QTest::addColumn<double>("mostAddedLoss");
    // Its loss on smooth ground; edges weighed as before: 1.6e-6 and 0.0039.
    QTest::addColumn<double>("mostSmoothLoss");
    QTest::newRow("flat") << 0 << QSize(300, 60) << 55.0 << 0.1 << 1.2e-6;
    QTest::newRow("gradient") << 1 << QSize(300, 60) << 45.0 << 0.04 << 0.0033;
    QTest::newRow("photograph") << 2 << QSize(468, 60) << 34.4 << 0.0 << 0.04; // 34.36 without swaps
    // Over 4096 colours; liq's start: 55.04 dB and 0.00127.
    QTest::newRow("gradient, 1200 x 628") << 1 << QSize(1200, 628) << 55.5 << 0.04 << 0.001;
    // Binned, over 24576 colours; k-means on the bins alone: 34.89 dB.
    QTest::newRow("photograph, 1200 x 628") << 2 << QSize(1200, 628) << 34.9 << 0.0 << 0.052;
}

// Refined palettes, and pixels on the lettering's edges free to take a
// neighbouring entry: every pixel must still come back close to its colour.
void tst_GifEncoder::textBannerWithinQualityTarget()
{
    QFETCH(int, kind);
    QFETCH(QSize, size);
    QFETCH(double, least);
    QFETCH(double, mostAddedLoss);
    QFETCH(double, mostSmoothLoss);
    QImage picture = textBanner(kind == 1, size);
    if (kind == 2) {
        const QImage photo = photoLike(picture.size());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixel(x, y) == qRgb(0x1e, 0x5a, 0xa8))
                    picture.setPixel(x, y, photo.pixel(x, y));
    }
    GifEncodeReport report;
    const QByteArray gif = encodeGif(picture, picture.size(), &report);
    const QImage back = decode(gif);
    QVERIFY(!report.exact);
    QCOMPARE(back.size(), picture.size());
    const double quality = psnr(picture, back);
    QVERIFY2(quality >= least, qPrintable(QStringLiteral("PSNR %1 dB").arg(quality)));
    const double smoothLoss = ssimLoss(picture, back, 2.0);
    QVERIFY2(smoothLoss <= mostSmoothLoss, qPrintable(QString::number(smoothLoss)));
    // The error the writer counted is the error written, and the stand-ins
    // kept within 0.8 dB of the palette's own.
    QCOMPARE(squaredError(picture, back), report.writtenError);
    QVERIFY(report.paletteError > 0);
    QVERIFY(double(report.writtenError) <= 1.2 * double(report.paletteError));
    // Stand-ins are priced by what the similarity index sees: they add a smaller
    // share to its loss than to the squared error of the nearest entries.
    QImage nearest(picture.size(), QImage::Format_RGB32);
    const QList<QRgb> palette = QImage::fromData(gif).convertToFormat(QImage::Format_Indexed8).colorTable();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const auto far = [p = picture.pixel(x, y)](QRgb q) {
                return std::hypot(qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q));
            };
            nearest.setPixel(x, y, std::ranges::min(palette, {}, far));
        }
    QCOMPARE(squaredError(picture, nearest), report.paletteError);
    const double addedLoss = ssimLoss(picture, back) / ssimLoss(picture, nearest) - 1;
    const double addedError = double(report.writtenError) / double(report.paletteError) - 1;
    QVERIFY2(addedLoss <= std::min(addedError, mostAddedLoss),
             qPrintable(QStringLiteral("%1 against %2").arg(addedLoss).arg(addedError)));
}

void tst_GifEncoder::sameBytesEveryTime_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QByteArray>("sha1");
    QTest::newRow("photograph, libimagequant's start")
        << photoLike(QSize(200, 80)) << QByteArray("c0a497074e277e8e079f82722f621f6f45b60edb");
    QTest::newRow("3000 colours, grouped start")
        << withColours(3000, QSize(120, 50)) << QByteArray("82bd647e7bf86dd4861bada4120c85c980cd32fa");
}

void tst_GifEncoder::sameBytesEveryTime()
{
    QFETCH(QImage, picture);
    QFETCH(QByteArray, sha1);
    const QByteArray gif = encodeGif(picture, picture.size());
    // Pinned: any change to the palette, the mapping, the stand-ins or the
    // coding shows here, to be judged on the comparison before the new bytes
    // are written in.
    QCOMPARE(QCryptographicHash::hash(gif, QCryptographicHash::Sha1).toHex(), sha1);
}

void tst_GifEncoder::scalesToTheGivenSize()
{
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(QColor(10, 20, 30));
    const QImage back = decode(encodeGif(picture, QSize(150, 25)));
    QCOMPARE(back.size(), QSize(150, 25));
    QCOMPARE(back.pixelColor(75, 12), QColor(10, 20, 30));
}

void tst_GifEncoder::refusesImpossibleSizes()
{
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QVERIFY_THROWS_EXCEPTION(Failure, encodeGif(picture, QSize(0, 10)));
    QVERIFY_THROWS_EXCEPTION(Failure, encodeGif(picture, QSize(10, 70000)));
    QVERIFY_THROWS_EXCEPTION(Failure, encodeGif(QImage(), QSize(10, 10)));
    // The export refuses the same sizes; its own limits are sizes a GIF can have.
    QTemporaryDir dir;
    const QString edge = dir.filePath(QStringLiteral("edge.gif"));
    GifImageCopy().copyToGif(picture, edge, 1, kGifMaxSide);
    QCOMPARE(QImage(edge).size(), QSize(1, kGifMaxSide));
    GifImageCopy().copyToGif(picture, edge, kGifMaxSide, 1);
    QCOMPARE(QImage(edge).size(), QSize(kGifMaxSide, 1));
    QVERIFY_THROWS_EXCEPTION(Failure, GifImageCopy().copyToGif(picture, edge, kGifMaxSide + 1, 1));
    QVERIFY_THROWS_EXCEPTION(Failure, GifImageCopy().copyToGif(picture, edge, 1, 0));
}

TARVELLO_TEST_MAIN(tst_GifEncoder)
#include "tst_GifEncoder.moc"
