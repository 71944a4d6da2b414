#include "ImageCheck.h"
#include "Rig.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "platform/Failure.h"
#include "platform/Units.h"

#include <QLabel>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);

} // namespace

class tst_FrmBanner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->banner().setBannerFont(bigTestFont());
        rig->banner().setForeColor(0xFF0000);
    }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void loadSetsMovePointerAndSwatch();
    void readoutsAtCornerPixels();
    void idlePressMovesWindowOnly();
    void armedPressShowsLabelAtPointer();
    void leftDragFollowsAndReleasePrints();
    void rightButtonDropDoesNotFollow();
    void secondButtonDuringDrop();
    void dropBeyondEdgeIsClipped();
    void emptyTextDropPrintsNothing();
    void pendingColourAppliedAfterMoveAndErasesText();
    void pendingColourWaitsForDrop();
    void releaseOutsideDropClearsPendingColour();
    void printedTextIsTransparentOverPicture();
    void sizeLimits();

private:
    void arm(const QString &text);
    std::unique_ptr<Rig> rig;
};

void tst_FrmBanner::arm(const QString &text)
{
    rig->banner().setLabelCaption(text);
    rig->state().TextPending = true;
}

void tst_FrmBanner::loadSetsMovePointerAndSwatch()
{
    FrmBanner &b = rig->banner();
    QCOMPARE(b.MousePointer(), 15);
    QCOMPARE(b.cursor().shape(), Qt::SizeAllCursor);
    QCOMPARE(b.BackColor(), OleColor::kCaptionText);
    QCOMPARE(rig->parent().Picture3()->BackColor(), OleColor::kCaptionText);
    QCOMPARE(b.Width(), 7020.0f);
    QCOMPARE(b.Height(), 900.0f);
    QCOMPARE(b.window()->windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);
    QCOMPARE(b.window()->windowTitle(), QStringLiteral("Form1"));
    QVERIFY(!b.Label1()->isVisible());
}

void tst_FrmBanner::readoutsAtCornerPixels()
{
    rig->move(QPoint(0, 0));
    QCOMPARE(rig->readoutX(), QStringLiteral("1"));
    QCOMPARE(rig->readoutY(), QStringLiteral("1"));
    rig->move(QPoint(467, 59));
    QCOMPARE(rig->readoutX(), QStringLiteral("468"));
    QCOMPARE(rig->readoutY(), QStringLiteral("60"));
    // Twips that are no whole pixel show their fraction.
    rig->banner().Form_MouseMove(0, 100.0f, 7.5f);
    QCOMPARE(rig->readoutX(), QStringLiteral("7.666667"));
    QCOMPARE(rig->readoutY(), QStringLiteral("1.5"));
}

void tst_FrmBanner::idlePressMovesWindowOnly()
{
    FrmBanner &b = rig->banner();
    const QPoint before = b.window()->pos();
    const QImage picture = b.Image();
    rig->mover.offset = QPoint(30, -12);
    rig->press(QPoint(10, 10));
    rig->release(QPoint(10, 10));
    QCOMPARE(rig->mover.calls, 1);
    QCOMPARE(b.window()->pos(), before + QPoint(30, -12));
    QVERIFY(ImageCheck::same(b.Image(), picture));
    QVERIFY(!b.Label1()->isVisible());
    QCOMPARE(b.MousePointer(), 15);
}

