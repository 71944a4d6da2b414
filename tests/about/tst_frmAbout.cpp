#include "ImageCheck.h"
#include "Rig.h"
#include "TestMain.h"
#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "app/Parent.h"
#include "platform/DesignFont.h"
#include "platform/Units.h"

#include <QLabel>
#include <QPushButton>
#include <QWindow>

namespace {

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void sysInfo_data();
    void sysInfo();
    void accessKeyStartsSysInfo();
    void closedAndBuiltAnew_data();
    void closedAndBuiltAnew();
    void labelsDrawFromTheTop_data();
    void labelsDrawFromTheTop();
    void helpPrintedOnceAndNotMoved();

private:
    std::unique_ptr<Rig> rig;
};

void tst_frmAbout::sysInfo_data()
{
    // The first place holds the tool's full path, the second its folder.
    QTest::addColumn<uint>("firstType"); // 0: no first value
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QString>("second"); // null: no second value
    QTest::addColumn<bool>("inFolder");  // the folder holds MSINFO32.EXE
    QTest::addColumn<QStringList>("onPath");
    QTest::addColumn<QString>("started"); // empty: the message instead
    QTest::addColumn<bool>("probed");

    const QByteArray tool("C:\\Info\\msinfo32.exe\0", 21);
    const QByteArray gone("C:\\Gone\\msinfo32.exe\0", 21);
    const QString folder = QStringLiteral("C:\\Info");
    const QString found = QStringLiteral("C:\\Info\\MSINFO32.EXE");
    const QString none;
    const QStringList no;
    QTest::newRow("first value, unchecked") << 1u << tool << none << false << no << "C:\\Info\\msinfo32.exe" << false;
    QTest::newRow("first value, no program") << 1u << gone << none << false << no << "" << false;
    QTest::newRow("second value") << 0u << QByteArray() << folder << true << no << found << true;
    QTest::newRow("second value ending in separator")
        << 0u << QByteArray() << "C:\\Info\\" << true << no << "C:\\Info\\\\MSINFO32.EXE" << true;
    QTest::newRow("second value, no file") << 0u << QByteArray() << folder << false << no << "" << true;
    // Read, but not as text: the path stays empty and the second place is not tried.
    QTest::newRow("first value of another type") << 2u << tool << folder << true << no << "" << false;
    QTest::newRow("first value over the buffer") << 1u << QByteArray(1025, 'x') << none << false << no << "" << false;
    // An empty value is no better than a missing one.
    QTest::newRow("first value empty") << 1u << QByteArray() << folder << true << no << found << true;
    QTest::newRow("nothing anywhere") << 0u << QByteArray() << none << false << no << "" << false;
    QTest::newRow("a known tool on the path")
        << 0u << QByteArray() << none << false << QStringList{QStringLiteral("kinfocenter")} << "/bin/kinfocenter"
        << false;
    QTest::newRow("the first known tool found")
        << 0u << QByteArray() << none << false << QStringList{QStringLiteral("kinfocenter"), QStringLiteral("hardinfo")}
        << "/bin/hardinfo" << false;
}

void tst_frmAbout::sysInfo()
{
    QFETCH(uint, firstType);
    QFETCH(QByteArray, first);
    QFETCH(QString, second);
    QFETCH(bool, inFolder);
    QFETCH(QStringList, onPath);
    QFETCH(QString, started);
    QFETCH(bool, probed);

    if (firstType != 0)
        rig->registry.setValue("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", firstType,
                               std::vector<std::uint8_t>(first.begin(), first.end()));
    if (!second.isNull())
        rig->registry.setString("SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", second.toStdString());
    if (inFolder)
        rig->files.files.insert(second.toStdString() + "\\MSINFO32.EXE");
    for (const QString &name : std::as_const(onPath))
        rig->launcher.onPath[name.toStdString()] = "/bin/" + name.toStdString();
    rig->launcher.startable = {"C:\\Info\\msinfo32.exe", "C:\\Info\\MSINFO32.EXE", "C:\\Info\\\\MSINFO32.EXE",
                               "/bin/kinfocenter", "/bin/hardinfo"};
    if (started.isEmpty())
        rig->dialogs.answerMessage();

    rig->trigger(QStringLiteral("MnuAbout"));
    frmAbout &box = rig->app().about();
    button(&box, "cmdSysInfo")->click();

    if (started.isEmpty()) {
        QCOMPARE(rig->dialogs.messages(), QStringList{kUnavailable});
        QCOMPARE(rig->dialogs.titles(), QStringList{QStringLiteral("Tarvello")});
    } else {
        QCOMPARE(QString::fromStdString(rig->launcher.tried.back()), started);
    }
    QCOMPARE(!rig->files.asked.empty(), probed);
    QCOMPARE(rig->registry.openKeys(), 0);
    QVERIFY(box.isVisible());
}

void tst_frmAbout::accessKeyStartsSysInfo()
{
    rig->trigger(QStringLiteral("MnuAbout"));
    frmAbout &box = rig->app().about();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    rig->dialogs.answerMessage();
    QTest::keyClick(&box, Qt::Key_S, Qt::AltModifier);
    // An access key presses its button visibly, which takes a moment.
    QTRY_COMPARE(rig->dialogs.messages(), QStringList{kUnavailable});
}

