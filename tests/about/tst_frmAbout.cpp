#include "Rig.h"
#include "TestMain.h"
#include "about/frmAbout.h"
#include "about/frmHelp.h"
#include "app/Parent.h"

#include <QLabel>
#include <QPushButton>
#include <QWindow>

namespace {

const std::string kFirstKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kSecondKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

std::string str(const QString &text)
{
    return text.toStdString();
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

QStringList texts(frmAbout &box)
{
    return {box.windowTitle(), box.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(),
            box.findChild<QLabel *>(QStringLiteral("lblTitle"))->text()};
}

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void sysInfo_data();
    void sysInfo();
    void accessKeyStartsSysInfo();
    void closedAndBuiltAnew_data();
    void closedAndBuiltAnew();
    void helpPrintedOnceAndNotMoved();

private:
    std::unique_ptr<Rig> rig;
};

void tst_frmAbout::init()
{
    rig = std::make_unique<Rig>();
}

void tst_frmAbout::cleanup()
{
    const QString errors = Rig::finish(rig);
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
}

void tst_frmAbout::sysInfo_data()
{
    // The first location holds the tool's full path, the second its folder.
    QTest::addColumn<uint>("firstType"); // 0: no first value
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QString>("second"); // null: no second value
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("onPath"); // tools on the search path, by name
    QTest::addColumn<QString>("started");    // empty: the message instead
    QTest::addColumn<QStringList>("probed");

    const QByteArray tool("C:\\Info\\msinfo32.exe\0", 21);
    const QString inFolder = QStringLiteral("C:\\Info\\MSINFO32.EXE");
    const QString doubled = QStringLiteral("C:\\Info\\\\MSINFO32.EXE");
    const QString none;
    const QStringList nothing;
    QTest::newRow("first value, started unchecked") << 1u << tool << none << nothing << nothing
                                                    << "C:\\Info\\msinfo32.exe" << nothing;
    QTest::newRow("first value without NUL") << 1u << tool.chopped(1) << none << nothing << nothing
                                             << "C:\\Info\\msinfo32.exe" << nothing;
    QTest::newRow("first value names no program") << 1u << QByteArray("C:\\Gone\\msinfo32.exe") << none << nothing
                                                  << nothing << "" << nothing;
    QTest::newRow("second value, file there") << 0u << QByteArray() << "C:\\Info" << QStringList{inFolder}
                                              << nothing << inFolder << QStringList{inFolder};
    QTest::newRow("second value ending in separator")
        << 0u << QByteArray() << "C:\\Info\\" << QStringList{doubled} << nothing << doubled
        << QStringList{doubled};
    QTest::newRow("second value, no file") << 0u << QByteArray() << "C:\\Info" << nothing << nothing << ""
                                           << QStringList{inFolder};
    // Read, but not as text: the path stays empty and nothing starts.
    QTest::newRow("first value of another type") << 2u << tool << "C:\\Info" << QStringList{inFolder} << nothing
                                                 << "" << nothing;
    QTest::newRow("first value over the buffer") << 1u << QByteArray(1025, 'x') << none << nothing << nothing << ""
                                                 << nothing;
    // An empty value is no better than a missing one: the second is tried.
    QTest::newRow("first value empty") << 1u << QByteArray() << "C:\\Info" << QStringList{inFolder} << nothing
                                       << inFolder << QStringList{inFolder};
    QTest::newRow("nothing anywhere") << 0u << QByteArray() << none << nothing << nothing << "" << nothing;
    QTest::newRow("a known tool on the path") << 0u << QByteArray() << none << nothing << QStringList{QStringLiteral("kinfocenter")}
                                              << "/opt/bin/kinfocenter" << nothing;
    QTest::newRow("the first known tool found")
        << 0u << QByteArray() << none << nothing << QStringList{QStringLiteral("kinfocenter"), QStringLiteral("hardinfo")} << "/opt/bin/hardinfo"
        << nothing;
}

void tst_frmAbout::sysInfo()
{
    QFETCH(uint, firstType);
    QFETCH(QByteArray, first);
    QFETCH(QString, second);
    QFETCH(QStringList, files);
    QFETCH(QStringList, onPath);
    QFETCH(QString, started);
    QFETCH(QStringList, probed);

    if (firstType != 0)
        rig->registry.setValue(kFirstKey, "PATH", firstType, std::vector<std::uint8_t>(first.begin(), first.end()));
    if (!second.isNull())
        rig->registry.setString(kSecondKey, "MSINFO", str(second));
    for (const QString &file : std::as_const(files))
        rig->files.files.insert(str(file));
    for (const QString &name : std::as_const(onPath))
        rig->launcher.onPath[str(name)] = "/opt/bin/" + str(name);
    // The programs on this machine; "C:\\Gone" holds none.
    rig->launcher.startable = {"C:\\Info\\msinfo32.exe", "C:\\Info\\MSINFO32.EXE", "C:\\Info\\\\MSINFO32.EXE",
                               "/opt/bin/kinfocenter", "/opt/bin/hardinfo"};
    if (started.isEmpty())
        rig->dialogs.answerMessage();

    rig->trigger(QStringLiteral("MnuAbout"));
    frmAbout &box = rig->app().about();
    button(&box, "cmdSysInfo")->click();

    if (started.isEmpty()) {
        QCOMPARE(rig->dialogs.messages(), QStringList{kUnavailable});
        QCOMPARE(rig->dialogs.titles(), QStringList{QStringLiteral("Tarvello")});
    } else {
        QVERIFY(!rig->launcher.tried.empty());
        QCOMPARE(QString::fromStdString(rig->launcher.tried.back()), started);
        QVERIFY(rig->dialogs.messages().isEmpty());
    }
    QStringList asked;
    for (const std::string &path : rig->files.asked)
        asked << QString::fromStdString(path);
    QCOMPARE(asked, probed);
    QCOMPARE(rig->registry.openKeys(), 0);
    QVERIFY(box.isVisible()); // the box stays open either way
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
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "OK";
    QTest::newRow("Enter") << "Enter";
    QTest::newRow("Esc") << "Esc";
}

void tst_frmAbout::closedAndBuiltAnew()
{
    QFETCH(QString, how);
    const QStringList loaded{QStringLiteral("About Tarvello"), QStringLiteral("Version 1.0.1"),
                             QStringLiteral("Tarvello")};

    rig->trigger(QStringLiteral("MnuAbout"));
    QPointer<frmAbout> first(&rig->app().about());
    QVERIFY(first->isVisible());
    QCOMPARE(first->focusWidget(), button(first, "cmdOK"));
    // Owned by the main window, so no task-bar button; still a window of its own.
    QCOMPARE(first->windowHandle()->transientParent(), rig->parent().windowHandle());
    QVERIFY(!first->parentWidget());

    if (how == QLatin1String("OK"))
        button(first, "cmdOK")->click();
    else
        QTest::keyClick(first, how == QLatin1String("Enter") ? Qt::Key_Return : Qt::Key_Escape);
    QVERIFY(!first->isVisible());
    QVERIFY(!rig->app().hasAbout());

    // Shown again before Qt got round to deleting the old one: a new box all the same.
    rig->trigger(QStringLiteral("MnuAbout"));
    QPointer<frmAbout> second(&rig->app().about());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QVERIFY(second && second->isVisible());
    QCOMPARE(texts(*second), loaded);
}

void tst_frmAbout::helpPrintedOnceAndNotMoved()
{
    rig->trigger(QStringLiteral("MnuViewHelp"));
    frmHelp &help = rig->app().help();
    const QPoint at = help.pos();
    const QImage shown = help.grab().toImage();

    // A drag over the panel neither moves it nor counts as anything but a click.
    QTest::mousePress(&help, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseMove(&help, QPoint(120, 60));
    QTest::mouseRelease(&help, Qt::LeftButton, Qt::NoModifier, QPoint(120, 60));
    QVERIFY(!help.isVisible());
    QCOMPARE(help.pos(), at);

    rig->trigger(QStringLiteral("MnuViewHelp"));
    QVERIFY(help.isVisible());
    QCOMPARE(help.grab().toImage(), shown);
    // Five lines of ink from the top, none printed a second time below them.
    int lastInk = -1;
    const QRgb back = shown.pixel(shown.width() - 1, shown.height() - 1);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != back)
                lastInk = y;
    QVERIFY(lastInk > shown.height() * 3 / 4);
}

TARVELLO_TEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
