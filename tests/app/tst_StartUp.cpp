#include "Rig.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "platform/GifImageCopy.h"

#include "platform/Units.h"
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

// Records, in order, the events by which windows announce their creation
// (their caption or icon is set in their constructors) and their showing.
class EventLog : public QObject
{
public:
    QStringList entries;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QString name = watched->objectName();
        if (name.isEmpty() || !watched->isWidgetType())
            return false;
        switch (event->type()) {
        case QEvent::WindowTitleChange:
            entries << name + QStringLiteral(" title ") + static_cast<QWidget *>(watched)->windowTitle();
            break;
        case QEvent::WindowIconChange: entries << name + QStringLiteral(" icon"); break;
        case QEvent::Show: entries << name + QStringLiteral(" shown"); break;
        default: break;
        }
        return false;
    }
};

class tst_StartUp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowsCreatedAndShownInOrder();
    void bannerCentredInWorkArea();
    void centringIsNotRepeatedOnResize();
    void centringAllowsNegativePosition();
    void aboutBoxLoadedHiddenAndRecreatedAfterOk();
    void helpWindowShowsAndHidesOnClick();
    void exitEndsWithoutQuestion();
    void pictureNamedAtStart_data();
    void pictureNamedAtStart();
};

void tst_StartUp::windowsCreatedAndShownInOrder()
{
    EventLog log;
    qApp->installEventFilter(&log);
    Rig rig;
    qApp->removeEventFilter(&log);

    auto index = [&](const QString &entry) { return log.entries.indexOf(entry); };
    const qsizetype about = index(QStringLiteral("frmAbout title About Tarvello"));
    const qsizetype parent = index(QStringLiteral("Parent icon"));
    const qsizetype banner = index(QStringLiteral("FrmBanner title Form1"));
    const qsizetype parentShown = index(QStringLiteral("Parent shown"));
    const qsizetype bannerShown = index(QStringLiteral("FrmBannerWindow shown"));
    const qsizetype caption = index(QStringLiteral("Parent title   Tarvello 1.0"));
    QVERIFY2(about >= 0 && parent > about && banner > parent, qPrintable(log.entries.join(QLatin1Char('|'))));
    // Qt shows a window's children as part of showing the window itself.
    QVERIFY2(parentShown > banner && bannerShown > banner && caption > parentShown && caption > bannerShown,
             qPrintable(log.entries.join(QLatin1Char('|'))));

    QCOMPARE(rig.parent().windowTitle(), QStringLiteral("  Tarvello 1.0"));
    QVERIFY(rig.app().hasAbout());
    QVERIFY(!rig.app().about().isVisible());
    // The main window's load made the foreground black before anything else.
    QCOMPARE(rig.parent().Picture2()->BackColor(), 0u);
    QCOMPARE(rig.parent().Picture3()->BackColor(), rig.banner().BackColor());
    QCOMPARE(rig.parent().BackColor(), OleColor::kAppWorkspace);
    QVERIFY(rig.dialogs.errors().isEmpty());
}

void tst_StartUp::bannerCentredInWorkArea()
{
    Rig rig;
    // The designed client area less the two strips and the status bar.
    QCOMPARE(rig.parent().ScaleWidth(), 9465.0f);
    QCOMPARE(rig.parent().ScaleHeight(), 5385.0f);
    QCOMPARE(rig.banner().Left(), 1222.5f);
    QCOMPARE(rig.banner().Top(), 2242.5f);
    QVERIFY(rig.banner().isVisible());
    const QPoint at = rig.banner().window()->pos();
    QVERIFY(qAbs(at.x() - 81) <= 1 && qAbs(at.y() - 150) <= 1);
}

void tst_StartUp::centringIsNotRepeatedOnResize()
{
    Rig rig;
    const QPoint at = rig.banner().window()->pos();
    rig.parent().resize(rig.parent().size() + QSize(200, 100));
    QCoreApplication::processEvents();
    QCOMPARE(rig.banner().window()->pos(), at);
    QCOMPARE(rig.banner().Left(), 1222.5f);
}

