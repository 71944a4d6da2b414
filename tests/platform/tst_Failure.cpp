#include "ScriptedDialogHost.h"
#include "TestMain.h"
#include "platform/Failure.h"

class tst_Failure : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void failingStepEndsHandlerKeepsEarlierStepsAndTellsUser();
    void successShowsNothing();
};

void tst_Failure::failingStepEndsHandlerKeepsEarlierStepsAndTellsUser()
{
    ScriptedDialogHost host;
    host.answerMessage();
    QStringList done;
    runHandler(host, [&] {
        done << QStringLiteral("first");
        throw Failure(QStringLiteral("The disk is full."));
    });
    QCOMPARE(done, QStringList{QStringLiteral("first")});
    QCOMPARE(host.messages(), QStringList{QStringLiteral("The disk is full.")});
    QCOMPARE(host.titles(), QStringList{QStringLiteral("Tarvello")});

    host.answerMessage();
    runHandler(host, [] { throw std::bad_alloc(); });
    QVERIFY(host.messages().last().contains(QStringLiteral("memory")));
    QVERIFY(host.errors().isEmpty());
}

void tst_Failure::successShowsNothing()
{
    ScriptedDialogHost host;
    bool ran = false;
    runHandler(host, [&] { ran = true; });
    QVERIFY(ran);
    QVERIFY(host.messages().isEmpty());
    QVERIFY(host.errors().isEmpty());
}

TARVELLO_TEST_MAIN(tst_Failure)
#include "tst_Failure.moc"
