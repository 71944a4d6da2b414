#include "HostilePictures.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "files/DecoderProcess.h"
#include "files/DecoderProtocol.h"
#include "files/PictureFiles.h"
#include "platform/Failure.h"
#include "platform/Sandbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

// The decoder process at its seam: whatever the decoder does instead of
// answering, the reader ends within the deadline with a Failure that says
// what happened. Stand-in decoders are shell scripts.
class tst_DecoderProcess : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void misbehavingDecoder_data();
    void misbehavingDecoder();
    void headerAtItsLimits();
    void confinedProcessReachesNothing();
    void decoderIsConfinedWhileItDecodes();

private:
    QTemporaryDir m_dir;
    QString m_picture;
};

void tst_DecoderProcess::initTestCase()
{
    m_picture = m_dir.filePath(QStringLiteral("in.bmp"));
    QVERIFY(QImage(4, 4, QImage::Format_RGB32).save(m_picture));
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGUSR2);
    QCOMPARE(pthread_sigmask(SIG_BLOCK, &held, nullptr), 0);
    QVERIFY(::signal(SIGUSR2, SIG_IGN) != SIG_ERR);
}

void tst_DecoderProcess::misbehavingDecoder_data()
{
    QTest::addColumn<QByteArray>("script"); // what the stand-in does; "answer" holds bytes it may send
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("says");
    QByteArray huge = DecoderProtocol::refusal(QString());
    huge.replace(4, 16, QByteArray::fromHex("01000000ffffffffffffffff04000000"));
    QTest::newRow("crashes") << QByteArray("kill -SEGV $$") << QByteArray()
                             << "crashed the decoder (Segmentation fault)";
    QTest::newRow("killed") << QByteArray("kill -KILL $$") << QByteArray() << "stopped by the system";
    QTest::newRow("hangs") << QByteArray("exec sleep 30") << QByteArray() << "it took too long to decode";
    QTest::newRow("busy after answering")
        << QByteArray("cat answer; exec sleep 30") << DecoderProtocol::refusal(QStringLiteral("no")) << "took too long";
    QTest::newRow("ends silently") << QByteArray("exit 3") << QByteArray() << "without an answer (exit status 3)";
    QTest::newRow("talks nonsense") << QByteArray("echo 'a line of text, as long as a header or more'") << QByteArray()
                                    << "not a decoder's";
    QTest::newRow("announces too much") << QByteArray("cat answer") << huge << "a picture it may not give";
    QTest::newRow("says more than announced")
        << QByteArray("cat answer") << DecoderProtocol::refusal(QStringLiteral("no")) + "more"
        << "longer than";
    QTest::newRow("cut short") << QByteArray("cat answer") << DecoderProtocol::refusal(QStringLiteral("no")).chopped(1)
                               << "without an answer";
    QTest::newRow("refuses") << QByteArray("cat answer") << DecoderProtocol::refusal(QStringLiteral("a reason"))
                             << "could not be loaded: a reason.";
    // Whatever the editor blocks or ignores, the decoder starts with every signal as the system sets it.
    QTest::newRow("signalled") << QByteArray("kill -USR2 $$; exit 3") << QByteArray()
                               << "crashed the decoder (User defined signal 2)";
    QTest::newRow("is missing") << QByteArray() << QByteArray() << "cannot be started";
}

void tst_DecoderProcess::misbehavingDecoder()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, answer);
    QFETCH(QString, says);
    const QString helper = m_dir.filePath(QStringLiteral("decoder"));
    QFile::remove(helper);
    if (!script.isEmpty()) {
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("answer")), answer));
        // Each misbehaves once it has its request, as a decoder given a bad picture does;
        // one that ended before would only be started again.
        QVERIFY(writeFile(helper, "#!/bin/sh\ncd \"$(dirname \"$0\")\"\nhead -c 1 >/dev/null\n" + script + '\n'));
        QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::ExeOwner));
    }
    DecoderProcess reader(helper);
    QElapsedTimer clock;
    clock.start();
    const QString message = failureOf([&] { reader.read(m_picture); });
    QVERIFY(clock.elapsed() < DecoderProcess::kDeadlineMs + 1000);
    QVERIFY2(message.startsWith(QLatin1Char('"') + m_picture) && message.contains(says), qPrintable(message));
    if (!script.isEmpty())
        return;
    // What the start of a file shows is refused before any decoder is asked.
    QByteArray huge = readFile(m_picture);
    qToLittleEndian<qint32>(100000, huge.data() + 18);
    qToLittleEndian<qint32>(100000, huge.data() + 22);
    huge.truncate(34); // no more than the header up to the size it is refused on
    const QString hugePath = m_dir.filePath(QStringLiteral("huge.bmp"));
    QVERIFY(writeFile(hugePath, huge));
    QVERIFY(failureOf([&] { reader.read(hugePath); }).contains(QLatin1String("too large")));
    // The decoder refuses it as well, for programs that link it without the editor's check.
    try {
        PictureFiles::decode(huge);
        QFAIL("the decoder decoded a bitmap of 100000 x 100000 pixels");
    } catch (const PictureFiles::Refusal &refusal) {
        QVERIFY2(refusal.reason.contains(QLatin1String("too large")), qPrintable(refusal.reason));
    }
}