void tst_FrmBanner::armedPressShowsLabelAtPointer()
{
    arm(QStringLiteral("Hello"));
    rig->press(QPoint(40, 20));
    FrmBanner &b = rig->banner();
    QVERIFY(b.Label1()->isVisible());
    QCOMPARE(b.Label1()->pos(), QPoint(40, 20));
    QCOMPARE(b.MousePointer(), 0);
    QCOMPARE(b.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(rig->mover.calls, 0);
    QVERIFY(rig->state().TextPending);
    rig->release(QPoint(40, 20));
}

void tst_FrmBanner::leftDragFollowsAndReleasePrints()
{
    arm(QStringLiteral("Sale"));
    rig->press(QPoint(10, 5));
    rig->move(QPoint(100, 10));
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(100, 10));
    rig->move(QPoint(200, 15));
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(200, 15));
    QCOMPARE(rig->readoutX(), QStringLiteral("201"));
    rig->release(QPoint(200, 15));

    FrmBanner &b = rig->banner();
    QVERIFY(!rig->state().TextPending);
    QVERIFY(!b.Label1()->isVisible());
    QCOMPARE(b.MousePointer(), 15);
    const QRect ink = ImageCheck::inkBox(b.Image(), kWhite);
    QVERIFY2(ink.left() >= 200 && ink.top() >= 15,
             qPrintable(QStringLiteral("ink at %1,%2").arg(ink.left()).arg(ink.top())));
    QVERIFY(ink.left() < 210 && ink.top() < 30);
    QVERIFY(ImageCheck::count(b.Image(), ink, kBlue, 40) > 20);
    QCOMPARE(ImageCheck::countOther(b.Image(), QRect(0, 0, 200, 60), kWhite), 0);
}

void tst_FrmBanner::rightButtonDropDoesNotFollow()
{
    arm(QStringLiteral("Sale"));
    rig->press(QPoint(20, 5), Qt::RightButton);
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(20, 5));
    rig->move(QPoint(300, 20));
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(20, 5));
    rig->release(QPoint(300, 20), Qt::RightButton);
    const QRect ink = ImageCheck::inkBox(rig->banner().Image(), kWhite);
    QVERIFY(ink.left() >= 300 && ink.left() < 310);
    QVERIFY(!rig->state().TextPending);
    QCOMPARE(rig->mover.calls, 0);
}

void tst_FrmBanner::secondButtonDuringDrop()
{
    arm(QStringLiteral("Sale"));
    rig->press(QPoint(10, 5));
    rig->move(QPoint(50, 5));
    rig->press(QPoint(120, 10), Qt::RightButton);
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(120, 10));
    // Two buttons held: no drag.
    rig->move(QPoint(250, 20));
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(120, 10));
    rig->release(QPoint(250, 20), Qt::RightButton);
    QVERIFY(!rig->state().TextPending);
    const QRect ink = ImageCheck::inkBox(rig->banner().Image(), kWhite);
    QVERIFY(ink.left() >= 250 && ink.left() < 260);
    // The other button's release ends nothing more and starts no move.
    rig->state().BackColorPending = -1.0f;
    rig->release(QPoint(250, 20), Qt::LeftButton);
    QCOMPARE(rig->state().BackColorPending, 0.0f);
    QCOMPARE(rig->mover.calls, 0);
}

void tst_FrmBanner::dropBeyondEdgeIsClipped()
{
    arm(QStringLiteral("Clipped text here"));
    rig->press(QPoint(400, 40));
    rig->move(QPoint(700, 200)); // far outside, button still held
    QCOMPARE(rig->banner().Label1()->pos(), QPoint(700, 200));
    rig->move(QPoint(440, 45));
    rig->release(QPoint(440, 45));
    const QImage &img = rig->banner().Image();
    QCOMPARE(img.size(), QSize(468, 60));
    const QRect ink = ImageCheck::inkBox(img, kWhite);
    QVERIFY(ink.left() >= 440);
    QVERIFY(ink.right() >= 460); // runs into the edge and stops there
    QVERIFY(!rig->state().TextPending);
}

void tst_FrmBanner::emptyTextDropPrintsNothing()
{
    arm(QString());
    rig->press(QPoint(10, 10));
    QVERIFY(rig->banner().Label1()->isVisible());
    rig->release(QPoint(30, 30));
    QVERIFY(!rig->state().TextPending);
    QVERIFY(ImageCheck::inkBox(rig->banner().Image(), kWhite).isEmpty());
}

