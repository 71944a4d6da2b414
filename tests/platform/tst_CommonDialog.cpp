#include "ScriptedDialogHost.h"
#include "TestMain.h"
#include "platform/CommonDialog.h"

class tst_CommonDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startValues();
    void fileNameKeptOnCancel();
    void filterAndExtensionPersistAcrossCommands();
    void saveAddsDefaultExtensionOnlyWhenNoneTyped_data();
    void saveAddsDefaultExtensionOnlyWhenNoneTyped();
    void colorAndFontKeptOnCancel();
};

void tst_CommonDialog::startValues()
{
    ScriptedDialogHost host;
    CommonDialog d(host);
    QCOMPARE(d.FileName(), QString());
    QCOMPARE(d.Filter(), QString());
    QCOMPARE(d.DefaultExt(), QString());
    QCOMPARE(d.Color(), 0u);
    QCOMPARE(d.FontName(), QString());
    QCOMPARE(d.FontSize(), 8.0f);
    QVERIFY(!d.FontBold() && !d.FontItalic() && !d.FontStrikethru() && !d.FontUnderline());
}

void tst_CommonDialog::fileNameKeptOnCancel()
{
    ScriptedDialogHost host;
    CommonDialog d(host);
    host.answerOpen(std::nullopt);
    QVERIFY(!d.ShowOpen());
    QCOMPARE(d.FileName(), QString());

    host.answerSave(QStringLiteral("/tmp/a.bmp"));
    QVERIFY(d.ShowSave());
    host.answerOpen(std::nullopt);
    QVERIFY(!d.ShowOpen());
    QCOMPARE(d.FileName(), QStringLiteral("/tmp/a.bmp"));
    // The dialog is offered the path chosen before.
    QCOMPARE(host.fileRequests().back().fileName, QStringLiteral("/tmp/a.bmp"));

    host.answerOpen(QStringLiteral("/tmp/b.gif"));
    QVERIFY(d.ShowOpen());
    QCOMPARE(d.FileName(), QStringLiteral("/tmp/b.gif"));
    QVERIFY(host.errors().isEmpty());
}

void tst_CommonDialog::filterAndExtensionPersistAcrossCommands()
{
    ScriptedDialogHost host;
    CommonDialog d(host);
    d.setFilter(QStringLiteral("BMP |*.bmp"));
    d.setDefaultExt(QStringLiteral("bmp"));
    host.answerSave(std::nullopt);
    d.ShowSave();
    // A later command that sets nothing still shows the earlier filter.
    host.answerOpen(std::nullopt);
    d.ShowOpen();
    QCOMPARE(host.fileRequests().size(), std::size_t(2));
    QCOMPARE(host.fileRequests().at(1).filter, QStringLiteral("BMP |*.bmp"));
    QCOMPARE(host.fileRequests().at(1).defaultExt, QStringLiteral("bmp"));
}

void tst_CommonDialog::saveAddsDefaultExtensionOnlyWhenNoneTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("defaultExt");
    QTest::addColumn<QString>("stored");
    QTest::newRow("no extension") << "/tmp/banner" << QStringLiteral("gif") << QStringLiteral("/tmp/banner.gif");
    QTest::newRow("own extension") << "/tmp/banner.jpg" << QStringLiteral("gif") << QStringLiteral("/tmp/banner.jpg");
    QTest::newRow("dot in folder only") << "/tmp/v1.0/banner" << QStringLiteral("bmp")
                                        << QStringLiteral("/tmp/v1.0/banner.bmp");
    QTest::newRow("no default") << "/tmp/banner" << QStringLiteral("") << QStringLiteral("/tmp/banner");
}

void tst_CommonDialog::saveAddsDefaultExtensionOnlyWhenNoneTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, defaultExt);
    QFETCH(QString, stored);
    ScriptedDialogHost host;
    CommonDialog d(host);
    d.setDefaultExt(defaultExt);
    host.answerSave(typed);
    QVERIFY(d.ShowSave());
    QCOMPARE(d.FileName(), stored);
}

void tst_CommonDialog::colorAndFontKeptOnCancel()
{
    ScriptedDialogHost host;
    CommonDialog d(host);
    d.setColor(0xC0C000);
    host.answerColor(std::nullopt);
    QVERIFY(!d.ShowColor());
    QCOMPARE(d.Color(), 0xC0C000u);
    QCOMPARE(host.colorInitials().back(), 0xC0C000u);
    host.answerColor(0x123456u);
    QVERIFY(d.ShowColor());
    QCOMPARE(d.Color(), 0x123456u);

    const FontChoice chosen{QStringLiteral("DejaVu Serif"), 14.0f, true, false, true, false};
    host.answerFont(chosen);
    QVERIFY(d.ShowFont());
    host.answerFont(std::nullopt);
    QVERIFY(!d.ShowFont());
    QCOMPARE(d.font(), chosen);
    QVERIFY(host.errors().isEmpty());
}

TARVELLO_TEST_MAIN(tst_CommonDialog)
#include "tst_CommonDialog.moc"
