#include "HostilePictures.h"
#include "ImageCheck.h"
#include "Rig.h"
#include "SampleGifs.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "banner/FrmBanner.h"
#include "files/DecoderProcess.h"
#include "files/PictureFiles.h"
#include "files/PictureScan.h"
#include "platform/GifEncoder.h"
#include "viewer/FileLists.h"
#include "viewer/FrmView.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

// A refusal takes no longer than the decoder may, and a moment to stop it.
constexpr qint64 kWithinDeadline = DecoderProcess::kDeadlineMs + 1000;

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray out(4, 0);
    qToBigEndian<quint32>(quint32(data.size()), out.data());
    const QByteArray body = QByteArray(type) + data;
    out += body;
    QByteArray crc(4, 0);
    qToBigEndian<quint32>(crc32(body), crc.data());
    return out + crc;
}

QByteArray pngHeader(int side, int bitDepth)
{
    QByteArray header(13, 0);
    qToBigEndian<quint32>(quint32(side), header.data());
    qToBigEndian<quint32>(quint32(side), header.data() + 4);
    header[8] = char(bitDepth);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header);
}

// A one-bit grey PNG of zeros: a few kilobytes that decode to any size.
QByteArray pngBomb(int side)
{
    const QByteArray raw(qsizetype(side) * (1 + (side + 7) / 8), 0);
    return pngHeader(side, 1) + pngChunk("IDAT", qCompress(raw, 9).mid(4)) + pngChunk("IEND", QByteArray());
}

QByteArray patched(QByteArray bytes, qsizetype at, const QByteArray &with)
{
    bytes.replace(at, with.size(), with);
    return bytes;
}

QByteArray le32(qint32 v)
{
    QByteArray out(4, 0);
    qToLittleEndian<qint32>(v, out.data());
    return out;
}

// A bitmap with one of the longer info headers some editors write: 32 bits
// a pixel with colour masks in the header, or 8 bits with a palette after it.
QByteArray longHeaderBitmap(const QImage &image, int headerSize)
{
    const bool indexed = image.format() == QImage::Format_Indexed8;
    const int rowBytes = indexed ? (image.width() + 3) / 4 * 4 : image.width() * 4;
    const QByteArray palette = indexed ? QByteArray(qsizetype(256) * 4, 0) : QByteArray();
    QByteArray out = QByteArray("BM") + le32(0) + le32(0) + le32(14 + headerSize + qint32(palette.size()));
    out += le32(headerSize) + le32(image.width()) + le32(image.height());
    out += QByteArray("\x01\x00", 2) + (indexed ? QByteArray("\x08\x00", 2) : QByteArray("\x20\x00", 2));
    out += le32(indexed ? 0 : 3) + le32(rowBytes * image.height()) + le32(2835) + le32(2835);
    out += le32(indexed ? 256 : 0) + le32(0);
    QByteArray masks = le32(0x00FF0000) + le32(0x0000FF00) + le32(0x000000FF) + le32(0);
    out += masks.left(headerSize - 40);
    for (int i = 0; i < image.colorCount(); ++i)
        out.append(char(qBlue(image.color(i))))
            .append(char(qGreen(image.color(i))))
            .append(char(qRed(image.color(i))))
            .append(char(0));
    if (indexed)
        out += QByteArray(qsizetype(256 - image.colorCount()) * 4, 0);
    for (int y = image.height() - 1; y >= 0; --y) {
        const QByteArray row(reinterpret_cast<const char *>(image.constScanLine(y)),
                             indexed ? image.width() : rowBytes);
        out += row + QByteArray(rowBytes - row.size(), 0);
    }
    out.replace(2, 4, le32(qint32(out.size())));
    return out;
}

// Lossy formats keep every pixel near its colour.
bool near(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            if (qAbs(p.red() - q.red()) > 64 || qAbs(p.green() - q.green()) > 64 || qAbs(p.blue() - q.blue()) > 64)
                return false;
        }
    return true;
}

