// Run by CTest at several QT_SCALE_FACTOR values: the banner keeps its size in
// pixels and twips whatever the screen density, and is drawn without blurring.
#include "Rig.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "banner/FrmBanner.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QToolBar>

#include <cmath>

namespace {

qreal expectedRatio()
{
    bool ok = false;
    const qreal factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok ? factor : 1.0;
}

// Black and white in one-pixel squares: any smoothing shows up as grey.
QImage checkerboard(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

// Each screen pixel must take the colour of one banner pixel it covers.
QString unmatchedPixel(const QImage &screen, const QImage &picture, QPoint offset, qreal ratio)
{
    for (int dy = 0; dy < screen.height(); ++dy) {
        for (int dx = 0; dx < screen.width(); ++dx) {
            const QRgb got = screen.pixel(dx, dy) | 0xFF000000u;
            auto covered = [&](int device, int first, int limit) {
                const int lo = int(std::floor((device + first) / ratio));
                const int hi = int(std::ceil((device + first + 1) / ratio)) - 1;
                return std::pair(std::clamp(lo, 0, limit - 1), std::clamp(hi, 0, limit - 1));
            };
            const auto [x0, x1] = covered(dx, offset.x(), picture.width());
            const auto [y0, y1] = covered(dy, offset.y(), picture.height());
            bool found = false;
            for (int y = y0; y <= y1 && !found; ++y)
                for (int x = x0; x <= x1 && !found; ++x)
                    found = (picture.pixel(x, y) | 0xFF000000u) == got;
            if (!found)
                return QStringLiteral("screen pixel %1,%2 is %3").arg(dx).arg(dy).arg(got, 8, 16);
        }
    }
    return {};
}

// Share of pixels that differ plainly (by more than a third of the range in
// some channel, alpha included) between two pictures of one size.
double plainlyDifferent(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            const int most = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                       std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            n += most > 85 ? 1 : 0;
        }
    return double(n) / (x.width() * x.height());
}

} // namespace

class tst_HighDpi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<Rig>();
        ratio = expectedRatio();
    }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void scaleIsInEffect();
    void readouts_data();
    void readouts();
    void filesKeepBannerPixels_data();
    void filesKeepBannerPixels();
    void bannerDrawnWithoutSmoothing();
    void toolbarArtDrawnAtScreenDensity();

private:
    std::unique_ptr<Rig> rig;
    qreal ratio = 1.0;
};

void tst_HighDpi::scaleIsInEffect()
{
    // Without this the other checks would pass at ratio 1 whatever was asked.
    QCOMPARE(rig->banner().devicePixelRatioF(), ratio);
    QCOMPARE(rig->banner().size(), QSize(468, 60));
    QCOMPARE(rig->banner().Width(), 7020.0f);
    QCOMPARE(rig->banner().Height(), 900.0f);
}

void tst_HighDpi::readouts_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("top left") << QPoint(0, 0) << "1"
                              << "1";
    QTest::newRow("middle") << QPoint(233, 29) << "234"
                            << "30";
    QTest::newRow("bottom right") << QPoint(467, 59) << "468"
                                  << "60";
}

void tst_HighDpi::readouts()
{
    QFETCH(QPoint, at);
    QFETCH(QString, x);
    QFETCH(QString, y);
    rig->move(at);
    QCOMPARE(rig->readoutX(), x);
    QCOMPARE(rig->readoutY(), y);
}

void tst_HighDpi::filesKeepBannerPixels_data()
{
    QTest::addColumn<float>("widthTwips");
    QTest::addColumn<float>("heightTwips");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("standard") << 7020.0f << 900.0f << QSize(468, 60);
    QTest::newRow("resized") << 7500.0f << 1500.0f << QSize(500, 100);
}

void tst_HighDpi::filesKeepBannerPixels()
{
    QFETCH(float, widthTwips);
    QFETCH(float, heightTwips);
    QFETCH(QSize, pixels);
    FrmBanner &banner = rig->banner();
    banner.setWidth(widthTwips);
    banner.setHeight(heightTwips);
    banner.setBannerFont(bigTestFont());
    rig->dialogs.answerInput(QStringLiteral("Sale"));
    rig->toolbar(QStringLiteral("text"));
    rig->drop(QPoint(10, 5), QPoint(20, 8));
    QCOMPARE(banner.Image().size(), pixels);

    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("b.bmp"));
    const QString gif = dir.filePath(QStringLiteral("b.gif"));
    rig->dialogs.answerSave(bmp);
    rig->trigger(QStringLiteral("MnuSave"));
    rig->imageCopy.write = true;
    rig->dialogs.answerSave(gif);
    rig->trigger(QStringLiteral("MnuGif"));
    for (const QString &path : {bmp, gif}) {
        const QImage written = QImageReader(path).read();
        QCOMPARE(written.size(), pixels);
        // The saved bitmap is the picture itself, pixel for pixel.
        if (path == bmp)
            QCOMPARE(written.convertToFormat(QImage::Format_RGB32), banner.Image());
    }
}

void tst_HighDpi::bannerDrawnWithoutSmoothing()
{
    FrmBanner &banner = rig->banner();
    banner.setPicture(checkerboard(QSize(468, 60)));
    const QImage picture = banner.Image();

    const QImage whole = banner.grab().toImage();
    QCOMPARE(whole.size(), (QSizeF(468, 60) * ratio).toSize());
    QString wrong = unmatchedPixel(whole, picture, QPoint(0, 0), ratio);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

    // A repaint of part of the banner picks the same screen pixels as a full one.
    const QRect part(100, 10, 50, 20);
    const QImage piece = banner.grab(part).toImage();
    wrong = unmatchedPixel(piece, picture, (QPointF(part.topLeft()) * ratio).toPoint(), ratio);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    const QPoint at = (QPointF(part.topLeft()) * ratio).toPoint();
    QCOMPARE(piece, whole.copy(QRect(at, piece.size())));
}

void tst_HighDpi::toolbarArtDrawnAtScreenDensity()
{
    const QToolBar *toolbar = rig->parent().Toolbar1();
    const QSize logical = toolbar->iconSize();
    QCOMPARE(logical, QSize(35, 35));
    const QSize device = (QSizeF(logical) * ratio).toSize();
    for (QAction *action : toolbar->actions()) {
        const QPixmap pm = action->icon().pixmap(logical, ratio);
        // Drawn at the screen's pixel size, not a 35-pixel picture stretched.
        QCOMPARE(pm.size(), device);
        QVERIFY(qAbs(pm.devicePixelRatio() - ratio) < 0.02);
        if (ratio == 1.0)
            continue;
        // The same drawing with finer edges: not the small one stretched...
        const QImage small = action->icon().pixmap(logical, 1.0).toImage();
        QVERIFY2(pm.toImage() != small.scaled(device), qPrintable(action->objectName()));
        // ...and no part of it left at the small size.
        const QImage reduced = pm.toImage().scaled(logical, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Thin dashes land on other pixels at other sizes; whole shapes must not.
        QVERIFY2(plainlyDifferent(reduced, small) < 0.1, qPrintable(action->objectName()));
    }
}

TARVELLO_TEST_MAIN(tst_HighDpi)
#include "tst_HighDpi.moc"
