#include "ImageCheck.h"
#include "Rig.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "banner/frmresize.h"
#include "viewer/FrmView.h"

#include <QLabel>
#include <QMdiArea>

namespace {

const QColor kWhite(255, 255, 255);

QImage yellowPicture()
{
    QImage picture(100, 20, QImage::Format_RGB32);
    picture.fill(QColor(255, 255, 0));
    return picture;
}

} // namespace

class tst_Commands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<Rig>();
        rig->banner().setBannerFont(bigTestFont());
    }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void dispatch_data();
    void dispatch();
    void newKeepsSwatchAndArmedDrop();
    void clearKeepsColourDropsText();
    void textPromptAndLabel();
    void textCancelledArmsEmptyDrop();
    void textTwiceDropsOnlySecond();
    void backgroundThenPressUsesWorkColour();
    void fontsCancelledOnFirstUse();
    void fontsConfirmedFromMenuAndButton();
    void fontSizeUpTo2048Points();
    void resizePlacementDiffersBetweenButtonAndMenu();
    void viewerOpensAndIsRecreatedAfterClose();

private:
    std::unique_ptr<Rig> rig;
};

void tst_Commands::dispatch_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("effect");
    QTest::newRow("new") << "new"
                         << "white";
    QTest::newRow("clear") << "clear"
                           << "cleared";
    QTest::newRow("background") << "background"
                                << "armed colour";
    QTest::newRow("text") << "text"
                          << "armed text";
    QTest::newRow("resize") << "resize"
                            << "size dialog";
    QTest::newRow("backimage") << "backimage"
                               << "viewer";
    QTest::newRow("fonts") << "fonts"
                           << "font";
    QTest::newRow("wrong case") << "Text"
                                << "nothing";
    QTest::newRow("blank") << ""
                           << "nothing";
    QTest::newRow("unknown") << "save"
                             << "nothing";
}

void tst_Commands::dispatch()
{
    QFETCH(QString, key);
    QFETCH(QString, effect);
    FrmBanner &banner = rig->banner();
    banner.setBackColor(0x00FF00);
    banner.setPicture(yellowPicture());
    if (effect == QLatin1String("armed text"))
        rig->dialogs.answerInput(QStringLiteral("Hi"));
    if (effect == QLatin1String("font"))
        rig->dialogs.answerFont(std::nullopt);

    rig->parent().Toolbar1_ButtonClick(key);

    const bool white = effect == QLatin1String("white");
    const bool cleared = effect == QLatin1String("cleared");
    QCOMPARE(banner.BackColor(), white ? 0xFFFFFFu : 0x00FF00u);
    QCOMPARE(banner.Picture().isNull(), white || cleared);
    QCOMPARE(rig->state().BackColorPending, effect == QLatin1String("armed colour") ? -1.0f : 0.0f);
    QCOMPARE(rig->state().TextPending, effect == QLatin1String("armed text"));
    QCOMPARE(rig->state().BannerText, effect == QLatin1String("armed text") ? QStringLiteral("Hi") : QString());
    QCOMPARE(rig->parent().workArea().subWindowList().size(),
             effect == QLatin1String("size dialog") || effect == QLatin1String("viewer") ? 2 : 1);
    QCOMPARE(banner.bannerFont().pointSizeF(), effect == QLatin1String("font") ? 8.0 : 20.0);
}

void tst_Commands::newKeepsSwatchAndArmedDrop()
{
    rig->parent().CommonDialog1().setColor(0x0000FF);
    rig->state().BackColorPending = -1.0f;
    rig->press(QPoint(5, 5));
    rig->release(QPoint(5, 5));
    QCOMPARE(rig->parent().Picture3()->BackColor(), 0x0000FFu);

    rig->dialogs.answerInput(QStringLiteral("Kept"));
    rig->toolbar(QStringLiteral("text"));
    rig->trigger(QStringLiteral("MnuNew"));
    QCOMPARE(rig->banner().BackColor(), 0xFFFFFFu);
    QCOMPARE(rig->parent().Picture3()->BackColor(), 0x0000FFu);
    QVERIFY(rig->state().TextPending);
    QCOMPARE(rig->banner().labelCaption(), QStringLiteral("Kept"));
}