// The classes of file that once froze, exhausted or killed the editor; each
// small, but costly where the decoder does not bound it.
QByteArray markerFlood(const QByteArray &jpeg)
{
    QByteArray flood;
    for (int i = 0; i < 100000; ++i)
        flood.append("\xFF\xFE\x00\x04"
                     "ab",
                     6);
    return jpeg.left(2) + flood + jpeg.mid(2);
}

QByteArray textBomb(const QByteArray &png)
{
    const QByteArray text = pngChunk("zTXt",
                                     QByteArray("Comment\0\0", 9) + qCompress(QByteArray(16 << 20, 0), 9).mid(4));
    return png.left(33) + text.repeated(32) + png.mid(33);
}

QByteArray extensionFlood(const QByteArray &gif)
{
    const qsizetype palette = (gif[10] & 0x80) ? 3 << ((gif[10] & 7) + 1) : 0;
    return gif.left(13 + palette) + "\x21\xFE"
        + QByteArray("\x01"
                     "x",
                     2)
              .repeated(4 << 20)
        + '\0' + gif.mid(13 + palette);
}

// An 8-bit run-length bitmap of only empty moves, then its end.
QByteArray rleNoOps(QSize size)
{
    const QByteArray data = QByteArray("\x00\x02\x00\x00", 4).repeated(2 << 20) + QByteArray("\x00\x01", 2);
    QByteArray out = QByteArray("BM") + le32(14 + 40 + 1024 + qint32(data.size())) + le32(0) + le32(14 + 40 + 1024);
    out += le32(40) + le32(size.width()) + le32(size.height()) + QByteArray("\x01\x00\x08\x00", 4) + le32(1);
    out += le32(qint32(data.size())) + le32(2835) + le32(2835) + le32(256) + le32(0);
    return out + QByteArray(1024, 0) + data;
}

QByteArray plainGrey(QSize size)
{
    return QStringLiteral("P2 # plain\n%1 %2\n255\n").arg(size.width()).arg(size.height()).toLatin1()
        + QByteArray("12 200 # a comment between values\n7 ").repeated(qsizetype(size.width()) * size.height() / 3);
}

qint64 residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    return statm.open(QIODevice::ReadOnly)
        ? statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE) >> 20
        : 0;
}

} // namespace

// Hostile and odd files, made here, through "Load" and the viewer's preview.
class tst_HostileFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init()
    {
        QDir::setCurrent(m_dir.path());
        rig = std::make_unique<Rig>();
    }
    void cleanup()
    {
        QDir::setCurrent(m_startedIn);
        QCOMPARE(Rig::finish(rig), QString());
    }
    void refusedByLoadAndSkippedByPreview_data();
    void refusedByLoadAndSkippedByPreview();
    void oddButValidFilesLoad_data();
    void oddButValidFilesLoad();
    void cutShortWhileRead();
    void restartMarkersStayInsideTheScan();
    void memoryStaysBounded();

private:
    QTemporaryDir m_dir;
    QString m_startedIn;
    std::unique_ptr<Rig> rig;
    qint64 m_mostGrown = 0; // megabytes, over a refused file
};

void tst_HostileFiles::initTestCase()
{
    QVERIFY(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755) == 0);
    m_startedIn = QDir::currentPath();
}

