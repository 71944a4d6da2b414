#include "SampleGifs.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "files/DecoderProcess.h"
#include "files/GifScan.h"
#include "platform/Failure.h"
#include "platform/qt/QtAnimatedGif.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>

class tst_AnimatedGif : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void scanReadsTheBlockStructure_data();
    void scanReadsTheBlockStructure();
    void playsAtTheAnimationsSize();
    void slowFrameEndsThePlayingNotTheWindow();
    void refusesWhatItMustNotDecode_data();
    void refusesWhatItMustNotDecode();

private:
    QTemporaryDir m_dir;
    QString m_anim;
    QByteArray m_bytes;
    DecoderProcess m_reader{QStringLiteral(TARVELLO_DECODER)};
};

void tst_AnimatedGif::initTestCase()
{
    m_anim = m_dir.filePath(QStringLiteral("anim.gif"));
    QVERIFY(SampleGifs::write(m_anim,
                              {SampleGifs::solid({40, 20}, Qt::red), SampleGifs::solid({40, 20}, Qt::blue),
                               SampleGifs::solid({40, 20}, Qt::green)},
                              2));
    m_bytes = readFile(m_anim);
    QCOMPARE(m_bytes.back(), ';');
}

void tst_AnimatedGif::scanReadsTheBlockStructure_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("complete");
    QTest::newRow("whole") << m_bytes << true << 3 << true;
    QTest::newRow("no trailer") << m_bytes.chopped(1) << true << 3 << true;
    QTest::newRow("a zero byte before the trailer") << m_bytes.chopped(1) + QByteArray(1, 0) + ';' << true << 3 << true;
    QTest::newRow("cut in the last frame") << m_bytes.chopped(8) << true << 3 << false;
    QTest::newRow("header only") << m_bytes.left(13) << true << 0 << false;
    QTest::newRow("not a GIF") << QByteArray("GIF8 and some text") << false << 0 << false;
}

void tst_AnimatedGif::scanReadsTheBlockStructure()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(int, frames);
    QFETCH(bool, complete);
    const GifScan scan = GifScan::of(bytes);
    QCOMPARE(scan.valid, valid);
    QCOMPARE(scan.frames, frames);
    QCOMPARE(scan.complete, complete);
    if (valid)
        QCOMPARE(scan.screen, QSize(40, 20));
}

void tst_AnimatedGif::playsAtTheAnimationsSize()
{
    QWidget holder;
    QtAnimatedGif gif(&holder, m_reader);
    holder.show();
    const QString copy = m_dir.filePath(QStringLiteral("copy.gif"));
    QVERIFY(writeFile(copy, m_bytes));
    gif.setFileName(copy);
    QCOMPARE(gif.Width(), 600.0f);
    QCOMPARE(gif.Height(), 300.0f);
    // It plays the bytes it checked, whatever becomes of the file, at the file's delays (20 ms).
    QVERIFY(writeFile(copy, "gone"));
    QTRY_VERIFY(gif.framesShown() >= 4);
    // Hidden, it stops; shown again, it plays on.
    holder.hide();
    const int shown = gif.framesShown();
    QTest::qWait(100);
    QCOMPARE(gif.framesShown(), shown);
    holder.show();
    QTRY_VERIFY(gif.framesShown() > shown);
    QVERIFY(gif.isPlaying());
    // Given again while a frame is decoded, then once more while hidden: the
    // first playing's frame budget does not stop the last when it runs out.
    gif.setFileName(m_anim);
    holder.hide();
    gif.setFileName(m_anim);
    QTest::qWait(700);
    holder.show();
    QTRY_VERIFY(gif.framesShown() > 1);
    // A single frame, though looped for ever, is shown and the playing ends.
    const QString single = m_dir.filePath(QStringLiteral("single.gif"));
    QVERIFY(SampleGifs::write(single, {SampleGifs::solid({8, 8}, Qt::red)}));
    gif.setFileName(single);
    QTRY_VERIFY(!gif.isPlaying());
    QCOMPARE(gif.framesShown(), 1);
    // Two frames looped once more, as the file says, then it ends.
    QVERIFY(SampleGifs::write(single, {SampleGifs::solid({8, 8}, Qt::red), SampleGifs::solid({8, 8}, Qt::blue)}, 1));
    QVERIFY(writeFile(single,
                      readFile(single).replace(QByteArray("\x03\x01\x00\x00", 4), QByteArray("\x03\x01\x01\x00", 4))));
    gif.setFileName(single);
    QTRY_VERIFY(!gif.isPlaying());
    QCOMPARE(gif.framesShown(), 4);
    QByteArray largest = m_bytes; // a screen of 4096 x 4096, as large as an animation may be, still plays
    qToLittleEndian<quint32>(0x10001000, largest.data() + 6);
    QVERIFY(writeFile(single, largest));
    gif.setFileName(single);
}

