#include "TestMain.h"
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
    script.write("#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
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
    QVERIFY(launcher.start(found));
    QTRY_VERIFY(QFile::exists(mark));
    QVERIFY(!launcher.start(bin.filePath(QStringLiteral("gone")).toStdString()));
    QVERIFY(!launcher.start(""));
}

TARVELLO_TEST_MAIN(tst_SystemLauncher)
#include "tst_SystemLauncher.moc"
