#include "ImageCheck.h"
#include "Rig.h"
#include "TestFiles.h"
#include "TestFonts.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "platform/Units.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <cfenv>

class tst_FileCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        rig = std::make_unique<Rig>();
        dir = std::make_unique<QTemporaryDir>();
        rig->banner().setBannerFont(bigTestFont());
        rig->banner().setForeColor(0xFF0000);
    }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }

    void saveFilterExtensionAndStops();
    void bitmapFormatIsSave();
    void saveThenLoadRoundTrip();
    void loadFilterAndEmptyName();
    void failedLoadLeavesBanner();
    void gifExportCallsComponent();
    void gifExportAfterResize();
    void cancelledGifExportLeavesClipboardAndPicture4();
    void gifExportWhenClipboardRefuses();
    void gifFileDecodesBack();
    void roundHalfEven_data();
    void roundHalfEven();

private:
    void dropText(const QString &text, QPoint at);
    std::unique_ptr<Rig> rig;
    std::unique_ptr<QTemporaryDir> dir;
};

void tst_FileCommands::dropText(const QString &text, QPoint at)
{
    rig->dialogs.answerInput(text);
    rig->toolbar(QStringLiteral("text"));
    rig->drop(at, at);
}

void tst_FileCommands::saveFilterExtensionAndStops()
{
    rig->dialogs.answerSave(std::nullopt);
    rig->trigger(QStringLiteral("MnuSave"));
    const FileDialogRequest &asked = rig->dialogs.fileRequests().back();
    QCOMPARE(asked.filter, QStringLiteral("BMP |*.bmp"));
    QCOMPARE(asked.defaultExt, QStringLiteral("bmp"));
    QVERIFY(QDir(dir->path()).isEmpty());

    // A name without extension is completed; .gif still gets a bitmap.
    rig->dialogs.answerSave(dir->filePath(QStringLiteral("plain")));
    rig->trigger(QStringLiteral("MnuSave"));
    QVERIFY(readFile(dir->filePath(QStringLiteral("plain.bmp"))).startsWith("BM"));
    rig->dialogs.answerSave(dir->filePath(QStringLiteral("named.gif")));
    rig->trigger(QStringLiteral("MnuSave"));
    QVERIFY(readFile(dir->filePath(QStringLiteral("named.gif"))).startsWith("BM"));

    // An empty name writes nothing and says nothing.
    rig->dialogs.answerSave(QString());
    rig->trigger(QStringLiteral("MnuSave"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 2);
    QVERIFY(rig->dialogs.messages().isEmpty());
}

void tst_FileCommands::bitmapFormatIsSave()
{
    dropText(QStringLiteral("Same"), QPoint(10, 10));
    rig->dialogs.answerSave(dir->filePath(QStringLiteral("a.bmp")));
    rig->trigger(QStringLiteral("MnuSave"));
    rig->dialogs.answerSave(dir->filePath(QStringLiteral("b.bmp")));
    rig->trigger(QStringLiteral("MnuBmp"));
    QCOMPARE(rig->dialogs.fileRequests().back().filter, QStringLiteral("BMP |*.bmp"));
    QVERIFY(!readFile(dir->filePath(QStringLiteral("a.bmp"))).isEmpty());
    QCOMPARE(readFile(dir->filePath(QStringLiteral("a.bmp"))), readFile(dir->filePath(QStringLiteral("b.bmp"))));
}

void tst_FileCommands::saveThenLoadRoundTrip()
{
    rig->banner().setBackColor(0x00FFFF);
    dropText(QStringLiteral("Round"), QPoint(20, 10));
    // Typed but not dropped: not part of the picture.
    rig->dialogs.answerInput(QStringLiteral("Pending"));
    rig->toolbar(QStringLiteral("text"));
    const QImage saved = rig->banner().Image().copy();
    const QString path = dir->filePath(QStringLiteral("round.bmp"));
    rig->dialogs.answerSave(path);
    rig->trigger(QStringLiteral("MnuSave"));

    rig->trigger(QStringLiteral("MnuNew"));
    QVERIFY(!ImageCheck::same(rig->banner().Image(), saved));
    rig->dialogs.answerOpen(path);
    rig->trigger(QStringLiteral("MnuLoad"));
    QVERIFY(ImageCheck::same(rig->banner().Image(), saved));
    QVERIFY(ImageCheck::same(rig->banner().Picture(), saved));
    QCOMPARE(rig->banner().BackColor(), 0xFFFFFFu);
}

void tst_FileCommands::loadFilterAndEmptyName()
{
    rig->parent().CommonDialog1().setDefaultExt(QStringLiteral("gif"));
    dropText(QStringLiteral("Kept"), QPoint(20, 10));
    const QImage placed = rig->banner().Image().copy();
    // A cancel loads nothing: neither the empty name nor an earlier file
    // may cost the texts placed since.
    rig->dialogs.answerOpen(std::nullopt);
    rig->trigger(QStringLiteral("MnuLoad"));
    const FileDialogRequest &asked = rig->dialogs.fileRequests().back();
    QCOMPARE(asked.filter, QStringLiteral("BMP|*.bmp|GIF|*.gif|JPEG|*.jpg|All|*.bmp;*.gif;*.jpg"));
    QCOMPARE(rig->parent().CommonDialog1().DefaultExt(), QStringLiteral("gif"));
    QVERIFY(rig->banner().Picture().isNull());
    QVERIFY(ImageCheck::same(rig->banner().Image(), placed));
    QVERIFY(rig->dialogs.messages().isEmpty());

    // A picture larger than the banner shows its top-left part, unscaled.
    QImage big(600, 100, QImage::Format_RGB32);
    big.fill(QColor(0, 0, 255));
    big.setPixelColor(0, 0, QColor(255, 0, 0));
    const QString path = dir->filePath(QStringLiteral("big.png"));
    QVERIFY(big.save(path));
    rig->dialogs.answerOpen(path);
    rig->trigger(QStringLiteral("MnuLoad"));
    QCOMPARE(rig->banner().Image().size(), QSize(468, 60));
    QCOMPARE(rig->banner().Image().pixelColor(0, 0), QColor(255, 0, 0));
    QCOMPARE(rig->banner().Image().pixelColor(467, 59), QColor(0, 0, 255));

    dropText(QStringLiteral("Kept"), QPoint(20, 10));
    const QImage onPicture = rig->banner().Image().copy();
    rig->dialogs.answerOpen(std::nullopt);
    rig->trigger(QStringLiteral("MnuLoad"));
    QVERIFY(ImageCheck::same(rig->banner().Image(), onPicture));
}

void tst_FileCommands::failedLoadLeavesBanner()
{
    dropText(QStringLiteral("Stay"), QPoint(20, 10));
    const QImage before = rig->banner().Image().copy();
    const QString path = dir->filePath(QStringLiteral("notes.jpg"));
    QVERIFY(writeFile(path, "these are notes, not a picture"));
    rig->dialogs.answerOpen(path);
    rig->dialogs.answerMessage();
    rig->trigger(QStringLiteral("MnuLoad"));
    QVERIFY(ImageCheck::same(rig->banner().Image(), before));
    QCOMPARE(rig->dialogs.messages().size(), 1);
    QVERIFY(rig->dialogs.messages().at(0).contains(QStringLiteral("notes.jpg")));
    QVERIFY(rig->dialogs.messages().at(0).contains(QStringLiteral("not a picture")));
}

void tst_FileCommands::gifExportCallsComponent()
{
    const QString path = dir->filePath(QStringLiteral("out.gif"));
    rig->dialogs.answerSave(path);
    rig->trigger(QStringLiteral("MnuGif"));
    const FileDialogRequest &asked = rig->dialogs.fileRequests().back();
    QCOMPARE(asked.filter, QStringLiteral("GIF |*.gif"));
    QCOMPARE(asked.defaultExt, QStringLiteral("gif"));
    QCOMPARE(rig->imageCopy.modes, std::vector<long>{1});
    QCOMPARE(rig->imageCopy.calls.size(), std::size_t(1));
    const RecordingImageCopy::Call &call = rig->imageCopy.calls.at(0);
    QCOMPARE(call.path, path);
    QCOMPARE(call.width, 468L);
    QCOMPARE(call.height, 60L);
    QVERIFY(ImageCheck::same(call.bitmap, rig->banner().Image()));

    rig->dialogs.answerSave(dir->filePath(QStringLiteral("typed")));
    rig->trigger(QStringLiteral("MnuGif"));
    QCOMPARE(rig->imageCopy.calls.back().path, dir->filePath(QStringLiteral("typed.gif")));
}

void tst_FileCommands::gifExportAfterResize()
{
    rig->banner().setWidth(Units::toTwips(301.0f));
    rig->banner().setHeight(Units::toTwips(99.0f));
    rig->dialogs.answerSave(dir->filePath(QStringLiteral("r.gif")));
    rig->trigger(QStringLiteral("MnuGif"));
    QCOMPARE(rig->imageCopy.calls.back().width, 301L);
    QCOMPARE(rig->imageCopy.calls.back().height, 99L);
}

void tst_FileCommands::cancelledGifExportLeavesClipboardAndPicture4()
{
    dropText(QStringLiteral("Clip"), QPoint(20, 10));
    rig->clipboard.held = QImage(5, 5, QImage::Format_RGB32); // the user's own clipboard content
    rig->dialogs.answerSave(std::nullopt);
    rig->trigger(QStringLiteral("MnuGif"));
    QVERIFY(rig->imageCopy.calls.empty());
    QVERIFY(ImageCheck::same(rig->clipboard.held, rig->banner().Image()));
    QVERIFY(ImageCheck::same(rig->parent().Picture4()->Picture(), rig->banner().Image()));
    QVERIFY(!rig->parent().Picture4()->isVisible());
}

void tst_FileCommands::gifExportWhenClipboardRefuses()
{
    rig->clipboard.refuse = true;
    rig->dialogs.answerMessage();
    rig->trigger(QStringLiteral("MnuGif"));
    QCOMPARE(rig->dialogs.messages().size(), 1);
    QVERIFY(rig->dialogs.messages().at(0).contains(QStringLiteral("clipboard")));
    QVERIFY(rig->imageCopy.calls.empty());
    QVERIFY(rig->dialogs.fileRequests().empty()); // ended before the dialog
}

void tst_FileCommands::gifFileDecodesBack()
{
    rig->imageCopy.write = true;
    dropText(QStringLiteral("Exact"), QPoint(20, 10));
    const QString path = dir->filePath(QStringLiteral("exact.gif"));
    QVERIFY(writeFile(path, "an older file"));
    rig->dialogs.answerSave(path);
    rig->trigger(QStringLiteral("MnuGif"));
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("gif"));
    const QImage back = reader.read();
    QCOMPARE(back.size(), QSize(468, 60));
    // Text on a plain background has few colours: written exactly.
    QVERIFY(ImageCheck::same(back, rig->banner().Image()));
    QVERIFY(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden) == QStringList{QStringLiteral("exact.gif")});
}

void tst_FileCommands::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<long>("rounded");
    QTest::newRow("2.5") << 2.5 << 2L;
    QTest::newRow("3.5") << 3.5 << 4L;
    QTest::newRow("467.5") << 467.5 << 468L;
    QTest::newRow("468.5") << 468.5 << 468L;
    QTest::newRow("60.4") << 60.4 << 60L;
    QTest::newRow("-0.5") << -0.5 << 0L;
}

void tst_FileCommands::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(long, rounded);
    // Whatever rounding a library left set, and it is left as it was.
    std::fesetround(FE_UPWARD);
    const long result = Parent::roundHalfEven(value);
    const int after = std::fegetround();
    std::fesetround(FE_TONEAREST);
    QCOMPARE(result, rounded);
    QCOMPARE(after, FE_UPWARD);
}

TARVELLO_TEST_MAIN(tst_FileCommands)
#include "tst_FileCommands.moc"