// A frame behind a flood of one-byte comment blocks (some 20 ms of decoding)
// takes longer than the budget: the first frame stays, and the window
// answered all along.
void tst_AnimatedGif::slowFrameEndsThePlayingNotTheWindow()
{
    QByteArray flood("\x21\xFE");
    for (int i = 0; i < 8 << 20; ++i)
        flood.append("\x01x", 2);
    flood.append('\0');
    const qsizetype secondFrame = m_bytes.indexOf("\x21\xF9", 20);
    const QString path = m_dir.filePath(QStringLiteral("slow.gif"));
    QVERIFY(writeFile(path, m_bytes.left(secondFrame) + flood + m_bytes.mid(secondFrame)));

    QWidget holder;
    QtAnimatedGif gif(&holder, m_reader, 1);
    holder.show();
    gif.setFileName(path);
    QElapsedTimer clock, gap;
    clock.start();
    gap.start();
    qint64 longest = 0;
    while (gif.isPlaying() && clock.elapsed() < 5000) {
        QTest::qWait(2);
        longest = qMax(longest, gap.restart());
    }
    QVERIFY(!gif.isPlaying());
    QCOMPARE(gif.framesShown(), 1);
    QVERIFY2(longest < 100, qPrintable(QString::number(longest)));
}

void tst_AnimatedGif::refusesWhatItMustNotDecode_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("named pipe") << QStringLiteral("pipe.gif");
    QTest::newRow("text") << QStringLiteral("text.gif");
    QTest::newRow("empty") << QStringLiteral("empty.gif");
    QTest::newRow("folder") << QStringLiteral("folder.gif");
    QTest::newRow("huge screen") << QStringLiteral("huge.gif");
    QTest::newRow("frames too large to play") << QStringLiteral("costly.gif");
    QTest::newRow("broken data") << QStringLiteral("broken.gif");
    QTest::newRow("no such file") << QStringLiteral("missing.gif");
}

void tst_AnimatedGif::refusesWhatItMustNotDecode()
{
    QFETCH(QString, name);
    const QString path = m_dir.filePath(name);
    if (name == QLatin1String("pipe.gif"))
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (name == QLatin1String("text.gif"))
        QVERIFY(writeFile(path, "just some words\n"));
    else if (name == QLatin1String("empty.gif"))
        QVERIFY(writeFile(path, QByteArray()));
    else if (name == QLatin1String("folder.gif"))
        QVERIFY(QDir(m_dir.path()).mkdir(name));
    else if (name == QLatin1String("huge.gif")) {
        QByteArray huge = m_bytes;
        huge[6] = huge[7] = huge[8] = huge[9] = char(0xFF); // 65535 x 65535
        QVERIFY(writeFile(path, huge));
    } else if (name == QLatin1String("costly.gif")) {
        QByteArray costly = m_bytes;
        costly.replace(6, 4, QByteArray("\x88\x13\x88\x13", 4)); // 5000 x 5000 for every frame
        QVERIFY(writeFile(path, costly));
    } else if (name == QLatin1String("broken.gif")) {
        QVERIFY(SampleGifs::write(path, {SampleGifs::solid({40, 20}, Qt::red)}));
        const QByteArray whole = readFile(path);
        QVERIFY(writeFile(path, whole.left(whole.size() - 12) + QByteArray(11, char(0xFF)) + ';'));
    }

    QWidget holder;
    QtAnimatedGif gif(&holder, m_reader);
    gif.setFileName(m_anim);
    QElapsedTimer clock;
    clock.start();
    QVERIFY_THROWS_EXCEPTION(Failure, gif.setFileName(path));
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(gif.Width(), 600.0f); // what it showed stays
}

TARVELLO_TEST_MAIN(tst_AnimatedGif)
#include "tst_AnimatedGif.moc"
