#include "TestMain.h"
#include "platform/NumberText.h"
#include "platform/OleColor.h"
#include "platform/Units.h"

#include <QPalette>

class tst_NumberText : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortForm_data();
    void shortForm();
    void readoutArithmetic();
    void colours();
};

void tst_NumberText::shortForm_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole") << "C" << 468.0f << "468";
    QTest::newRow("one") << "C" << 1.0f << "1";
    QTest::newRow("zero") << "C" << 0.0f << "0";
    QTest::newRow("negative zero") << "C" << -0.0f << "0";
    QTest::newRow("seven digits") << "C" << (100.0f / 15.0f + 1.0f) << "7.666667";
    QTest::newRow("no grouping") << "C" << 1234.5f << "1234.5";
    QTest::newRow("negative") << "C" << -2.5f << "-2.5";
    QTest::newRow("small") << "C" << 0.25f << "0.25";
    QTest::newRow("german separator") << "de_DE" << (100.0f / 15.0f + 1.0f) << "7,666667";
    QTest::newRow("german no grouping") << "de_DE" << 12345.5f << "12345,5";
    QTest::newRow("german whole") << "de_DE" << 4000.0f << "4000";
}

void tst_NumberText::shortForm()
{
    QFETCH(QString, locale);
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(shortNumber(value, QLocale(locale)), text);
}

void tst_NumberText::readoutArithmetic()
{
    // The pixel under the pointer, 1-based, from twips in single precision.
    auto column = [](float twips) { return shortNumber(twips / float(Units::kTwipsPerPixel) + 1.0f, QLocale::c()); };
    QCOMPARE(column(0.0f), QStringLiteral("1"));
    QCOMPARE(column(Units::toTwips(467.0f)), QStringLiteral("468"));
    QCOMPARE(column(7.5f), QStringLiteral("1.5"));
    QCOMPARE(column(-15.0f), QStringLiteral("0"));
}

void tst_NumberText::colours()
{
    QCOMPARE(OleColor::toQColor(0x0000FFu), QColor(255, 0, 0));
    QCOMPARE(OleColor::toQColor(0xFF0000u), QColor(0, 0, 255));
    QCOMPARE(OleColor::toQColor(0xC0C000u), QColor(0x00, 0xC0, 0xC0));
    QCOMPARE(OleColor::fromQColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
    QCOMPARE(OleColor::toHtmlName(0x0080FFu), QStringLiteral("#FF8000"));

    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::HighlightedText, QColor(1, 2, 3));
    palette.setColor(QPalette::Dark, QColor(4, 5, 6));
    palette.setColor(QPalette::Button, QColor(7, 8, 9));
    palette.setColor(QPalette::Midlight, QColor(10, 11, 12));
    palette.setColor(QPalette::ToolTipBase, QColor(13, 14, 15));
    palette.setColor(QPalette::Window, QColor(16, 17, 18));
    QCOMPARE(OleColor::toQColor(OleColor::kCaptionText, palette), QColor(1, 2, 3));
    QCOMPARE(OleColor::toQColor(OleColor::kAppWorkspace, palette), QColor(4, 5, 6));
    // The ends of the table, and past it.
    QCOMPARE(OleColor::toQColor(OleColor::kSystemFlag | 0, palette), QColor(7, 8, 9));
    QCOMPARE(OleColor::toQColor(OleColor::kSystemFlag | 22, palette), QColor(10, 11, 12));
    QCOMPARE(OleColor::toQColor(OleColor::kSystemFlag | 24, palette), QColor(13, 14, 15));
    QCOMPARE(OleColor::toQColor(OleColor::kSystemFlag | 25, palette), QColor(16, 17, 18));
}

TARVELLO_TEST_MAIN(tst_NumberText)
#include "tst_NumberText.moc"
