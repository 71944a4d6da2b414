#include "TestMain.h"
#include "platform/SessionBus.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Decided on a made-up machine in a temporary folder: a runtime folder with
// or without the user's bus, and launchers installed, on the path, or not
// runnable.
class tst_SessionBus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void reachable_data();
    void reachable();

private:
    static void makeFile(const QString &path, bool runnable);
    QTemporaryDir m_root;
};

void tst_SessionBus::makeFile(const QString &path, bool runnable)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
    QVERIFY(file.setPermissions(runnable ? readWrite | QFile::ExeOwner : readWrite));
}

void tst_SessionBus::initTestCase()
{
    QVERIFY(m_root.isValid());
    QDir root(m_root.path());
    for (const char *folder : {"run-empty", "run-bus", "bin-empty", "bin-launcher", "bin-plain"})
        QVERIFY(root.mkdir(QLatin1String(folder)));
    makeFile(root.filePath(QStringLiteral("run-bus/bus")), false);
    makeFile(root.filePath(QStringLiteral("bin-launcher/dbus-launch")), true);
    makeFile(root.filePath(QStringLiteral("bin-plain/dbus-launch")), false);
}

void tst_SessionBus::reachable_data()
{
    QTest::addColumn<QString>("address"); // "-" for none
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("installed");
    QTest::addColumn<bool>("expected");

    const QString none = QStringLiteral("-");
    const QString nowhere = QStringLiteral("bin-empty/dbus-launch");
    QTest::newRow("nothing anywhere") << none << "run-empty"
                                      << "bin-empty:bin-plain" << nowhere << false;
    QTest::newRow("an empty address is none") << ""
                                              << "run-empty"
                                              << "bin-empty" << nowhere << false;
    QTest::newRow("no runtime folder") << none << none << "bin-empty" << nowhere << false;
    QTest::newRow("address given") << "unix:path=/run/bus"
                                   << "run-empty"
                                   << "bin-empty" << nowhere << true;
    QTest::newRow("user bus socket") << none << "run-bus"
                                     << "bin-empty" << nowhere << true;
    QTest::newRow("launcher installed") << none << "run-empty"
                                        << "bin-empty"
                                        << "bin-launcher/dbus-launch" << true;
    QTest::newRow("launcher on the path") << none << "run-empty"
                                          << "bin-empty:bin-launcher" << nowhere << true;
    QTest::newRow("launcher found through an empty entry") << none << "run-empty"
                                                           << "bin-empty:" << nowhere << true;
    QTest::newRow("launcher not runnable") << none << "run-empty"
                                           << "bin-plain"
                                           << "bin-plain/dbus-launch" << false;
}

void tst_SessionBus::reachable()
{
    QFETCH(QString, address);
    QFETCH(QString, runtime);
    QFETCH(QString, path);
    QFETCH(QString, installed);
    QFETCH(bool, expected);

    // Relative folders are the temporary root's; an empty path entry is the
    // current folder, which the launcher's folder stands in for.
    QVERIFY(QDir::setCurrent(m_root.filePath(QStringLiteral("bin-launcher"))));
    const auto inRoot = [this](const QString &relative) { return QFile::encodeName(m_root.filePath(relative)); };
    QStringList folders = path.split(QLatin1Char(':'));
    for (QString &folder : folders)
        folder = folder.isEmpty() ? folder : m_root.filePath(folder);
    const QByteArray searchPath = QFile::encodeName(folders.join(QLatin1Char(':')));
    const QByteArray addressBytes = address.toUtf8();
    const QByteArray runtimeBytes = inRoot(runtime);

    QCOMPARE(sessionBusReachable(address == QLatin1String("-") ? nullptr : addressBytes.constData(),
                                 runtime == QLatin1String("-") ? nullptr : runtimeBytes.constData(),
                                 searchPath.constData(), inRoot(installed).toStdString()),
             expected);

    // Start-up decides the same from the environment, where the launcher's
    // place is the real one: the rows that assume none there, if none is.
    if (installed != QLatin1String("bin-empty/dbus-launch") || QFile::exists(QStringLiteral("/usr/bin/dbus-launch")))
        return;
    const QByteArray savedPath = qgetenv("PATH"), savedRuntime = qgetenv("XDG_RUNTIME_DIR"),
                     savedAddress = qgetenv(kSessionBusAddressVariable);
    const auto set = [](const char *name, const QByteArray &value, bool given) {
        given ? qputenv(name, value) : qunsetenv(name);
    };
    set(kSessionBusAddressVariable, addressBytes, address != QLatin1String("-"));
    set("XDG_RUNTIME_DIR", runtimeBytes, runtime != QLatin1String("-"));
    qputenv("PATH", searchPath);
    skipFutileSessionBusLaunch();
    const QByteArray now = qgetenv(kSessionBusAddressVariable);
    set("PATH", savedPath, true);
    set("XDG_RUNTIME_DIR", savedRuntime, !savedRuntime.isNull());
    set(kSessionBusAddressVariable, savedAddress, !savedAddress.isNull());
    QCOMPARE(now, !expected ? QByteArray(kNoSessionBus) : address == QLatin1String("-") ? QByteArray() : addressBytes);
}

TARVELLO_TEST_MAIN(tst_SessionBus)
#include "tst_SessionBus.moc"
