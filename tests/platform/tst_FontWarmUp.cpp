#include "platform/FontWarmUp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

// The warm-up overlaps the application's start here, as it does in the program.
class tst_FontWarmUp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fontsResolveAfterTheOverlap();
    void finishTwiceOrNotAtAll();
};

void tst_FontWarmUp::fontsResolveAfterTheOverlap()
{
    QVERIFY(!QFontDatabase::families().isEmpty());
    QCOMPARE(QFontInfo(QFont(QStringLiteral("DejaVu Sans"), 9)).family(), QStringLiteral("DejaVu Sans"));
}

void tst_FontWarmUp::finishTwiceOrNotAtAll()
{
    FontWarmUp twice;
    twice.finish();
    twice.finish();
    FontWarmUp dropped; // its destructor waits for the thread
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.finish();
    tst_FontWarmUp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_FontWarmUp.moc"