void tst_Commands::clearKeepsColourDropsText()
{
    rig->banner().setBackColor(0x00FF00);
    rig->dialogs.answerInput(QStringLiteral("Gone"));
    rig->toolbar(QStringLiteral("text"));
    rig->drop(QPoint(10, 10), QPoint(20, 10));
    QVERIFY(!ImageCheck::inkBox(rig->banner().Image(), QColor(0, 255, 0)).isEmpty());
    rig->toolbar(QStringLiteral("clear"));
    QCOMPARE(rig->banner().BackColor(), 0x00FF00u);
    QCOMPARE(ImageCheck::countOther(rig->banner().Image(), rig->banner().Image().rect(), QColor(0, 255, 0)), 0);
}

void tst_Commands::textPromptAndLabel()
{
    rig->parent().palette_Click(8);
    rig->dialogs.answerInput(QStringLiteral("Blue text"));
    rig->toolbar(QStringLiteral("text"));
    QCOMPARE(rig->dialogs.prompts().size(), 1);
    QCOMPARE(rig->dialogs.prompts().at(0),
             QStringLiteral("Enter Text Here Then Click OK.\r\rHold down left mouse button\rAnd Drag Text Into Place"));
    QCOMPARE(rig->dialogs.titles().at(0), QStringLiteral("Tarvello"));
    QLabel *label = rig->banner().Label1();
    QCOMPARE(label->text(), QStringLiteral("Blue text"));
    QVERIFY(!label->isVisible());
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(label->size(), label->sizeHint()); // sized to its text

    rig->drop(QPoint(10, 5), QPoint(150, 10));
    const QImage &img = rig->banner().Image();
    const QRect ink = ImageCheck::inkBox(img, kWhite);
    QVERIFY(ink.left() >= 150 && ink.top() >= 10);
    QVERIFY(ImageCheck::count(img, ink, QColor(0, 0, 255), 40) > 20);
    // Dark or coloured pixels other than blue shades would mean another colour.
    QCOMPARE(ImageCheck::count(img, ink, QColor(0, 0, 0), 60), 0);
}

void tst_Commands::textCancelledArmsEmptyDrop()
{
    rig->dialogs.answerInput(QStringLiteral("First"));
    rig->toolbar(QStringLiteral("text"));
    rig->dialogs.answerInput(QString()); // Cancel gives the empty text
    rig->toolbar(QStringLiteral("text"));
    QVERIFY(rig->state().TextPending);
    QCOMPARE(rig->banner().labelCaption(), QString());
    rig->drop(QPoint(10, 10), QPoint(50, 20));
    QVERIFY(!rig->state().TextPending);
    QVERIFY(ImageCheck::inkBox(rig->banner().Image(), kWhite).isEmpty());
}

void tst_Commands::textTwiceDropsOnlySecond()
{
    rig->parent().palette_Click(0);
    rig->dialogs.answerInput(QStringLiteral("WWWWWWWWWWWW"));
    rig->toolbar(QStringLiteral("text"));
    rig->dialogs.answerInput(QStringLiteral("i"));
    rig->toolbar(QStringLiteral("text"));
    rig->drop(QPoint(10, 10), QPoint(10, 10));
    const QRect ink = ImageCheck::inkBox(rig->banner().Image(), kWhite);
    QVERIFY(!ink.isEmpty());
    QVERIFY2(ink.width() < 20, "only the short second text is printed");
}

void tst_Commands::backgroundThenPressUsesWorkColour()
{
    // Black until a colour has been chosen.
    rig->trigger(QStringLiteral("mnubackcolor"));
    rig->press(QPoint(5, 5));
    rig->release(QPoint(5, 5));
    QCOMPARE(rig->banner().BackColor(), 0u);
    QCOMPARE(rig->parent().Picture3()->BackColor(), 0u);

    rig->parent().palette_Click(21);
    rig->toolbar(QStringLiteral("background"));
    QCOMPARE(rig->banner().BackColor(), 0u); // nothing yet
    rig->press(QPoint(5, 5));
    rig->release(QPoint(5, 5));
    QCOMPARE(rig->banner().BackColor(), 0xFFFF00u);
    QCOMPARE(rig->parent().Picture3()->BackColor(), 0xFFFF00u);
}