void tst_HostileFiles::refusedByLoadAndSkippedByPreview_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");

    const QByteArray png = encoded(sample(), "PNG");
    const QByteArray jpeg = encoded(sample(), "JPEG");
    const QByteArray bmp = encoded(sample(), "BMP");
    const QByteArray gif = encodeGif(sample(), sample().size());
    const QByteArray mono = encoded(sample().scaled(400, 400).convertToFormat(QImage::Format_Mono), "BMP");
    for (const auto &[format, bytes] :
         {std::pair{"png", png}, {"jpg", jpeg}, {"bmp", bmp}, {"gif", gif}, {"1.bmp", mono}}) {
        for (const int percent : {5, 50, 95}) {
            const QString name = QStringLiteral("cut%1.%2").arg(percent).arg(QLatin1String(format));
            QTest::newRow(qPrintable(name))
                << name << bytes.left(qMax<qsizetype>(30, bytes.size() * percent / 100)) << QStringLiteral("truncated");
        }
    }
    QTest::newRow("huge bitmap") << "huge.bmp" << patched(bmp, 18, le32(100000) + le32(-100000)) << "too large";
    QTest::newRow("negative width") << "negative.bmp" << patched(bmp, 18, le32(-40)) << "";
    QTest::newRow("huge PNG") << "huge.png" << patched(png, 16, QByteArray("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8))
                              << "too large";
    QTest::newRow("huge PNG, its header only")
        << "header.png" << patched(png, 16, QByteArray("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8)).left(29) << "too large";
    QTest::newRow("huge GIF screen") << "huge.gif" << patched(gif, 6, QByteArray(4, char(0xFF))) << "too large";
    QTest::newRow("huge JPEG") << "huge.jpg" << HostilePictures::manyScanJpeg({65535, 65535}, 1) << "too large";
    // Found by the fuzzer: sizes whose product overflowed the truncation check.
    QTest::newRow("overflowing bitmap") << "overflow.bmp"
                                        << QByteArray::fromBase64(
                                               "Qk06AAAAAAAAADUAAAAoAAYAAABbNSX+MjIyAE06AAAAAAAAADUAAAAoAAYAAAAALw==")
                                        << "";
    QTest::newRow("bad bit depth") << "depth.bmp" << patched(bmp, 28, QByteArray("\x07\x00", 2)) << "";
    QTest::newRow("palette of a billion")
        << "palette.bmp" << patched(patched(bmp, 28, QByteArray("\x08\x00", 2)), 46, le32(1 << 30)) << "";
    QTest::newRow("broken LZW") << "lzw.gif" << patched(gif, gif.size() - 40, QByteArray(30, char(0xFF))) << "";
    QTest::newRow("PNG bomb") << "bomb.png" << pngBomb(20000) << "too large";
    // Within the pixel limit, but twice the memory at 16 bits a channel.
    QTest::newRow("deep PNG") << "deep.png" << pngHeader(8000, 16) + pngChunk("IEND", QByteArray())
                              << "too large (8000 x 8000 pixels would need 488 MB)";
    QTest::newRow("refinement scans") << "scans.jpg" << HostilePictures::manyScanJpeg({4096, 4096}, 3000) << "too long";
    QTest::newRow("marker flood") << "markers.jpg" << markerFlood(jpeg) << "too long";
    QTest::newRow("PAM") << "picture.pam" << QByteArray("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 1\nENDHDR\n\x01")
                         << "(PAM) are not supported";
    QTest::newRow("empty") << "empty.bmp" << QByteArray() << "empty";
    QTest::newRow("one byte") << "one.gif" << QByteArray("G") << "not a picture";
    QTest::newRow("text named GIF") << "words.gif" << QByteArray("GIF? no, just words\n") << "not a picture";
    QTest::newRow("folder") << "folder.bmp" << QByteArray("folder") << "not a regular file";
    QTest::newRow("named pipe") << "pipe.gif" << QByteArray("pipe") << "not a regular file";
    QTest::newRow("device") << "zero.jpg" << QByteArray("device") << "not a regular file";
    QTest::newRow("unreadable") << "secret.png" << png << "cannot be read";
}

void tst_HostileFiles::refusedByLoadAndSkippedByPreview()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    const QString path = m_dir.filePath(name);
    QFile::remove(path);
    if (bytes == "folder")
        QVERIFY(QDir(m_dir.path()).mkdir(name));
    else if (bytes == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (bytes == "device")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else
        QVERIFY(writeFile(path, bytes));
    const bool unreadable = name == QLatin1String("secret.png");
    if (unreadable)
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
    // Permissions bind root too once it acts as an ordinary user.
    const bool asUser = unreadable && geteuid() == 0;

    const QImage before = rig->banner().Image().copy();
    rig->dialogs.answerOpen(path);
    rig->dialogs.answerMessage();
    QElapsedTimer clock;
    clock.start();
    const qint64 resident = residentMegabytes();
    if (asUser)
        QVERIFY(seteuid(65534) == 0);
    rig->trigger(QStringLiteral("MnuLoad"));
    if (asUser)
        QVERIFY(seteuid(0) == 0);
    QVERIFY(clock.elapsed() < kWithinDeadline);
    m_mostGrown = qMax(m_mostGrown, residentMegabytes() - resident);
    QVERIFY(ImageCheck::same(rig->banner().Image(), before));
    QCOMPARE(rig->dialogs.messages().size(), 1);
    const QString message = rig->dialogs.messages().first();
    QVERIFY2(message.contains(name) && message.contains(says), qPrintable(message));

    // The viewer's preview skips the failing step quickly and without a word.
    rig->toolbar(QStringLiteral("backimage"));
    FrmView &view = rig->app().viewer();
    auto *files = view.findChild<FileListBox *>(QStringLiteral("File1"));
    // Past the deadline once is enough.
    if (QListWidgetItem *item = files->findItems(name, Qt::MatchExactly).value(0);
        item && says != QLatin1String("too long")) {
        clock.restart();
        if (asUser)
            QVERIFY(seteuid(65534) == 0);
        files->setCurrentItem(item);
        if (asUser)
            QVERIFY(seteuid(0) == 0);
        QVERIFY(clock.elapsed() < kWithinDeadline);
        QVERIFY(view.image1Picture().isNull());
    }
    QCOMPARE(rig->dialogs.messages().size(), 1);
    if (unreadable)
        ::chmod(QFile::encodeName(path).constData(), 0644);
}

void tst_HostileFiles::oddButValidFilesLoad_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QSize>("size"); // the sample's size: compared with it

    const QImage picture = sample();
    const QSize same = picture.size();
    const QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    const QByteArray gif = encodeGif(picture, same);
    const QByteArray jpeg = encoded(picture, "JPEG");
    QTest::newRow("JPEG with a trailer") << "trailer.jpg" << jpeg + QByteArray(20000, 'v') << false << same;
    QTest::newRow("JPEG with a long trailer") << "long.jpg" << jpeg + QByteArray(8 << 20, 'v') << false << same;
    QTest::newRow("PNG with a trailer") << "trailer.png" << encoded(picture, "PNG") + QByteArray(20000, 'v') << true
                                        << same;
    QTest::newRow("JPEG with an empty comment")
        << "comment.jpg" << jpeg.left(2) + QByteArray("\xFF\xFE\x00\x02", 4) + jpeg.mid(2) << false << same;
    QTest::newRow("progressive JPEG") << "progressive.jpg" << encoded(picture, "JPEG", true) << false << same;
    QImage camera(6000, 4000, QImage::Format_RGB32);
    camera.fill(Qt::darkCyan);
    QTest::newRow("camera-sized progressive JPEG")
        << "camera.jpg" << encoded(camera, "JPEG", true) << false << camera.size();
    QTest::newRow("GIF one row high") << "row.gif" << encodeGif(picture.copy(0, 0, 40, 1), {40, 1}) << false
                                      << QSize(40, 1);
    QTest::newRow("GIF without trailer") << "notrailer.gif" << gif.chopped(1) << false << same;
    QTest::newRow("zero byte before the trailer") << "zero.gif" << gif.chopped(1) + '\0' + ';' << false << same;
    QTest::newRow("extension flood") << "flood.gif" << extensionFlood(gif) << false << same;
    QTest::newRow("text bomb") << "bomb.png" << textBomb(encoded(picture, "PNG")) << true << same;
    QTest::newRow("52-byte header") << "v2.bmp" << longHeaderBitmap(picture, 52) << true << same;
    QTest::newRow("56-byte header") << "v3.bmp" << longHeaderBitmap(picture, 56) << true << same;
    QTest::newRow("56-byte header, palette") << "v3i.bmp" << longHeaderBitmap(indexed, 56) << true << same;
    QTest::newRow("run-length moves only") << "moves.bmp" << rleNoOps({4000, 4000}) << false << QSize(4000, 4000);
    QTest::newRow("plain grey, commented") << "plain.pgm" << plainGrey({309, 300}) << false << QSize(309, 300);
    QTest::newRow("comment after the magic")
        << "magic.pgm" << QByteArray("P2#c\n3 2\n255\n0 1 2 3 4 268435455\n") << false << QSize(3, 2);
    QTest::newRow("binary bits") << "raw.pbm" << QByteArray("P4\n8 2\n\x55\xAA", 9) << false << QSize(8, 2);
    QTest::newRow("plain bits, no blanks") << "bits.pbm" << QByteArray("P1\n4 2\n0101\n1010\n") << false << QSize(4, 2);
    QTest::newRow("spaces in the name") << "a banner picture.png" << encoded(picture, "PNG") << true << same;
    QTest::newRow("leading dash") << "-rf.bmp" << encoded(picture, "BMP") << true << same;
}

void tst_HostileFiles::oddButValidFilesLoad()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, exact);
    QFETCH(QSize, size);
    const QString path = m_dir.filePath(name);
    QVERIFY(writeFile(path, bytes));
    rig->dialogs.answerOpen(path);
    rig->trigger(QStringLiteral("MnuLoad"));
    const QImage shown = rig->banner().Picture().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), size);
    if (size != sample().size())
        return;
    // A palette of 256 keeps this picture's colours near, not exact.
    const QImage expected = name.startsWith(QLatin1String("v3i"))
        ? sample().convertToFormat(QImage::Format_Indexed8).convertToFormat(QImage::Format_RGB32)
        : sample();
    QVERIFY(exact ? ImageCheck::same(shown, expected) : near(shown, expected));
}

