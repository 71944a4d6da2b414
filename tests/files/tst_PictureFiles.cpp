#include "ImageCheck.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "files/DecoderProcess.h"
#include "files/PictureFiles.h"
#include "platform/AtomicFile.h"
#include "platform/Failure.h"
#include "platform/GifEncoder.h"
#include "platform/GifImageCopy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs a step as an ordinary user, so that folder permissions bind even when
// the tests run as root.
template<typename Step>
void asUnprivileged(Step step)
{
    const bool root = geteuid() == 0;
    if (root)
        QVERIFY(seteuid(65534) == 0);
    step();
    if (root)
        QVERIFY(seteuid(0) == 0);
}

// Writes as the program does in a process whose files may not grow past
// `bytes`, as on a full disk: a write past it fails as a real short write does.
QString writeWithFileSizeLimit(bool gif, const QString &path, qint64 bytes, bool small = false)
{
    QProcess writer;
    QStringList arguments{gif ? QStringLiteral("gif") : QStringLiteral("bmp"), path, QString::number(bytes)};
    if (small)
        arguments << QStringLiteral("small");
    writer.start(QStringLiteral(LIMITED_WRITE), arguments);
    writer.waitForFinished(60000);
    return QString::fromUtf8(writer.readAllStandardOutput());
}

} // namespace

class tst_PictureFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Open to the ordinary user that the permission test runs as.
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    }

    void savesBitmapWhateverTheName_data();
    void savesBitmapWhateverTheName();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void encoderFailureIsNamed();
    void nameTakenDuringWriteFails();
    void loadsWhatQtReads_data();
    void loadsWhatQtReads();
    void refusesBadFiles();

private:
    QTemporaryDir dir;
    DecoderProcess reader{QStringLiteral(TARVELLO_DECODER)};
};

void tst_PictureFiles::savesBitmapWhateverTheName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("bmp") << "banner.bmp";
    QTest::newRow("gif") << "banner.gif";
    QTest::newRow("jpg") << "banner.jpg";
    QTest::newRow("none") << "banner";
}

void tst_PictureFiles::savesBitmapWhateverTheName()
{
    QFETCH(QString, name);
    const QString path = dir.filePath(name);
    PictureFiles::savePicture(sample(), path);
    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.startsWith("BM"));
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    QCOMPARE(qFromLittleEndian<quint32>(data + 14), 40u); // BITMAPINFOHEADER
    QCOMPARE(qFromLittleEndian<qint32>(data + 18), 40);   // width
    QCOMPARE(qFromLittleEndian<qint32>(data + 22), 20);   // positive height: bottom-up
    QCOMPARE(qFromLittleEndian<quint16>(data + 28), quint16(24));
    QCOMPARE(qFromLittleEndian<quint32>(data + 30), 0u); // no compression
    QImage back;
    QVERIFY(back.loadFromData(bytes, "BMP"));
    QVERIFY(ImageCheck::same(back, sample()));
}

void tst_PictureFiles::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<bool>("gif");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("says");
    for (const bool gif : {false, true}) {
        const char *writer = gif ? "GIF export" : "bitmap save";
        QTest::addRow("%s, read-only folder", writer) << gif << "read-only"
                                                      << "ermission";
        QTest::addRow("%s, missing folder", writer) << gif << "missing"
                                                    << "folder does not exist";
        // The limit stands in for a full disk; the system calls it "File too large".
        QTest::addRow("%s, disk full", writer) << gif << "full"
                                               << "too large";
        QTest::addRow("%s, disk full at the last bytes", writer) << gif << "full-small"
                                                                 << "too large";
        QTest::addRow("%s, name of a folder", writer) << gif << "folder"
                                                      << "it is a folder";
    }
}

