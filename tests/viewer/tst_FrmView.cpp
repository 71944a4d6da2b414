#include "ImageCheck.h"
#include "Rig.h"
#include "SampleGifs.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "banner/FrmBanner.h"
#include "files/PictureFiles.h"
#include "viewer/FileLists.h"
#include "viewer/FrmView.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

QStringList list(const char *names)
{
    return QString::fromLatin1(names).split(QLatin1Char(' '));
}

QString text(FrmView &view, const char *name)
{
    return view.findChild<QLabel *>(QLatin1String(name))->text();
}

} // namespace

// The viewer through the real wiring; it starts in a folder of pictures
// and odd files made here.
class tst_FrmView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init()
    {
        QDir::setCurrent(m_dir.path());
        rig = std::make_unique<Rig>();
        rig->gifs.script = {{QStringLiteral("ANIM.GIF"), QSizeF(600, 300)},
                            {QStringLiteral("anim.gif"), QSizeF(120, 120)},
                            {QStringLiteral("odd.gif"), QSizeF(472, 915)}};
    }
    void cleanup()
    {
        QDir::setCurrent(m_startedIn);
        QCOMPARE(Rig::finish(rig), QString());
    }

    void previewFollowsTheNameRule_data();
    void previewFollowsTheNameRule();
    void previewFollowsTheSelection_data();
    void previewFollowsTheSelection();
    void focusEnterAndDrives();
    void failingPreviewKeepsThePreviousPicture();
    void okStretchesThePictureOverTheBanner_data();
    void okStretchesThePictureOverTheBanner();
    void okOnAnimatedGifPaintsItsFirstFrame();
    void hideKeepsStateCloseStartsAfresh();
    void foldersMoveTheFileList();
    void layout_data();
    void layout();

private:
    FrmView &open();
    void click(const QString &name, bool twice = false);

    QTemporaryDir m_dir;
    QString m_startedIn;
    std::unique_ptr<Rig> rig;
};

void tst_FrmView::initTestCase()
{
    const QDir d(m_dir.path());
    QImage wide(468, 60, QImage::Format_RGB32);
    wide.fill(Qt::yellow);
    QVERIFY(wide.save(d.filePath(QStringLiteral("wide.bmp"))));
    QVERIFY(wide.save(d.filePath(QStringLiteral("photo.jpeg")), "JPEG"));
    QImage two(2, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(255, 0, 0));
    two.setPixel(1, 0, qRgb(0, 0, 255));
    QVERIFY(two.save(d.filePath(QStringLiteral("two.bmp"))));
    QVERIFY(SampleGifs::write(d.filePath(QStringLiteral("still.Gif")), {SampleGifs::solid({30, 10}, Qt::green)}));
    QVERIFY(SampleGifs::write(d.filePath(QStringLiteral("anim.gif")),
                              {SampleGifs::solid({8, 8}, Qt::red), SampleGifs::solid({8, 8}, Qt::blue)}));
    for (const char *name : {"ANIM.GIF", "odd.gif", "bad.gif", "notes.txt"})
        QVERIFY(writeFile(d.filePath(QLatin1String(name)), "not a picture"));
    QCOMPARE(mkfifo(QFile::encodeName(d.filePath(QStringLiteral("pipe"))).constData(), 0600), 0);
    QVERIFY(d.mkpath(QStringLiteral("sub")));
    QVERIFY(QImage(3, 4, QImage::Format_RGB32).save(d.filePath(QStringLiteral("sub/inner.bmp"))));
    m_startedIn = QDir::currentPath();
}

FrmView &tst_FrmView::open()
{
    rig->toolbar(QStringLiteral("backimage"));
    FrmView &view = rig->app().viewer();
    if (!QTest::qWaitForWindowExposed(view.window()))
        qWarning("the viewer was never exposed");
    return view;
}

void tst_FrmView::click(const QString &name, bool twice)
{
    auto *files = rig->app().viewer().findChild<FileListBox *>(QStringLiteral("File1"));
    const QList<QListWidgetItem *> found = files->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    files->scrollToItem(found.first());
    const QPoint at = files->visualItemRect(found.first()).center();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, at);
}

void tst_FrmView::previewFollowsTheNameRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("animated");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("GIF") << QStringLiteral("ANIM.GIF") << true << QStringLiteral("40") << QStringLiteral("20");
    QTest::newRow("gif") << QStringLiteral("anim.gif") << true << QStringLiteral("8") << QStringLiteral("8");
    QTest::newRow("fraction") << QStringLiteral("odd.gif") << true << QStringLiteral("31.46667")
                              << QStringLiteral("61");
    QTest::newRow("Gif is still") << QStringLiteral("still.Gif") << false << QStringLiteral("30")
                                  << QStringLiteral("10");
    QTest::newRow("jpeg") << QStringLiteral("photo.jpeg") << false << QStringLiteral("468") << QStringLiteral("60");
    QTest::newRow("bitmap") << QStringLiteral("wide.bmp") << false << QStringLiteral("468") << QStringLiteral("60");
}

