#include "ScriptedRegistry.h"
#include "TestMain.h"
#include "platform/KeyValue.h"

class tst_KeyValue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
};

void tst_KeyValue::read_data()
{
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("keyVal");

    const QString k = QStringLiteral("Key");
    const QString v = QStringLiteral("Value");
    const QByteArray folder("C:\\Tools", 8);
    QTest::newRow("string with its NUL") << 1u << folder + '\0' << k << v << true << "C:\\Tools";
    QTest::newRow("string without NUL") << 1u << folder << k << v << true << "C:\\Tools";
    QTest::newRow("string filling the buffer")
        << 1u << QByteArray(1024, 'x') << k << v << true << QString(1024, QLatin1Char('x'));
    QTest::newRow("string over the buffer") << 1u << QByteArray(1025, 'x') << k << v << false << "";
    QTest::newRow("empty value") << 1u << QByteArray() << k << v << false << "";
    // Each byte counts with both its digits: 0x00000105 is 261, not 0x15.
    QTest::newRow("dword with small bytes") << 4u << QByteArray("\x05\x01\0\0", 4) << k << v << true << "261";
    QTest::newRow("largest dword") << 4u << QByteArray(4, '\xFF') << k << v << true << "4294967295";
    QTest::newRow("expandable string") << 2u << QByteArray("%SystemRoot%\0", 13) << k << v << true << "before";
    QTest::newRow("no such value") << 1u << folder << k << "Other" << false << "";
    QTest::newRow("no such key") << 1u << folder << "Other" << v << false << "";
}

void tst_KeyValue::read()
{
    QFETCH(uint, type);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, key);
    QFETCH(QString, valueName);
    QFETCH(bool, found);
    QFETCH(QString, keyVal);

    ScriptedRegistry registry;
    registry.setValue("Key", "Value", type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    std::string text = "before";
    QCOMPARE(KeyValue::read(registry, Registry::kLocalMachine, key.toStdString(), valueName.toStdString(), text),
             found);
    QCOMPARE(QString::fromLatin1(text.data(), qsizetype(text.size())), keyVal);
    QCOMPARE(registry.openKeys(), 0);
    // Reading needs no write rights, which most accounts lack on the machine's keys.
    for (std::uint32_t access : registry.accessMasks)
        QCOMPARE(access, Registry::kKeyRead);
}

TARVELLO_TEST_MAIN(tst_KeyValue)
#include "tst_KeyValue.moc"
