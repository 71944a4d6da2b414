#include "ImageCheck.h"
#include "Rig.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "banner/FrmBanner.h"
#include "banner/frmresize.h"
#include "platform/Failure.h"
#include "platform/Units.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

float tw(int pixels)
{
    return Units::toTwips(float(pixels));
}

QImage halves(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    for (int y = 0; y < size.height(); ++y)
        for (int x = size.width() / 2; x < size.width(); ++x)
            picture.setPixelColor(x, y, QColor(0, 255, 0));
    return picture;
}

} // namespace

class tst_frmresize : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void readoutConversion_data();
    void readoutConversion();
    void xorBandRestoresAndFinalBoxIsCopyPen();
    void otherButtonOnlyClears();
    void readoutsFollowDragOutsideSurface();
    void standardBoxAndDraggedStandardSizeAgree();
    void negativeReadoutLeavesBannerUnchanged();
    void refusedWidthKeepsAcceptedHeight();
    void freshDialogZeroByZeroKeepsSize();
    void stretchingKeepsProportions();
    void cancelKeepsReadoutsAndRectangle();
    void snapshotRetakenAfterTextDropped();

private:
    frmresize &open();
    QString readout(const char *name);
    void dragTo(int x, int y);
    void ok();
    std::unique_ptr<Rig> rig;
};

frmresize &tst_frmresize::open()
{
    rig->toolbar(QStringLiteral("resize"));
    return rig->app().resizeDialog();
}

QString tst_frmresize::readout(const char *name)
{
    return rig->app().resizeDialog().findChild<QLabel *>(QLatin1String(name))->text();
}

void tst_frmresize::dragTo(int x, int y)
{
    frmresize &d = rig->app().resizeDialog();
    d.Form_MouseDown(FrmBanner::kLeft, tw(3), tw(3));
    d.Form_MouseMove(FrmBanner::kLeft, tw(x / 2), tw(y / 2));
    d.Form_MouseMove(FrmBanner::kLeft, tw(x), tw(y));
    d.Form_MouseUp(FrmBanner::kLeft, tw(x), tw(y));
}

void tst_frmresize::ok()
{
    rig->app().resizeDialog().findChild<QPushButton *>(QStringLiteral("Command1"))->click();
}

void tst_frmresize::readoutConversion_data()
{
    QTest::addColumn<QString>("readout");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<float>("twips");
    QTest::newRow("whole") << "468"
                           << "C" << 7020.0f;
    QTest::newRow("fraction") << "7.5"
                              << "C" << 112.5f;
    QTest::newRow("negative") << "-10"
                              << "C" << -150.0f;
    QTest::newRow("zero") << "0"
                          << "C" << 0.0f;
    // Written back with a comma, read back up to it.
    QTest::newRow("comma locale fraction") << "7,5"
                                           << "de_DE" << 112.0f;
    QTest::newRow("comma locale whole") << "60"
                                        << "de_DE" << 900.0f;
}

void tst_frmresize::readoutConversion()
{
    QFETCH(QString, readout);
    QFETCH(QString, locale);
    QFETCH(float, twips);
    QCOMPARE(frmresize::readoutToTwips(readout, QLocale(locale)), twips);
    QVERIFY_THROWS_EXCEPTION(Failure, frmresize::readoutToTwips(QString(), QLocale(locale)));
    QVERIFY_THROWS_EXCEPTION(Failure, frmresize::readoutToTwips(QStringLiteral("abc"), QLocale(locale)));
}

void tst_frmresize::xorBandRestoresAndFinalBoxIsCopyPen()
{
    frmresize &d = open();
    d.Form_MouseDown(FrmBanner::kLeft, tw(10), tw(10));
    QCOMPARE(d.drawMode(), int(frmresize::kXorPen));
    const QImage cleared = d.surface().copy();
    const QColor background = cleared.pixelColor(50, 50);

    d.Form_MouseMove(FrmBanner::kLeft, tw(100), tw(30));
    QVERIFY(d.surface().pixelColor(100, 15) != background); // right edge of the band
    QCOMPARE(d.surface().pixelColor(50, 15), background);   // inside stays
    d.Form_MouseMove(FrmBanner::kLeft, tw(200), tw(50));
    QCOMPARE(d.surface().pixelColor(100, 15), background); // the old band is erased
    QVERIFY(d.surface().pixelColor(200, 25) != background);
    // Back at the corner it started from: the surface is as it was.
    d.Form_MouseMove(FrmBanner::kLeft, 0.0f, 0.0f);
    QVERIFY(ImageCheck::same(d.surface(), cleared));

    d.Form_MouseUp(FrmBanner::kLeft, tw(120), tw(40));
    QCOMPARE(d.drawMode(), int(frmresize::kCopyPen));
    QCOMPARE(d.surface().pixelColor(120, 20), QColor(0, 0, 255));
    QCOMPARE(d.surface().pixelColor(60, 40), QColor(0, 0, 255));
    QCOMPARE(d.surface().pixelColor(60, 20), background);
    d.resize(d.width() + 40, d.height() + 20); // a larger window keeps the drawing
    QCOMPARE(d.surface().pixelColor(120, 20), QColor(0, 0, 255));
}

