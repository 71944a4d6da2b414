#include "ImageCheck.h"
#include "Rig.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"

#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>

class tst_Palette : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->banner().setBannerFont(bigTestFont());
    }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void clickSetsThreeColours();
    void doubleClickCancelled();
    void doubleClickCustomColourThenDrop();
    void workAreaTakesForeground();

private:
    void doubleClick(int index);
    std::unique_ptr<Rig> rig;
};

void tst_Palette::doubleClick(int index)
{
    // The order in which Qt reports a user's double click.
    PictureBox *swatch = rig->parent().swatch(index);
    const QPointF at(8, 8);
    const QPointF global = swatch->mapToGlobal(at);
    const struct
    {
        QEvent::Type type;
        Qt::MouseButtons held;
    } sequence[] = {{QEvent::MouseButtonPress, Qt::LeftButton},
                    {QEvent::MouseButtonRelease, Qt::NoButton},
                    {QEvent::MouseButtonDblClick, Qt::LeftButton},
                    {QEvent::MouseButtonRelease, Qt::NoButton}};
    for (const auto &step : sequence) {
        QMouseEvent event(step.type, at, global, Qt::LeftButton, step.held, Qt::NoModifier);
        QApplication::sendEvent(swatch, &event);
    }
}

void tst_Palette::clickSetsThreeColours()
{
    QTest::mouseClick(rig->parent().swatch(8), Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QCOMPARE(rig->parent().Picture2()->BackColor(), 0xFF0000u);
    QCOMPARE(rig->parent().CommonDialog1().Color(), 0xFF0000u);
    QCOMPARE(rig->banner().ForeColor(), 0xFF0000u);
    QCOMPARE(rig->parent().swatch(8)->BackColor(), 0xFF0000u);
}

void tst_Palette::doubleClickCancelled()
{
    rig->dialogs.answerColor(std::nullopt);
    doubleClick(3);
    // The click ran before the dialog opened: the dialog started from the swatch.
    QCOMPARE(rig->dialogs.colorInitials().size(), std::size_t(1));
    QCOMPARE(rig->dialogs.colorInitials().at(0), 0xC0C000u);
    QCOMPARE(rig->parent().Picture2()->BackColor(), 0xC0C000u);
    QCOMPARE(rig->parent().CommonDialog1().Color(), 0xC0C000u);
    QCOMPARE(rig->banner().ForeColor(), 0xC0C000u);
}

void tst_Palette::doubleClickCustomColourThenDrop()
{
    rig->dialogs.answerColor(0x3366CCu);
    doubleClick(3);
    QCOMPARE(rig->parent().Picture2()->BackColor(), 0x3366CCu);
    QCOMPARE(rig->parent().CommonDialog1().Color(), 0x3366CCu);
    QCOMPARE(rig->banner().ForeColor(), 0xC0C000u);
    QCOMPARE(rig->parent().swatch(3)->BackColor(), 0xC0C000u);

    // The label shows the work colour; the printed text keeps the banner's.
    rig->dialogs.answerInput(QStringLiteral("Teal"));
    rig->toolbar(QStringLiteral("text"));
    QCOMPARE(rig->banner().labelForeColor(), 0x3366CCu);
    rig->drop(QPoint(10, 10), QPoint(30, 12));
    const QImage &img = rig->banner().Image();
    const QRect ink = ImageCheck::inkBox(img, QColor(255, 255, 255));
    QVERIFY(ink.left() >= 30 && ink.top() >= 12);
    QVERIFY(ImageCheck::count(img, ink, QColor(0x00, 0xC0, 0xC0), 30) > 20);
    QCOMPARE(ImageCheck::count(img, ink, QColor(0xCC, 0x66, 0x33), 30), 0);
}

void tst_Palette::workAreaTakesForeground()
{
    auto *button = rig->parent().findChild<QPushButton *>(QStringLiteral("cmdwrkcolor"));
    button->click();
    QCOMPARE(rig->parent().BackColor(), 0u);
    QCOMPARE(rig->parent().workArea().background().color(), QColor(0, 0, 0));

    rig->dialogs.answerColor(0x3366CCu);
    doubleClick(5);
    button->click();
    QCOMPARE(rig->parent().BackColor(), 0x3366CCu);
    QCOMPARE(rig->parent().workArea().background().color(), QColor(0xCC, 0x66, 0x33));
}

TARVELLO_TEST_MAIN(tst_Palette)
#include "tst_Palette.moc"