void tst_Commands::fontsCancelledOnFirstUse()
{
    FrmBanner &banner = rig->banner();
    const QString family = banner.bannerFont().family();
    QFont labelFont = banner.labelFont();
    labelFont.setItalic(true);
    banner.setLabelFont(labelFont);
    rig->parent().palette_Click(2);
    rig->parent().Picture2()->setBackColor(0x123456);

    rig->dialogs.answerFont(std::nullopt);
    rig->toolbar(QStringLiteral("fonts"));
    for (const QFont &f : {banner.bannerFont(), banner.labelFont()}) {
        QCOMPARE(f.pointSizeF(), 8.0);
        QVERIFY(!f.bold() && !f.italic() && !f.strikeOut() && !f.underline());
    }
    // The empty name is refused; the rest still applied.
    QCOMPARE(banner.bannerFont().family(), family);
    QCOMPARE(banner.ForeColor(), 0x123456u);
    QCOMPARE(banner.labelForeColor(), 0x123456u);
}

void tst_Commands::fontsConfirmedFromMenuAndButton()
{
    const FontChoice serif{QStringLiteral("DejaVu Serif"), 16.0f, true, true, false, true};
    rig->dialogs.answerFont(serif);
    rig->trigger(QStringLiteral("MnuText"));
    FrmBanner &banner = rig->banner();
    for (const QFont &f : {banner.bannerFont(), banner.labelFont()}) {
        QCOMPARE(f.family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(f.pointSizeF(), 16.0);
        QVERIFY(f.bold() && f.italic() && !f.strikeOut() && f.underline());
    }
    // Cancelled now: the values chosen before are applied again.
    rig->dialogs.answerFont(std::nullopt);
    banner.setBannerFont(QFont(QStringLiteral("DejaVu Sans"), 30));
    rig->toolbar(QStringLiteral("fonts"));
    QCOMPARE(banner.bannerFont().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(banner.bannerFont().pointSizeF(), 16.0);
}

// A refused size is skipped; the other steps still apply.
void tst_Commands::fontSizeUpTo2048Points()
{
    rig->dialogs.answerFont(FontChoice{QStringLiteral("DejaVu Serif"), 2048.0f});
    rig->trigger(QStringLiteral("MnuText"));
    QCOMPARE(rig->banner().bannerFont().pointSizeF(), 2048.0);
    rig->dialogs.answerFont(FontChoice{QStringLiteral("DejaVu Sans"), 2048.5f});
    rig->trigger(QStringLiteral("MnuText"));
    QCOMPARE(rig->banner().bannerFont().pointSizeF(), 2048.0);
    QCOMPARE(rig->banner().bannerFont().family(), QStringLiteral("DejaVu Sans"));
}

void tst_Commands::resizePlacementDiffersBetweenButtonAndMenu()
{
    rig->trigger(QStringLiteral("MnuBannerSize"));
    frmresize &dialog = rig->app().resizeDialog();
    QVERIFY(dialog.window()->isVisible());
    QCOMPARE(dialog.parentWidget()->windowTitle(), QStringLiteral("Select Banner Size")); // its frame's

    rig->toolbar(QStringLiteral("resize"));
    QCOMPARE(dialog.window()->pos(), QPoint(5, 14)); // 80, 214 twips
    dialog.window()->move(100, 60);
    rig->trigger(QStringLiteral("MnuBannerSize"));
    QCOMPARE(dialog.window()->pos(), QPoint(100, 60));
    rig->toolbar(QStringLiteral("resize"));
    QCOMPARE(dialog.window()->pos(), QPoint(5, 14));
    QCOMPARE(&rig->app().resizeDialog(), &dialog);
}

void tst_Commands::viewerOpensAndIsRecreatedAfterClose()
{
    rig->trigger(QStringLiteral("MnuBackImage"));
    QVERIFY(rig->app().hasViewer());
    FrmView *first = &rig->app().viewer();
    QVERIFY(first->window()->isVisible());
    QCOMPARE(first->window()->windowTitle(), QStringLiteral("    Tarvello Graphic Viewer"));
    QPointer<FrmView> watch(first);
    first->window()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(watch.isNull());
    rig->toolbar(QStringLiteral("backimage"));
    QVERIFY(rig->app().hasViewer());
    QVERIFY(rig->app().viewer().window()->isVisible());
}

TARVELLO_TEST_MAIN(tst_Commands)
#include "tst_Commands.moc"