void tst_frmresize::otherButtonOnlyClears()
{
    frmresize &d = open();
    dragTo(100, 40);
    QCOMPARE(readout("Label3"), QStringLiteral("100"));
    const QColor background = d.surface().pixelColor(150, 100);
    d.Form_MouseDown(FrmBanner::kRight, tw(30), tw(30));
    QCOMPARE(d.surface().pixelColor(100, 20), background);
    d.Form_MouseMove(FrmBanner::kRight, tw(60), tw(60)); // no band, no readout
    QCOMPARE(readout("Label3"), QStringLiteral("100"));
    d.Form_MouseUp(FrmBanner::kRight, tw(60), tw(60));
    QCOMPARE(d.surface().pixelColor(60, 30), QColor(0, 0, 255));
}

void tst_frmresize::readoutsFollowDragOutsideSurface()
{
    // The readouts are black on their grey, whatever colour the theme gives text.
    QPalette dark = rig->parent().palette();
    dark.setColor(QPalette::WindowText, Qt::white);
    rig->parent().setPalette(dark);
    frmresize &d = open();
    QTest::mousePress(&d, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(&d, QPoint(120, 40));
    QCOMPARE(readout("Label3"), QStringLiteral("120"));
    QCOMPARE(readout("Label4"), QStringLiteral("40"));
    QTest::mouseMove(&d, QPoint(-10, -5));
    QCOMPARE(readout("Label3"), QStringLiteral("-10"));
    QCOMPARE(readout("Label4"), QStringLiteral("-5"));
    QTest::mouseMove(&d, QPoint(900, 700));
    QCOMPARE(readout("Label3"), QStringLiteral("900"));
    QTest::mouseRelease(&d, Qt::LeftButton, Qt::NoModifier, QPoint(900, 700));
    QCOMPARE(d.drawMode(), int(frmresize::kCopyPen));
    QCOMPARE(d.findChild<QLabel *>(QStringLiteral("Label3"))->palette().color(QPalette::WindowText), QColor(Qt::black));
}

void tst_frmresize::standardBoxAndDraggedStandardSizeAgree()
{
    rig->banner().setPicture(halves(QSize(468, 60)));
    open();
    dragTo(300, 100);
    ok();
    QCOMPARE(rig->banner().Image().size(), QSize(300, 100));

    open();
    dragTo(468, 60);
    QCOMPARE(readout("Label3"), QStringLiteral("468"));
    QCOMPARE(readout("Label4"), QStringLiteral("60"));
    ok();
    const QImage dragged = rig->banner().Image().copy();
    QCOMPARE(dragged.size(), QSize(468, 60));
    QVERIFY(!rig->app().resizeDialog().window()->isVisible());

    rig->banner().setWidth(tw(300));
    rig->banner().setHeight(tw(100));
    rig->banner().PaintPicture(halves(QSize(468, 60)), 0, 0, tw(300), tw(100));
    frmresize &d = open();
    dragTo(50, 20); // ignored while the box is ticked
    auto *standard = d.findChild<QCheckBox *>(QStringLiteral("Check1"));
    standard->setChecked(true);
    QCOMPARE(standard->grab().toImage().pixelColor(standard->width() - 2, 2), QColor(0xC0, 0xC0, 0xC0)); // its face
    ok();
    QCOMPARE(rig->banner().Width(), 7020.0f);
    QCOMPARE(rig->banner().Height(), 900.0f);
    QVERIFY(ImageCheck::same(rig->banner().Image(), dragged));
}

void tst_frmresize::negativeReadoutLeavesBannerUnchanged()
{
    frmresize &d = open();
    d.Form_MouseDown(FrmBanner::kLeft, tw(5), tw(5));
    d.Form_MouseMove(FrmBanner::kLeft, tw(-10), tw(-5));
    d.Form_MouseUp(FrmBanner::kLeft, tw(-10), tw(-5));
    ok();
    QCOMPARE(rig->banner().Image().size(), QSize(468, 60));
    QVERIFY(!d.window()->isVisible());
    QCOMPARE(d.surface().pixelColor(2, 2), d.surface().pixelColor(100, 100)); // cleared
    QVERIFY(rig->dialogs.messages().isEmpty());
}

void tst_frmresize::refusedWidthKeepsAcceptedHeight()
{
    QImage picture(468, 60, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    rig->banner().setPicture(picture);
    open();
    dragTo(FrmBanner::kMaxSide + 1, 100);
    ok();
    QCOMPARE(rig->banner().Image().size(), QSize(468, 100));
    // Not repainted: the new rows show the background colour only.
    QCOMPARE(rig->banner().Image().pixelColor(10, 90), QColor(255, 255, 255));
    QVERIFY(!rig->app().resizeDialog().window()->isVisible());
}

void tst_frmresize::freshDialogZeroByZeroKeepsSize()
{
    open();
    QCOMPARE(readout("Label3"), QStringLiteral("0"));
    QCOMPARE(readout("Label4"), QStringLiteral("0"));
    ok();
    QCOMPARE(rig->banner().Image().size(), QSize(468, 60));
}

void tst_frmresize::stretchingKeepsProportions()
{
    rig->banner().setPicture(halves(QSize(468, 60)));
    open();
    dragTo(936, 120);
    ok();
    const QImage &img = rig->banner().Image();
    QCOMPARE(img.size(), QSize(936, 120));
    // Exactly the old picture stretched from the corner: no fraction of a pixel off.
    QImage stretched(936, 120, img.format());
    QPainter painter(&stretched);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, 936, 120), halves(QSize(468, 60)));
    painter.end();
    QVERIFY(ImageCheck::same(img, stretched));

    open();
    dragTo(100, 20);
    ok();
    const QImage &small = rig->banner().Image();
    QCOMPARE(small.size(), QSize(100, 20));
    QCOMPARE(ImageCheck::countOther(small, QRect(0, 0, 48, 20), QColor(255, 0, 0), 8), 0);
    QCOMPARE(ImageCheck::countOther(small, QRect(52, 0, 48, 20), QColor(0, 255, 0), 8), 0);
}

