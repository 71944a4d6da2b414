#include "TestMain.h"
#include "platform/DesignFont.h"
#include "platform/StartupWarmUp.h"

#include <QFontDatabase>
#include <QFontInfo>

class tst_DesignFont : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void missingNamesDroppedFaceKept_data();
    void missingNamesDroppedFaceKept();
    void configuredFamiliesCoverTheToolkits();
    void familyOnlyDropsTheFoundry_data();
    void familyOnlyDropsTheFoundry();
};

static QStringList names(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','));
}

void tst_DesignFont::missingNamesDroppedFaceKept_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QStringList>("designed");

    QTest::newRow("sans") << DesignFont::msSansSerif(9.75, true)
                          << names("MS Sans Serif,Microsoft Sans Serif,Liberation Sans,Arimo,DejaVu Sans,Sans Serif");
    QTest::newRow("handwriting") << DesignFont::lucidaHandwriting(24, true)
                                 << names("Lucida Handwriting,URW Chancery L,Z003,Liberation Serif,DejaVu Serif,Serif");
}

// Leaving out the names no font answers to must not change the face drawn.
void tst_DesignFont::missingNamesDroppedFaceKept()
{
    QFETCH(QFont, font);
    QFETCH(QStringList, designed);

    const QStringList kept = font.families();
    QVERIFY(!kept.isEmpty());
    QCOMPARE(kept.last(), designed.last());
    for (const QString &family : kept.mid(0, kept.size() - 1)) {
        QVERIFY2(designed.contains(family), qPrintable(family));
        QVERIFY2(QFontDatabase::hasFamily(family), qPrintable(family));
    }
    QFont full = font;
    full.setFamilies(designed);
    QCOMPARE(QFontInfo(font).family(), QFontInfo(full).family());
    QCOMPARE(QFontInfo(font).bold(), QFontInfo(full).bold());
    // Without the handwriting face the stand-in keeps its slant.
    QCOMPARE(font.italic(), designed.first() == QLatin1String("Lucida Handwriting"));
}

// Start-up checks the design's names against the families read with the font
// configuration; one the toolkit has but that list lacks would be dropped.
void tst_DesignFont::configuredFamiliesCoverTheToolkits()
{
    readFontConfiguration();
    QSet<QString> configured;
    for (const std::string &family : configuredFontFamilies())
        configured.insert(QString::fromStdString(family).toCaseFolded());
#ifdef Q_OS_WIN
    QSKIP("the toolkit keeps its own list here");
#endif
    QVERIFY(!configured.isEmpty());
    const QStringList toolkit = QFontDatabase::families();
    QVERIFY(!toolkit.isEmpty());
    for (const QString &family : toolkit)
        QVERIFY2(configured.contains(DesignFont::familyOnly(family).toCaseFolded()), qPrintable(family));
}

void tst_DesignFont::familyOnlyDropsTheFoundry_data()
{
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("family");
    QTest::newRow("two foundries") << "Z003 [urw]"
                                   << "Z003";
    QTest::newRow("one foundry") << "Liberation Sans"
                                 << "Liberation Sans";
    QTest::newRow("bracket inside") << "Odd [Name] Sans"
                                    << "Odd [Name] Sans";
    QTest::newRow("only a foundry") << " [urw]"
                                    << " [urw]";
    QTest::newRow("one letter") << "Z [urw]"
                                << "Z";
}

// A family two foundries make is listed with the foundry; dropping the name
// for that would lose an installed design font.
void tst_DesignFont::familyOnlyDropsTheFoundry()
{
    QFETCH(QString, listed);
    QFETCH(QString, family);
    QCOMPARE(DesignFont::familyOnly(listed), family);
}

TARVELLO_TEST_MAIN(tst_DesignFont)
#include "tst_DesignFont.moc"