void tst_FrmView::previewFollowsTheNameRule()
{
    QFETCH(QString, name);
    QFETCH(bool, animated);
    QFETCH(QString, width);
    QFETCH(QString, height);
    FrmView &view = open();
    click(name);
    QCOMPARE(rig->gifs.last->isVisible(), animated);
    QCOMPARE(view.findChild<QLabel *>(QStringLiteral("Image1"))->isVisible(), !animated);
    QCOMPARE(rig->gifs.last->files, animated ? QStringList{view.selectedPath()} : QStringList());
    QCOMPARE(text(view, "Label4"), width);
    QCOMPARE(text(view, "Label5"), height);
}

void tst_FrmView::previewFollowsTheSelection_data()
{
    // Each row starts with still.Gif (30 x 10) clicked, then: a left or right
    // click, a drag over files, or keys. "*" marks rows that once left the
    // preview on another file than the one highlighted.
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("previews");
    QTest::addColumn<QString>("shown"); // the file highlighted, then the read-outs
    QTest::newRow("left click") << "left two.bmp" << 1 << "two.bmp 2 1";
    QTest::newRow("left click on it again") << "left still.Gif" << 1 << "still.Gif 30 10";
    QTest::newRow("right click*") << "right two.bmp" << 1 << "two.bmp 2 1";
    QTest::newRow("drag*") << "drag still.Gif two.bmp wide.bmp" << 2 << "wide.bmp 468 60";
    QTest::newRow("arrow") << "keys Down" << 1 << "two.bmp 2 1";
    QTest::newRow("first letter") << "keys o" << 1 << "odd.gif 31.46667 61";
    QTest::newRow("Space selects again*") << "keys Ctrl+Space Space" << 1 << "still.Gif 30 10";
}

void tst_FrmView::previewFollowsTheSelection()
{
    QFETCH(QString, input);
    QFETCH(int, previews);
    QFETCH(QString, shown);
    FrmView &view = open();
    auto *files = view.findChild<FileListBox *>(QStringLiteral("File1"));
    QWidget *list = files->viewport();
    click(QStringLiteral("still.Gif"));
    const QSignalSpy clicks(files, &FileListBox::Click);
    const QStringList how = input.split(QLatin1Char(' '));
    auto at = [&](const QString &name) {
        return files->visualItemRect(files->findItems(name, Qt::MatchExactly).value(0)).center();
    };
    if (how[0] == QLatin1String("left") || how[0] == QLatin1String("right"))
        QTest::mouseClick(list, how[0] == QLatin1String("left") ? Qt::LeftButton : Qt::RightButton, {}, at(how[1]));
    for (const QString &key : how.mid(1))
        if (how[0] == QLatin1String("keys"))
            QTest::keySequence(files, QKeySequence(key));
        else if (how[0] == QLatin1String("drag"))
            key == how[1] ? QTest::mousePress(list, Qt::LeftButton, {}, at(key)) : QTest::mouseMove(list, at(key));
    if (how[0] == QLatin1String("drag"))
        QTest::mouseRelease(list, Qt::LeftButton, {}, at(how.last()));
    QCOMPARE(clicks.size(), previews);
    QCOMPARE(QStringList({files->FileName(), text(view, "Label4"), text(view, "Label5")}).join(QLatin1Char(' ')),
             shown);
}

void tst_FrmView::focusEnterAndDrives()
{
    FrmView &view = open();
    // The focus starts on OK and Tab goes round in the design's order.
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, list("Command2 cmdCancel File1 Drive1 Dir1 Command2"));

    // Enter in the file list paints nothing and keeps the viewer open (*).
    click(QStringLiteral("two.bmp"));
    const QImage before = rig->banner().Image();
    QTest::keyClick(view.findChild<FileListBox *>(QStringLiteral("File1")), Qt::Key_Return);
    QVERIFY(view.window()->isVisible());
    QVERIFY(ImageCheck::same(rig->banner().Image(), before));

    // Choosing the drive shown changes nothing (*); a folder on another drive
    // shows its drive (*).
    auto *drives = view.findChild<DriveListBox *>(QStringLiteral("Drive1"));
    auto *dirs = view.findChild<DirListBox *>(QStringLiteral("Dir1"));
    const QString folder = dirs->Path();
    Q_EMIT drives->activated(drives->currentIndex());
    QCOMPARE(dirs->Path(), folder);
    QCOMPARE(view.findChild<FileListBox *>(QStringLiteral("File1"))->FileName(), QStringLiteral("two.bmp"));
    const QString elsewhere = QStringLiteral("/proc");
    QVERIFY(QStorageInfo(elsewhere).rootPath() != QStorageInfo(folder).rootPath());
    Q_EMIT dirs->chosen(elsewhere);
    QCOMPARE(dirs->Path(), elsewhere);
    QCOMPARE(drives->Drive(), elsewhere);
    for (int i = 0; i < drives->count(); ++i) // a volume without a name of its own shows its path alone
        QVERIFY(!drives->itemText(i).endsWith(QStringLiteral("[%1]").arg(drives->itemData(i).toString())));
    // Back on the first drive listed: shown, not listed twice.
    const int listed = drives->count();
    Q_EMIT dirs->chosen(drives->itemData(0).toString());
    QCOMPARE(drives->currentIndex(), 0);
    QCOMPARE(drives->count(), listed);
}

