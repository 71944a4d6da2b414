#include "app/StartupWork.h"
#include "common/ToolbarArt.h"
#include "platform/StartupWarmUp.h"
#include "platform/ThreadPlacement.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

#include <atomic>

#ifdef __linux__
#include <sched.h>
#endif

namespace {
std::atomic<bool> g_moreRan{false};
bool g_ranBeforeFinish = false;
} // namespace

// The warm-up overlaps the application's start here, as it does in the program.
class tst_StartupWarmUp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void workDoneWhenFinished();
    void preparedIconIsTheDrawnOne();
    void finishTwiceOrNotAtAll();
    void keepsOffOneProcessorThenGivesItBack();
};

void tst_StartupWarmUp::workDoneWhenFinished()
{
    QVERIFY(g_ranBeforeFinish); // at once, beside the main thread, not only when finished
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
    StartupWarmUp idle;
    QTest::qSleep(300); // the configuration read, the thread waits for work it never gets
}

void tst_StartupWarmUp::keepsOffOneProcessorThenGivesItBack()
{
#ifdef __linux__
    const auto allowed = [] {
        cpu_set_t set;
        CPU_ZERO(&set);
        sched_getaffinity(0, sizeof set, &set);
        return set;
    };
    const cpu_set_t before = allowed();
    // Out of range or not ours to leave: nothing changes.
    for (int processor : {-1, CPU_SETSIZE, CPU_SETSIZE + 7}) {
        const ProcessorAvoidance none(processor);
        const cpu_set_t during = allowed();
        QVERIFY(CPU_EQUAL(&during, &before));
    }
    const int here = currentProcessor();
    QVERIFY(here >= 0);
    // The one it runs on, and the first of all.
    for (int processor : {here, 0}) {
        {
            const ProcessorAvoidance apart(processor);
            const cpu_set_t during = allowed();
            if (CPU_COUNT(&before) < 2 || !CPU_ISSET(std::size_t(processor), &before)) {
                QVERIFY(CPU_EQUAL(&during, &before)); // the only one is kept
            } else {
                QVERIFY(!CPU_ISSET(std::size_t(processor), &during));
                QCOMPARE(CPU_COUNT(&during), CPU_COUNT(&before) - 1);
                QVERIFY(currentProcessor() != processor);
            }
        }
        const cpu_set_t after = allowed();
        QVERIFY(CPU_EQUAL(&after, &before));
    }
#else
    QSKIP("threads choose no processors on this system");
#endif
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
    g_ranBeforeFinish = QTest::qWaitFor([] { return g_moreRan.load(); }, 10000);
    warmUp.finish();
    tst_StartupWarmUp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_StartupWarmUp.moc"