void tst_frmAbout::closedAndBuiltAnew_data()
{
    QTest::addColumn<int>("key"); // 0: a click on OK
    QTest::newRow("OK") << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void tst_frmAbout::closedAndBuiltAnew()
{
    QFETCH(int, key);
    rig->trigger(QStringLiteral("MnuAbout"));
    QPointer<frmAbout> first(&rig->app().about());
    QCOMPARE(first->focusWidget(), button(first, "cmdOK"));
    // Owned by the main window, so no task-bar button; still a window of its own.
    QCOMPARE(first->windowHandle()->transientParent(), rig->parent().windowHandle());
    QVERIFY(!first->parentWidget());

    if (key == 0)
        button(first, "cmdOK")->click();
    else
        QTest::keyClick(first, Qt::Key(key));
    QVERIFY(!first->isVisible());
    QVERIFY(!rig->app().hasAbout());

    // Shown again before Qt got round to deleting the old one: a new box all the same.
    rig->trigger(QStringLiteral("MnuAbout"));
    QPointer<frmAbout> second(&rig->app().about());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QVERIFY(second && second->isVisible());
    QCOMPARE(second->windowTitle(), QStringLiteral("About Tarvello"));
    QCOMPARE(second->findChild<QLabel *>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.0.1"));
    QCOMPARE(second->findChild<QLabel *>(QStringLiteral("lblTitle"))->text(), QStringLiteral("Tarvello"));
    QCOMPARE(second->findChild<QWidget *>(QStringLiteral("picIcon"))->findChildren<QLabel *>().size(), 4);
    // The etched line under the texts: grey over white.
    const QImage box = second->grab().toImage();
    QCOMPARE(box.pixelColor(Units::pixels(105) + 20, Units::pixels(2445)), QColor(0x80, 0x80, 0x80));
    QCOMPARE(box.pixelColor(Units::pixels(105) + 20, Units::pixels(2460)), QColor(Qt::white));
}

void tst_frmAbout::labelsDrawFromTheTop_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("box"); // pixels
    QTest::newRow("lblTitle") << "lblTitle" << QRect(70, 16, 259, 32);
    QTest::newRow("lblVersion") << "lblVersion" << QRect(256, 52, 107, 23);
    QTest::newRow("lblDescription") << "lblDescription" << QRect(88, 80, 259, 38);
    QTest::newRow("Label1") << "Label1" << QRect(152, 120, 225, 41);
}

// As fixed-size labels do, however much taller their box is than the text.
void tst_frmAbout::labelsDrawFromTheTop()
{
    QFETCH(QString, name);
    QFETCH(QRect, box);
    rig->trigger(QStringLiteral("MnuAbout"));
    QLabel *label = rig->app().about().findChild<QLabel *>(name);
    QCOMPARE(label->geometry(), box);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    const QImage shot = label->grab().toImage();
    const QRgb paper = shot.pixel(shot.width() - 1, shot.height() - 1);
    int ink = 0;
    while (ink < shot.height()
           && ImageCheck::countOther(shot, QRect(0, ink, shot.width(), 1), QColor::fromRgb(paper), 40) == 0)
        ++ink;
    const QFontMetrics metrics(label->font());
    const int expected = metrics.ascent() + metrics.tightBoundingRect(label->text()).top();
    QVERIFY2(qAbs(ink - expected) <= 1, qPrintable(QStringLiteral("ink from row %1, not %2").arg(ink).arg(expected)));
}

void tst_frmAbout::helpPrintedOnceAndNotMoved()
{
    QCOMPARE(frmHelp::helpText().split(QLatin1Char('\r')),
             QStringList({QStringLiteral("Tarvello Provides Tooltips for each"),
                          QStringLiteral("Function Which Will Help you Along"),
                          QStringLiteral("If You Have questions Please Visit Our"), QStringLiteral("Web site At:"),
                          QStringLiteral("www.tarvello.example")}));
    rig->trigger(QStringLiteral("MnuViewHelp"));
    frmHelp &help = rig->app().help();
    QCOMPARE(help.size(), QSize(392, 107));
    QCOMPARE(help.windowTitle(), QStringLiteral("Tarvello Help"));
    QCOMPARE(help.font(), DesignFont::msSansSerif(12, true));
    QVERIFY(!help.windowIcon().isNull() && !rig->app().about().windowIcon().isNull()); // the program's, not none
    const QPoint at = help.pos();
    const QImage shown = help.grab().toImage();
    QVERIFY(ImageCheck::count(shown, shown.rect(), QColor(Qt::black), 60) > 300); // the five lines drawn
    // ...in the panel's own font, whose five lines span over four of its line spacings, on
    // the panel's own colour, which is all there is beyond the longest line.
    QVERIFY(ImageCheck::inkBox(shown, shown.pixelColor(0, 0)).height() > 4 * QFontMetrics(help.font()).lineSpacing());
    QCOMPARE(ImageCheck::countOther(shown, QRect(300, 0, 92, 107), help.palette().color(QPalette::Button), 8), 0);

    // A drag over the panel does not move it; it is a click like any other.
    QTest::mousePress(&help, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(&help, QPoint(120, 60));
    QTest::mouseRelease(&help, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    QVERIFY(!help.isVisible());
    QCOMPARE(help.pos(), at);

    rig->trigger(QStringLiteral("MnuViewHelp"));
    QVERIFY(help.isVisible());
    QCOMPARE(help.grab().toImage(), shown);
}

TARVELLO_TEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