void tst_FrmView::failingPreviewKeepsThePreviousPicture()
{
    FrmView &view = open();
    click(QStringLiteral("photo.jpeg"));
    const QImage shown = view.image1Picture();
    click(QStringLiteral("ANIM.GIF"));
    for (const char *name : {"notes.txt", "pipe", "bad.gif"}) {
        click(QLatin1String(name));
        const bool gif = QLatin1String(name).endsWith(QLatin1String("gif"));
        QCOMPARE(view.findChild<QLabel *>(QStringLiteral("Image1"))->isVisible(), !gif);
        QVERIFY(ImageCheck::same(view.image1Picture(), shown));
        QCOMPARE(text(view, "Label4"), gif ? QStringLiteral("40") : QStringLiteral("468"));
        QCOMPARE(text(view, "Label5"), gif ? QStringLiteral("20") : QStringLiteral("60"));
    }
    // No message: the failing steps are skipped without a word.
    QVERIFY(rig->dialogs.messages().isEmpty());
}

void tst_FrmView::okStretchesThePictureOverTheBanner_data()
{
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("OK") << false;
    QTest::newRow("double click") << true;
}

void tst_FrmView::okStretchesThePictureOverTheBanner()
{
    QFETCH(bool, doubleClick);
    FrmView &view = open();
    rig->clipboard.held = QImage(5, 5, QImage::Format_RGB32); // the user's own
    click(QStringLiteral("two.bmp"), doubleClick);
    if (!doubleClick)
        view.findChild<QPushButton *>(QStringLiteral("Command2"))->click();

    QVERIFY(!view.window()->isVisible());
    const QImage &banner = rig->banner().Image();
    QCOMPARE(banner.size(), QSize(468, 60));
    // Each end of the banner takes its end of the picture.
    QCOMPARE(ImageCheck::countOther(banner, QRect(0, 0, 110, 60), Qt::red, 8), 0);
    QCOMPARE(ImageCheck::countOther(banner, QRect(358, 0, 110, 60), Qt::blue, 8), 0);
    QCOMPARE(rig->clipboard.clears, 1);
    QVERIFY(ImageCheck::same(rig->clipboard.held.convertToFormat(QImage::Format_RGB32),
                             QImage(m_dir.filePath(QStringLiteral("two.bmp"))).convertToFormat(QImage::Format_RGB32)));
    QCOMPARE(view.image1Picture().size(), QSize(2, 1));

    // It is part of the banner's picture now: a later Save writes it.
    const QString saved = m_dir.filePath(QStringLiteral("saved.bmp"));
    rig->dialogs.answerSave(saved);
    rig->trigger(QStringLiteral("MnuSave"));
    QVERIFY(ImageCheck::same(QImage(saved).convertToFormat(QImage::Format_RGB32),
                             banner.convertToFormat(QImage::Format_RGB32)));
    QFile::remove(saved);
}

void tst_FrmView::okOnAnimatedGifPaintsItsFirstFrame()
{
    FrmView &view = open();
    click(QStringLiteral("anim.gif"));
    view.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QCOMPARE(ImageCheck::countOther(rig->banner().Image(), QRect(0, 0, 468, 60), Qt::red, 8), 0);
}

void tst_FrmView::hideKeepsStateCloseStartsAfresh()
{
    FrmView *view = &open();
    click(QStringLiteral("wide.bmp"));
    const QImage before = rig->banner().Image();
    QTest::keyClick(view->findChild<FileListBox *>(QStringLiteral("File1")), Qt::Key_Escape);
    QVERIFY(!view->window()->isVisible());
    QVERIFY(ImageCheck::same(rig->banner().Image(), before));
    QCOMPARE(rig->clipboard.clears + rig->clipboard.sets, 0);

    QCOMPARE(&open(), view);
    QCOMPARE(view->findChild<FileListBox *>(QStringLiteral("File1"))->FileName(), QStringLiteral("wide.bmp"));
    QCOMPARE(text(*view, "Label4"), QStringLiteral("468"));

    view->window()->close();
    QTRY_VERIFY(!rig->app().hasViewer());
    view = &open();
    QCOMPARE(view->findChild<FileListBox *>(QStringLiteral("File1"))->FileName(), QString());
    QCOMPARE(text(*view, "Label4"), QString());
    QVERIFY(ImageCheck::same(rig->banner().Image(), before));
}