void tst_StartUp::centringAllowsNegativePosition()
{
    // A banner wider than the work area starts left of it: nothing is clamped.
    Rig rig;
    FrmBanner &banner = rig.banner();
    banner.setWidth(Units::toTwips(800.0f));
    const float left = rig.parent().ScaleWidth() / 2.0f - banner.ScaleWidth() / 2.0f;
    banner.setLeft(left);
    QCOMPARE(banner.Left(), 9465.0f / 2.0f - 6000.0f);
    QVERIFY(banner.window()->x() < 0);
    QCOMPARE(6000.0f / 2.0f - 7020.0f / 2.0f, -510.0f);
}

void tst_StartUp::aboutBoxLoadedHiddenAndRecreatedAfterOk()
{
    Rig rig;
    frmAbout *first = &rig.app().about();
    QCOMPARE(first->windowTitle(), QStringLiteral("About Tarvello"));
    QCOMPARE(first->findChild<QLabel *>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.0.1"));
    QCOMPARE(first->findChild<QLabel *>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Tarvello"));

    rig.trigger(QStringLiteral("MnuAbout"));
    QCOMPARE(&rig.app().about(), first); // the one made at start-up
    QVERIFY(first->isVisible());

    QPointer<frmAbout> closed(first);
    first->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closed.isNull());
    QVERIFY(!rig.app().hasAbout());

    rig.trigger(QStringLiteral("MnuAbout"));
    QVERIFY(rig.app().hasAbout());
    QVERIFY(rig.app().about().isVisible());
    QCOMPARE(rig.app().about().findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
             QStringLiteral("Version 1.0.1"));
}

void tst_StartUp::helpWindowShowsAndHidesOnClick()
{
    Rig rig;
    rig.trigger(QStringLiteral("MnuViewHelp"));
    frmHelp &help = rig.app().help();
    QVERIFY(help.isVisible());
    QVERIFY(help.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!help.parentWidget());
    QTest::mouseClick(&help, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QVERIFY(!help.isVisible());
    rig.trigger(QStringLiteral("MnuViewHelp"));
    QCOMPARE(&rig.app().help(), &help);
    QVERIFY(help.isVisible());
}

void tst_StartUp::exitEndsWithoutQuestion()
{
    Rig rig(true);
    rig.state().TextPending = true; // unsaved work makes no difference
    QObject scope;
    QTimer::singleShot(0, &scope, [&rig] { rig.trigger(QStringLiteral("MnuExit")); });
    QTimer::singleShot(5000, &scope, [] { QCoreApplication::exit(2); }); // never ended
    QCOMPARE(QCoreApplication::exec(), 0);                               // the application ends, reporting success
    QVERIFY(rig.dialogs.errors().isEmpty());
}

void tst_StartUp::pictureNamedAtStart_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("loads");
    QTest::newRow("gif") << QByteArray("GIF") << true;
    QTest::newRow("bmp") << QByteArray("BMP") << true;
    QTest::newRow("not a picture") << QByteArray() << false;
}

// What the desktop passes when a user opens a picture with the program.
void tst_StartUp::pictureNamedAtStart()
{
    QFETCH(QByteArray, format);
    QFETCH(bool, loads);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("opened"));
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(QColor(0, 128, 255));
    if (format == "GIF") {
        GifImageCopy().copyToGif(picture, path, picture.width(), picture.height());
    } else if (loads) {
        QVERIFY(picture.save(path, format.constData()));
    } else {
        QVERIFY(writeFile(path, "plain words"));
    }
    Rig rig;
    const QImage before = rig.banner().Image().copy();
    if (!loads)
        rig.dialogs.answerMessage();
    rig.parent().openFile(path);
    QVERIFY(rig.dialogs.errors().isEmpty());
    if (loads) {
        QCOMPARE(rig.banner().Picture().size(), picture.size());
        QCOMPARE(QColor(rig.banner().Image().pixel(5, 5)), QColor(0, 128, 255));
        QCOMPARE(rig.banner().Image().size(), QSize(468, 60));
    } else {
        QCOMPARE(rig.banner().Image(), before);
        QCOMPARE(rig.dialogs.messages().size(), 1);
    }
}

TARVELLO_TEST_MAIN(tst_StartUp)
#include "tst_StartUp.moc"
