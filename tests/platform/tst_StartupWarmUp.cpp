#include "app/StartupWork.h"
#include "common/ToolbarArt.h"
#include "platform/StartupWarmUp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

#include <atomic>

namespace {
std::atomic<bool> g_moreRan{false};
}

// The warm-up overlaps the application's start here, as it does in the program.
class tst_StartupWarmUp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void workDoneWhenFinished();
    void preparedIconIsTheDrawnOne();
    void finishTwiceOrNotAtAll();
};

void tst_StartupWarmUp::workDoneWhenFinished()
{
    QVERIFY(g_moreRan);
    QVERIFY(!QFontDatabase::families().isEmpty());
    QCOMPARE(QFontInfo(QFont(QStringLiteral("DejaVu Sans"), 9)).family(), QStringLiteral("DejaVu Sans"));
}

void tst_StartupWarmUp::preparedIconIsTheDrawnOne()
{
    for (int pixels : {16, 48}) {
        const QImage shown = ToolbarArt::programIcon().pixmap(QSize(pixels, pixels)).toImage();
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
                 ToolbarArt::programImage(pixels).convertToFormat(QImage::Format_ARGB32));
    }
}

void tst_StartupWarmUp::finishTwiceOrNotAtAll()
{
    StartupWarmUp twice;
    twice.finish();
    twice.finish();
    bool ran = false;
    twice.thenRun([&ran] { ran = true; }); // after finish: dropped, not run
    QVERIFY(!ran);
    StartupWarmUp dropped; // its destructor ends the waiting thread
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    StartupWarmUp warmUp;
    QApplication app(argc, argv);
    warmUp.thenRun([] {
        prepareFirstPaint();
        g_moreRan = true;
    });
    warmUp.finish();
    tst_StartupWarmUp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_StartupWarmUp.moc"