// Every way a write can fail leaves the file it was to replace byte for
// byte, no temporary file, and a message naming the file and the reason.
void tst_PictureFiles::failedWriteKeepsOldFile()
{
    QFETCH(bool, gif);
    QFETCH(QString, failure);
    QFETCH(QString, says);
    const QString folder = dir.filePath(QStringLiteral("out-") + failure + (gif ? QStringLiteral("-gif") : QString()));
    const QString path = folder
        + (failure == QLatin1String("missing")      ? QStringLiteral("/nowhere/banner.bmp")
               : failure == QLatin1String("folder") ? QStringLiteral("/banner.bmp/")
                                                    : QStringLiteral("/banner.bmp"));
    QVERIFY(QDir().mkpath(folder));
    const QByteArray old("old contents, not a picture");
    if (failure == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    else if (failure != QLatin1String("missing"))
        QVERIFY(writeFile(path, old));
    // A picture large enough to pass any small file-size limit.
    const QImage picture = sample().scaled(600, 400);
    auto write = [&] {
        if (gif)
            GifImageCopy().copyToGif(picture, path, picture.width(), picture.height());
        else
            PictureFiles::savePicture(picture, path);
    };

    QString message;
    if (failure == QLatin1String("read-only")) {
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        asUnprivileged([&] { message = failureOf(write); });
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    } else if (failure.startsWith(QLatin1String("full"))) {
        message = writeWithFileSizeLimit(gif, path, failure == QLatin1String("full") ? 1024 : 64,
                                         failure == QLatin1String("full-small"));
    } else {
        message = failureOf(write);
    }

    QVERIFY2(message.contains(QStringLiteral("banner.bmp")) && message.contains(says), qPrintable(message));
    if (failure == QLatin1String("read-only") || failure.startsWith(QLatin1String("full")))
        QCOMPARE(readFile(path), old);
    QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(left, failure == QLatin1String("missing") ? QStringList() : QStringList{QStringLiteral("banner.bmp")});
}

// A writer that fails with no error on the file could not encode the picture.
void tst_PictureFiles::encoderFailureIsNamed()
{
    const QString path = dir.filePath(QStringLiteral("unencoded.bmp"));
    QVERIFY(writeFile(path, "old"));
    const QString message = failureOf([&] { writeFileAtomically(path, [](QIODevice &) { return false; }); });
    QCOMPARE(message,
             QStringLiteral("\"%1\" could not be saved: the picture could not be encoded.")
                 .arg(QDir::toNativeSeparators(path)));
    QCOMPARE(readFile(path), QByteArray("old"));
}

// The new file cannot take the name when a folder took it meanwhile.
void tst_PictureFiles::nameTakenDuringWriteFails()
{
    const QString folder = dir.filePath(QStringLiteral("taken"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/banner.bmp");
    const QString message = failureOf([&] {
        writeFileAtomically(path, [&](QIODevice &file) { return file.write("BM") == 2 && QDir().mkpath(path); });
    });
    QVERIFY2(message.startsWith(QStringLiteral("\"%1\" could not be saved: ").arg(QDir::toNativeSeparators(path))),
             qPrintable(message));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("banner.bmp")});
}

void tst_PictureFiles::loadsWhatQtReads_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("exact");
    QTest::newRow("bmp") << "BMP" << true;
    QTest::newRow("png") << "PNG" << true;
    QTest::newRow("gif") << "GIF" << false;
    QTest::newRow("jpeg") << "JPEG" << false;
}

void tst_PictureFiles::loadsWhatQtReads()
{
    QFETCH(QString, format);
    QFETCH(bool, exact);
    const QString path = dir.filePath(QStringLiteral("in.") + format.toLower());
    const QImage picture = sample();
    // Qt reads GIF but does not write it; our own encoder makes the file.
    QVERIFY(writeFile(path,
                      format == QLatin1String("GIF") ? encodeGif(picture, picture.size())
                                                     : encoded(picture, qPrintable(format))));
    const QImage loaded = reader.read(path);
    QCOMPARE(loaded.size(), QSize(40, 20));
    if (exact)
        QVERIFY(ImageCheck::same(loaded, picture));
    QVERIFY(reader.read(QString()).isNull());
}

void tst_PictureFiles::refusesBadFiles()
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *says;
    };
    const QByteArray png = encoded(sample(), "PNG");
    const QByteArray jpeg = encoded(sample(), "JPEG");
    const QByteArray bmp = encoded(sample(), "BMP");
    // Bitmap headers alone that claim a size: far over the limit, and exactly at it.
    auto header = [&](qint32 width, qint32 height) {
        QByteArray bytes = bmp.left(54);
        qToLittleEndian<qint32>(width, reinterpret_cast<uchar *>(bytes.data()) + 18);
        qToLittleEndian<qint32>(height, reinterpret_cast<uchar *>(bytes.data()) + 22);
        return bytes;
    };
    const std::vector<Case> cases = {
        {"empty.bmp", QByteArray(), "the file is empty"},
        {"text.jpg", QByteArray("just some words, no picture at all\n"), "it is not a picture"},
        {"cut.png", png.left(png.size() / 2), "the file is truncated"},
        {"cut.jpg", jpeg.left(jpeg.size() / 2), "the file is truncated"},
        {"cut.bmp", bmp.left(bmp.size() / 2), "the file is truncated"},
        {"huge.bmp", header(100000, 100000), "the picture is too large (100000 x 100000 pixels)"},
        {"edge.bmp", header(8192, 8192), "the file is truncated"},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QLatin1String(c.name));
        QVERIFY(writeFile(path, c.bytes));
        QCOMPARE(failureOf([&] { reader.read(path); }),
                 QStringLiteral("\"%1\" could not be loaded: %2.")
                     .arg(QDir::toNativeSeparators(path), QLatin1String(c.says)));
    }

    QVERIFY(failureOf([&] {
                reader.read(dir.filePath(QStringLiteral("missing.bmp")));
            }).contains(QStringLiteral("does not exist")));
    QVERIFY(failureOf([&] { reader.read(dir.path()); }).contains(QStringLiteral("not a regular file")));
    // A named pipe would block a read for ever: it is refused unopened.
    const QString fifo = dir.filePath(QStringLiteral("pipe.bmp"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(failureOf([&] { reader.read(fifo); }).contains(QStringLiteral("not a regular file")));
}

TARVELLO_TEST_MAIN(tst_PictureFiles)
#include "tst_PictureFiles.moc"
