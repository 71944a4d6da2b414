#include "ImageCheck.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "banner/BannerPicture.h"

#include <QFontMetrics>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

QImage redBlock()
{
    QImage block(20, 10, QImage::Format_RGB32);
    block.fill(kRed);
    return block;
}

} // namespace

class tst_BannerPicture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void composesColourThenPictureThenPrint();
    void backColorErasesPrintKeepsPicture();
    void pictureRebuildsFromColour();
    void printIsTransparentAndClipped();
    void resizeKeepsTopLeftContent();
    void printKeepsShaping();
};

void tst_BannerPicture::composesColourThenPictureThenPrint()
{
    BannerPicture banner(QSize(100, 40), 0xFFFFFF);
    banner.setPicture(redBlock());
    const QImage &img = banner.Image();
    QCOMPARE(img.size(), QSize(100, 40));
    QCOMPARE(ImageCheck::count(img, QRect(0, 0, 20, 10), kRed), 200);
    QCOMPARE(ImageCheck::countOther(img, QRect(20, 0, 80, 40), kWhite), 0);
    QCOMPARE(ImageCheck::countOther(img, QRect(0, 10, 20, 30), kWhite), 0);
}

void tst_BannerPicture::backColorErasesPrintKeepsPicture()
{
    BannerPicture banner(QSize(200, 40), 0xFFFFFF);
    banner.setPicture(redBlock());
    banner.setFont(bigTestFont());
    banner.setForeColor(0xFF0000);
    QVERIFY(!banner.print(QStringLiteral("Sale"), QPointF(60, 5)).isEmpty());
    QVERIFY(ImageCheck::count(banner.Image(), QRect(60, 0, 140, 40), kBlue, 40) > 0);

    banner.setBackColor(0x00FF00);
    QCOMPARE(ImageCheck::count(banner.Image(), QRect(60, 0, 140, 40), kBlue, 40), 0);
    QCOMPARE(ImageCheck::countOther(banner.Image(), QRect(60, 0, 140, 40), QColor(0, 255, 0)), 0);
    QCOMPARE(ImageCheck::count(banner.Image(), QRect(0, 0, 20, 10), kRed), 200);
}

void tst_BannerPicture::pictureRebuildsFromColour()
{
    BannerPicture banner(QSize(200, 40), 0xFFFFFF);
    banner.setFont(bigTestFont());
    banner.print(QStringLiteral("Sale"), QPointF(10, 5));
    banner.setPicture(QImage());
    QCOMPARE(ImageCheck::countOther(banner.Image(), banner.Image().rect(), kWhite), 0);
    QVERIFY(banner.Picture().isNull());
}

void tst_BannerPicture::printIsTransparentAndClipped()
{
    BannerPicture banner(QSize(120, 30), 0xFFFFFF);
    QImage stripes(120, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            stripes.setPixelColor(x, y, (x / 4) % 2 ? kRed : QColor(0, 255, 0));
    banner.setPicture(stripes);
    banner.setFont(bigTestFont());
    banner.setForeColor(0xFF0000);
    // Starts inside and runs past the right and bottom edges.
    banner.print(QStringLiteral("WWWWWWWW"), QPointF(80, 12));

    const QImage &img = banner.Image();
    QCOMPARE(img.size(), QSize(120, 30));
    QVERIFY(ImageCheck::count(img, QRect(80, 12, 40, 18), kBlue, 40) > 0);
    // Between the glyphs the picture still shows: no box was painted.
    const int pictureLeft = ImageCheck::count(img, QRect(80, 12, 40, 18), kRed, 0)
        + ImageCheck::count(img, QRect(80, 12, 40, 18), QColor(0, 255, 0), 0);
    QVERIFY(pictureLeft > 100);
    QVERIFY(ImageCheck::same(img.copy(0, 0, 80, 30), stripes.copy(0, 0, 80, 30)));
}

void tst_BannerPicture::resizeKeepsTopLeftContent()
{
    BannerPicture banner(QSize(30, 20), 0xFFFFFF);
    banner.setPicture(redBlock());
    banner.resize(QSize(60, 40));
    QCOMPARE(banner.size(), QSize(60, 40));
    QCOMPARE(ImageCheck::count(banner.Image(), QRect(0, 0, 20, 10), kRed), 200);
    QCOMPARE(ImageCheck::countOther(banner.Image(), QRect(30, 0, 30, 40), kWhite), 0);
}

// The program's captions skip text shaping; banner text never does, or every
// banner would lose its font's kerning.
void tst_BannerPicture::printKeepsShaping()
{
    const QString text = QStringLiteral("AVAVAV To Ty");
    QFont unshaped = bigTestFont();
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    if (QFontMetrics(unshaped).horizontalAdvance(text) == QFontMetrics(bigTestFont()).horizontalAdvance(text))
        QSKIP("this font has no kerning to lose");

    const auto printed = [&](const QFont &font) {
        BannerPicture banner(QSize(240, 40), 0xFFFFFF);
        banner.setFont(font);
        banner.print(text, QPointF(2, 2));
        return banner.Image();
    };
    QVERIFY(ImageCheck::same(printed(unshaped), printed(bigTestFont())));
}

TARVELLO_TEST_MAIN(tst_BannerPicture)
#include "tst_BannerPicture.moc"