// Another program cuts the file short while the decoder reads it: a message
// or the whole picture, never a crash, and the banner stays unless it loads.
void tst_HostileFiles::cutShortWhileRead()
{
    const QString path = m_dir.filePath(QStringLiteral("growing.bmp"));
    const QImage big(3000, 2000, QImage::Format_RGB32);
    for (const int afterMs : {0, 1, 3, 10}) {
        QVERIFY(big.save(path));
        const QImage before = rig->banner().Image().copy();
        const int messages = int(rig->dialogs.messages().size());
        rig->dialogs.answerOpen(path);
        rig->dialogs.answerMessage();
        std::thread cutter([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            QFile::resize(path, 100000);
        });
        QElapsedTimer clock;
        clock.start();
        rig->trigger(QStringLiteral("MnuLoad"));
        cutter.join();
        QVERIFY(clock.elapsed() < kWithinDeadline);
        if (rig->dialogs.messages().size() > messages) {
            QVERIFY(ImageCheck::same(rig->banner().Image(), before));
        } else {
            QCOMPARE(rig->banner().Picture().size(), big.size());
            rig->dialogs.messageBox(QString(), QString()); // uses up the answer no message needed
        }
    }
}

// Qt writes no restart markers, so the scan is checked on a stream made by
// hand: the first and last restart marker and a stuffed byte end no scan.
void tst_HostileFiles::restartMarkersStayInsideTheScan()
{
    const QByteArray frame = QByteArray::fromHex("FFD8"
                                                 "FFC0000B08000A0014"
                                                 "01011100");
    const QByteArray scan = QByteArray::fromHex("FFDA0008"
                                                "01010000"
                                                "3F00");
    const QByteArray jpeg = frame + scan
        + QByteArray::fromHex("12FFD034FFD756FF0078"
                              "FFD9");
    const JpegScan found = JpegScan::of(QByteArrayView(jpeg));
    QCOMPARE(found.size, QSize(20, 10));
    QCOMPARE(found.scans, 1);
    QVERIFY(found.complete);
    QVERIFY(!JpegScan::of(QByteArrayView(jpeg).chopped(2)).complete);
    // A scan ends where its view ends, whatever follows in memory.
    const QByteArray bits("P1 2 1 0 1");
    QVERIFY(!NetpbmScan::binary(bits).isEmpty());
    QVERIFY_THROWS_EXCEPTION(QString, NetpbmScan::binary(QByteArrayView(bits).chopped(1)));
}

void tst_HostileFiles::memoryStaysBounded()
{
    // Whatever a refused file made the decoder allocate, the editor did not.
    QVERIFY2(m_mostGrown < 16, qPrintable(QString::number(m_mostGrown)));
}

TARVELLO_TEST_MAIN(tst_HostileFiles)
#include "tst_HostileFiles.moc"