void tst_frmresize::cancelKeepsReadoutsAndRectangle()
{
    frmresize &d = open();
    dragTo(150, 50);
    const QImage drawn = d.surface().copy();
    d.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QVERIFY(!d.window()->isVisible());
    QCOMPARE(rig->banner().Image().size(), QSize(468, 60));

    rig->trigger(QStringLiteral("MnuBannerSize"));
    QVERIFY(d.window()->isVisible());
    QCOMPARE(readout("Label3"), QStringLiteral("150"));
    QCOMPARE(readout("Label4"), QStringLiteral("50"));
    QVERIFY(ImageCheck::same(d.surface(), drawn));
}

void tst_frmresize::snapshotRetakenAfterTextDropped()
{
    rig->banner().setBannerFont(bigTestFont());
    rig->banner().setForeColor(0xFF0000);
    frmresize &d = open();
    d.findChild<QPushButton *>(QStringLiteral("Command2"))->click();

    rig->dialogs.answerInput(QStringLiteral("Kept"));
    rig->toolbar(QStringLiteral("text"));
    rig->drop(QPoint(10, 10), QPoint(20, 10));
    open();
    // Dropped while the dialog stands open: kept as well.
    rig->dialogs.answerInput(QStringLiteral("Also"));
    rig->toolbar(QStringLiteral("text"));
    rig->drop(QPoint(300, 10), QPoint(300, 10));
    d.findChild<QCheckBox *>(QStringLiteral("Check1"))->setChecked(true);
    ok();
    const QImage &img = rig->banner().Image();
    QVERIFY(ImageCheck::count(img, QRect(15, 5, 100, 50), QColor(0, 0, 255), 40) > 20);
    QVERIFY(ImageCheck::count(img, QRect(295, 5, 100, 50), QColor(0, 0, 255), 40) > 20);
}

TARVELLO_TEST_MAIN(tst_frmresize)
#include "tst_frmresize.moc"