// The largest picture a decoder may announce, in the two formats it may give.
void tst_DecoderProcess::headerAtItsLimits()
{
    const auto announcing = [](qint64 width, QImage::Format format) {
        QByteArray header = DecoderProtocol::pictureHeader(QImage(1, 1, format));
        qToLittleEndian<quint32>(quint32(width), header.data() + 8);
        qToLittleEndian<quint64>(quint64(width) * 4, header.data() + 24);
        return header;
    };
    const qint64 most = PictureFiles::kMaxPixels;
    QCOMPARE(DecoderProtocol::parse(announcing(most, QImage::Format_ARGB32)).size, QSize(int(most), 1));
    QCOMPARE(DecoderProtocol::parse(announcing(1, QImage::Format_RGB32)).format, QImage::Format_RGB32);
    QVERIFY_THROWS_EXCEPTION(QString, DecoderProtocol::parse(announcing(most + 1, QImage::Format_RGB32)));
    QVERIFY_THROWS_EXCEPTION(QString, DecoderProtocol::parse(announcing(1, QImage::Format_RGB888)));
    const QByteArray longest = DecoderProtocol::refusal(QString(5000, u'x')).first(DecoderProtocol::kHeaderBytes);
    QCOMPARE(DecoderProtocol::parse(longest).length, DecoderProtocol::kMaxReasonBytes); // cut to the most, and taken
}

// Once limited and confined, a process has no more processor time than it
// was given or had, and no core file; it keeps what it holds and may start threads, but opens no
// file, makes no connection and starts no program.
void tst_DecoderProcess::confinedProcessReachesNothing()
{
    int held[2];
    QCOMPARE(::pipe(held), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit had{1, 3};
        ::setrlimit(RLIMIT_CPU, &had);
        Sandbox::limitResources(std::uint64_t(1) << 30, 4);
        rlimit cpu{}, core{};
        const bool limited = ::getrlimit(RLIMIT_CPU, &cpu) == 0 && cpu.rlim_cur == 3 && cpu.rlim_max == 3
            && ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_max == 0;
        if (!Sandbox::confine())
            ::_exit(77);
        int failed = limited ? 0 : 64;
        failed |= ::open("/etc/passwd", O_RDONLY) >= 0 ? 1 : 0;
        failed |= ::socket(AF_UNIX, SOCK_STREAM, 0) >= 0 ? 2 : 0;
        char *const none[] = {nullptr};
        failed |= ::execve("/bin/true", none, none) == 0 ? 4 : 0;
        failed |= ::fork() >= 0 ? 8 : 0;
        bool ran = false;
        std::thread([&] { ran = true; }).join();
        failed |= ran ? 0 : 16;
        failed |= ::write(held[1], "x", 1) == 1 ? 0 : 32;
        ::_exit(failed);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    ::close(held[0]);
    ::close(held[1]);
#ifndef __linux__
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        QSKIP("this system offers no filter on system calls");
#endif
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

// The real decoder, while it works on a picture that keeps it busy to the
// deadline, runs under the system-call filter.
void tst_DecoderProcess::decoderIsConfinedWhileItDecodes()
{
#ifndef __linux__
    QSKIP("the filter is read from /proc");
#endif
    const QString slow = m_dir.filePath(QStringLiteral("slow.jpg"));
    QVERIFY(writeFile(slow, HostilePictures::manyScanJpeg({4096, 4096}, 3000)));
    std::atomic<bool> done = false, confined = false;
    QByteArray limits;
    std::thread watch([&] {
        const QByteArray parent = "PPid:\t" + QByteArray::number(::getpid()) + '\n';
        while (!done && !confined) {
            for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                const QByteArray text = readFile(QStringLiteral("/proc/%1/status").arg(pid));
                if (text.contains(parent) && text.contains("Seccomp:\t2\n")) {
                    limits = readFile(QStringLiteral("/proc/%1/limits").arg(pid));
                    confined = true;
                }
            }
        }
    });
    DecoderProcess reader{QStringLiteral(TARVELLO_DECODER)};
    try {
        reader.read(slow);
    } catch (const Failure &) {
    }
    done = true;
    watch.join();
    QVERIFY(confined);
    // Told when its processor time is up, and stopped only a second later.
    const QList<QByteArray> cpu
        = limits.mid(limits.indexOf("Max cpu time")).split('\n').constFirst().simplified().split(' ');
    QVERIFY2(cpu.value(3).toInt() > 0 && cpu.value(4).toInt() == cpu.value(3).toInt() + 1, limits.constData());
}

TARVELLO_TEST_MAIN(tst_DecoderProcess)
#include "tst_DecoderProcess.moc"
