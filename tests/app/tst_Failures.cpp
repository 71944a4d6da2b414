#include "ImageCheck.h"
#include "Rig.h"
#include "TestMain.h"
#include "app/Parent.h"
#include "app/PictureBox.h"
#include "banner/FrmBanner.h"
#include "platform/Failure.h"
#include "viewer/FileLists.h"
#include "viewer/FrmView.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

// A service that fails in the middle of a handler: the handler ends there
// with a message (or, where its steps are skipped by design, without one),
// what it did before stays done, and the next command works.
class tst_Failures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup() { QCOMPARE(Rig::finish(rig), QString()); }
    void gifExportWithFailingClipboard();
    void gifExportWithFailingWriter();
    void bannerMoveThatFails();
    void viewerOkWithFailingClipboard();

private:
    void nextCommandWorks();

    std::unique_ptr<Rig> rig;
    QTemporaryDir m_dir;
};

void tst_Failures::nextCommandWorks()
{
    rig->clipboard.fail = false;
    rig->imageCopy.fail = false;
    rig->mover.duringMove = nullptr;
    rig->trigger(QStringLiteral("MnuNew"));
    QCOMPARE(ImageCheck::countOther(rig->banner().Image(), QRect(0, 0, 468, 60), Qt::white), 0);
}

void tst_Failures::gifExportWithFailingClipboard()
{
    rig->clipboard.fail = true;
    rig->dialogs.answerMessage();
    rig->trigger(QStringLiteral("MnuGif"));
    QCOMPARE(rig->dialogs.messages(), QStringList{QStringLiteral("The clipboard cannot be opened.")});
    QVERIFY(rig->parent().Picture4()->Picture().isNull());
    QVERIFY(rig->imageCopy.calls.empty());
    nextCommandWorks();
}

void tst_Failures::gifExportWithFailingWriter()
{
    const QString path = m_dir.filePath(QStringLiteral("out.gif"));
    rig->imageCopy.fail = true;
    rig->dialogs.answerSave(path);
    rig->dialogs.answerMessage();
    rig->trigger(QStringLiteral("MnuGif"));
    QCOMPARE(rig->dialogs.messages(), QStringList{QStringLiteral("The GIF writer failed.")});
    // The steps before the writer stay done.
    QVERIFY(ImageCheck::same(rig->clipboard.held, rig->banner().Image()));
    QVERIFY(!QFile::exists(path));
    nextCommandWorks();
}

void tst_Failures::bannerMoveThatFails()
{
    rig->trigger(QStringLiteral("mnubackcolor"));
    rig->mover.duringMove = [] { throw Failure(QStringLiteral("The window cannot be moved.")); };
    rig->dialogs.answerMessage();
    rig->press(QPoint(10, 10));
    rig->release(QPoint(10, 10));
    QCOMPARE(rig->dialogs.messages(), QStringList{QStringLiteral("The window cannot be moved.")});
    nextCommandWorks();
}

void tst_Failures::viewerOkWithFailingClipboard()
{
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(m_dir.filePath(QStringLiteral("red.bmp"))));
    const QString startedIn = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    rig->toolbar(QStringLiteral("backimage"));
    QDir::setCurrent(startedIn);
    FrmView &view = rig->app().viewer();
    auto *files = view.findChild<FileListBox *>(QStringLiteral("File1"));
    files->setCurrentItem(files->findItems(QStringLiteral("red.bmp"), Qt::MatchExactly).value(0));
    rig->clipboard.fail = true;
    view.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    // The clipboard's steps are skipped without a word; the preview's picture is painted.
    QVERIFY(rig->dialogs.messages().isEmpty());
    QCOMPARE(ImageCheck::countOther(rig->banner().Image(), QRect(0, 0, 468, 60), Qt::red), 0);
    QVERIFY(!view.window()->isVisible());
    nextCommandWorks();
}

TARVELLO_TEST_MAIN(tst_Failures)
#include "tst_Failures.moc"
