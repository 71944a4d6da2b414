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

    // Every system colour number on its palette role, each role and group a
    // colour of its own; past the table, the window's.
    QPalette palette;
    for (int g = QPalette::Active; g <= QPalette::Inactive; ++g)
        for (int r = 0; r < QPalette::NColorRoles; ++r)
            palette.setColor(QPalette::ColorGroup(g), QPalette::ColorRole(r), QColor(r, g, 7));
    using P = QPalette;
    const std::pair<P::ColorGroup, P::ColorRole> roles[] = {
        {P::Active, P::Button},
        {P::Active, P::Window},
        {P::Active, P::Highlight},
        {P::Inactive, P::Highlight},
        {P::Active, P::Window},
        {P::Active, P::Base},
        {P::Active, P::Shadow},
        {P::Active, P::WindowText},
        {P::Active, P::Text},
        {P::Active, P::HighlightedText},
        {P::Active, P::Mid},
        {P::Active, P::Midlight},
        {P::Active, P::Dark},
        {P::Active, P::Highlight},
        {P::Active, P::HighlightedText},
        {P::Active, P::Button},
        {P::Active, P::Dark},
        {P::Disabled, P::Text},
        {P::Active, P::ButtonText},
        {P::Inactive, P::HighlightedText},
        {P::Active, P::Light},
        {P::Active, P::Shadow},
        {P::Active, P::Midlight},
        {P::Active, P::ToolTipText},
        {P::Active, P::ToolTipBase},
        {P::Active, P::Window},
    };
    for (quint32 i = 0; i < std::size(roles); ++i)
        QCOMPARE(OleColor::toQColor(OleColor::kSystemFlag | i, palette),
                 palette.color(roles[i].first, roles[i].second));
    QCOMPARE(OleColor::toQColor(OleColor::kCaptionText, palette), palette.color(P::Active, P::HighlightedText));
    QCOMPARE(OleColor::toQColor(OleColor::kAppWorkspace, palette), palette.color(P::Active, P::Dark));
}

TARVELLO_TEST_MAIN(tst_NumberText)
#include "tst_NumberText.moc"