void tst_FrmView::foldersMoveTheFileList()
{
    FrmView &view = open();
    auto *dirs = view.findChild<DirListBox *>(QStringLiteral("Dir1"));
    auto *files = view.findChild<FileListBox *>(QStringLiteral("File1"));
    QCOMPARE(dirs->Path(), QDir(m_dir.path()).canonicalPath());
    // The folders from the root down to this one, then its sub-folders.
    const QStringList steps = dirs->Path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QCOMPARE(dirs->item(0)->text(), QStringLiteral("/"));
    QCOMPARE(dirs->item(int(steps.size()))->text(), steps.last());
    QCOMPARE(dirs->currentRow(), int(steps.size())); // the open folder, not its first sub-folder
    const QImage shown = dirs->viewport()->grab().toImage();
    const auto inkFrom = [&](int row) {
        const QImage line = shown.copy(dirs->visualItemRect(dirs->item(row)));
        return ImageCheck::inkBox(line, dirs->palette().color(QPalette::Base)).left();
    };
    QCOMPARE(inkFrom(1) - inkFrom(0), 8); // each step down stands further in
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("gone")));

    auto openFolder = [&](const QString &name) {
        const QList<QListWidgetItem *> found = dirs->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        const QPoint at = dirs->visualItemRect(found.first()).center();
        QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, at);
    };
    // The folder vanished after it was listed: a message, and nothing moves.
    dirs->setPath(m_dir.path());
    QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("gone")));
    rig->dialogs.answerMessage();
    openFolder(QStringLiteral("gone"));
    QCOMPARE(rig->dialogs.messages().size(), 1);
    QVERIFY(rig->dialogs.messages().first().contains(QStringLiteral("gone")));
    QCOMPARE(dirs->Path(), QDir(m_dir.path()).canonicalPath());
    QVERIFY(!files->findItems(QStringLiteral("notes.txt"), Qt::MatchExactly).isEmpty());

    openFolder(QStringLiteral("sub"));
    QCOMPARE(files->Path(), dirs->Path());
    QCOMPARE(files->count(), 1);
    click(QStringLiteral("inner.bmp"));
    QCOMPARE(text(view, "Label4"), QStringLiteral("3"));
    // Up only selects the folder above; Enter opens it.
    const QString sub = dirs->Path();
    QTest::keyClick(dirs, Qt::Key_Up);
    QCOMPARE(dirs->Path(), sub);
    QTest::keyClick(dirs, Qt::Key_Return);
    QCOMPARE(files->Path(), QDir(m_dir.path()).canonicalPath());

    // At a root the joined path doubles the separator; the file opens all the same.
    QCOMPARE(rig->pictures.read(QLatin1Char('/') + m_dir.filePath(QStringLiteral("wide.bmp"))).width(), 468);
}

void tst_FrmView::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels; an empty size: sized to the text
    QTest::newRow("Dir1") << "Dir1" << QRect(0, 32, 153, 201);
    QTest::newRow("Drive1") << "Drive1" << QRect(0, 240, 153, 21);
    QTest::newRow("File1") << "File1" << QRect(184, 32, 145, 201);
    QTest::newRow("cmdCancel") << "cmdCancel" << QRect(168, 264, 81, 33);
    QTest::newRow("Command2") << "Command2" << QRect(264, 264, 81, 33);
    QTest::newRow("Picture1") << "Picture1" << QRect(360, 8, 193, 225);
    QTest::newRow("Image1") << "Image1" << QRect(0, 0, 105, 81);
    QTest::newRow("Label1") << "Label1" << QRect(16, 0, 0, 0);
    QTest::newRow("Label2") << "Label2" << QRect(360, 240, 0, 0);
    QTest::newRow("Label3") << "Label3" << QRect(360, 264, 0, 0);
    QTest::newRow("Label4") << "Label4" << QRect(408, 240, 113, 17);
    QTest::newRow("Label5") << "Label5" << QRect(408, 264, 129, 17);
}

void tst_FrmView::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto *control = open().findChild<QWidget *>(name);
    QVERIFY(control);
    if (geometry.isEmpty())
        QCOMPARE(control->pos(), geometry.topLeft());
    else
        QCOMPARE(control->geometry(), geometry);
    if (name == QLatin1String("Picture1"))
        QCOMPARE(qobject_cast<QFrame *>(control)->frameWidth(), 2); // sunk two pixels deep
}

TARVELLO_TEST_MAIN(tst_FrmView)
#include "tst_FrmView.moc"
