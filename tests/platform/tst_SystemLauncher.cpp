#include "TestMain.h"
#include "platform/SessionBus.h"
#include "platform/SystemLauncher.h"

#include <QFile>
#include <QTemporaryDir>

// The real launch on this system, with a search path made for the test.
class tst_SystemLauncher : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsAndStartsAToolOnThePath();
};

void tst_SystemLauncher::findsAndStartsAToolOnThePath()
{
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    const QString tool = bin.filePath(QStringLiteral("hardinfo"));
    const QString mark = bin.filePath(QStringLiteral("started"));
    QFile script(tool);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$DBUS_SESSION_BUS_ADDRESS\" > \"$(dirname \"$0\")/started.part\"\n"
                 "mv \"$(dirname \"$0\")/started.part\" \"$(dirname \"$0\")/started\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    SystemLauncher launcher;
    const std::string found = launcher.findOnPath("hardinfo");
    const std::string missing = launcher.findOnPath("kinfocenter");
    qputenv("PATH", path);

    QCOMPARE(QString::fromStdString(found), tool);
    QVERIFY(missing.empty());
    // The tool gets the session bus address the program was started with,
    // not the one start-up may have set for want of a bus.
    const auto addressSeenByTool = [&](const QByteArray &ours) {
        QFile::remove(mark);
        qputenv(kSessionBusAddressVariable, ours);
        const bool started = launcher.start(found);
        qunsetenv(kSessionBusAddressVariable);
        QFile seen(mark);
        return started && QTest::qWaitFor([&] { return seen.exists(); }) && seen.open(QIODevice::ReadOnly)
            ? seen.readAll().trimmed()
            : QByteArray("not started");
    };
    QCOMPARE(addressSeenByTool(kNoSessionBus), QByteArray());
    QCOMPARE(addressSeenByTool("unix:path=/run/user/1000/bus"), QByteArray("unix:path=/run/user/1000/bus"));
    QVERIFY(!launcher.start(bin.filePath(QStringLiteral("gone")).toStdString()));
    QVERIFY(!launcher.start(""));
}

TARVELLO_TEST_MAIN(tst_SystemLauncher)
#include "tst_SystemLauncher.moc"