void tst_FrmBanner::pendingColourAppliedAfterMoveAndErasesText()
{
    arm(QStringLiteral("Gone"));
    rig->drop(QPoint(10, 10), QPoint(20, 10));
    QVERIFY(!ImageCheck::inkBox(rig->banner().Image(), kWhite).isEmpty());

    rig->parent().CommonDialog1().setColor(0x00C000);
    rig->state().BackColorPending = -1.0f;
    OleColor::Value colourDuringMove = 1;
    rig->mover.offset = QPoint(5, 5);
    rig->mover.duringMove = [&] { colourDuringMove = rig->banner().BackColor(); };
    rig->press(QPoint(100, 30));
    rig->release(QPoint(100, 30));

    QCOMPARE(colourDuringMove, OleColor::kCaptionText); // not yet while moving
    QCOMPARE(rig->banner().BackColor(), 0x00C000u);
    QCOMPARE(rig->parent().Picture3()->BackColor(), 0x00C000u);
    QCOMPARE(rig->state().BackColorPending, 0.0f);
    QCOMPARE(ImageCheck::countOther(rig->banner().Image(), rig->banner().Image().rect(), QColor(0, 0xC0, 0)), 0);
}

void tst_FrmBanner::pendingColourWaitsForDrop()
{
    rig->parent().CommonDialog1().setColor(0x0000FF);
    rig->state().BackColorPending = -1.0f;
    arm(QStringLiteral("Text"));
    rig->drop(QPoint(10, 10), QPoint(10, 10));
    QCOMPARE(rig->state().BackColorPending, -1.0f);
    QCOMPARE(rig->banner().BackColor(), OleColor::kCaptionText);
    rig->press(QPoint(5, 5));
    QCOMPARE(rig->banner().BackColor(), 0x0000FFu);
    rig->release(QPoint(5, 5));
}

void tst_FrmBanner::releaseOutsideDropClearsPendingColour()
{
    rig->state().BackColorPending = -1.0f;
    rig->banner().Form_MouseUp(FrmBanner::kLeft, 0.0f, 0.0f);
    QCOMPARE(rig->state().BackColorPending, 0.0f);
    QCOMPARE(rig->banner().BackColor(), OleColor::kCaptionText);
}

void tst_FrmBanner::printedTextIsTransparentOverPicture()
{
    QImage picture(468, 60, QImage::Format_RGB32);
    picture.fill(QColor(255, 255, 0));
    rig->banner().setPicture(picture);
    arm(QStringLiteral("Over"));
    rig->drop(QPoint(50, 10), QPoint(60, 12));
    const QImage &img = rig->banner().Image();
    const QRect ink = ImageCheck::inkBox(img, QColor(255, 255, 0));
    QVERIFY(!ink.isEmpty());
    QVERIFY(ImageCheck::count(img, ink, kBlue, 40) > 20);
    // Inside the text's box the picture still shows between glyphs.
    QVERIFY(ImageCheck::count(img, ink, QColor(255, 255, 0)) > ink.width() * ink.height() / 4);
}

void tst_FrmBanner::sizeLimits()
{
    FrmBanner &b = rig->banner();
    b.setHeight(Units::toTwips(1000.0f));
    b.setWidth(Units::toTwips(4000.0f));
    QCOMPARE(b.Image().size(), QSize(4000, 1000));
    QVERIFY_THROWS_EXCEPTION(Failure, b.setWidth(0.0f));
    QVERIFY_THROWS_EXCEPTION(Failure, b.setHeight(Units::toTwips(float(FrmBanner::kMaxSide) + 0.5f)));
    QCOMPARE(b.Image().size(), QSize(4000, 1000));
    b.setHeight(Units::toTwips(0.5f)); // half a pixel rounds up to the lowest banner
    QCOMPARE(b.Image().size(), QSize(4000, 1));
}

TARVELLO_TEST_MAIN(tst_FrmBanner)
#include "tst_FrmBanner.moc"
