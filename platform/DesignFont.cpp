#include "platform/DesignFont.h"

#include "platform/StartupWarmUp.h"

#include <QFontDatabase>
#include <QSet>
#include <QStringList>

namespace DesignFont {

namespace {

// A family no font here answers to costs the font matcher a search each time
// a font naming it is first used, which start-up pays; only installed
// families are passed on. The last, generic name always stays.
QStringList installedOnly(const QStringList &families)
{
    static const QSet<QString> installed = [] {
        // The list read with the font configuration spares start-up filling
        // the toolkit's whole font database here.
        QSet<QString> names;
        for (const std::string &family : configuredFontFamilies())
            names.insert(QString::fromStdString(family).toCaseFolded());
        if (names.isEmpty()) {
            for (const QString &family : QFontDatabase::families())
                names.insert(familyOnly(family).toCaseFolded());
        }
        return names;
    }();
    QStringList kept;
    for (qsizetype i = 0; i < families.size(); ++i) {
        if (i == families.size() - 1 || installed.contains(families.at(i).toCaseFolded()))
            kept.append(families.at(i));
    }
    return kept;
}

QFont make(const QStringList &families, double points, bool bold)
{
    QFont font;
    font.setFamilies(installedOnly(families));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

QString familyOnly(const QString &listed)
{
    const qsizetype bracket = listed.lastIndexOf(QLatin1String(" ["));
    return bracket > 0 && listed.endsWith(QLatin1Char(']')) ? listed.left(bracket) : listed;
}

QFont msSansSerif(double points, bool bold)
{
    return make({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans"),
                 QStringLiteral("Sans Serif")},
                points, bold);
}

QFont lucidaHandwriting(double points, bool bold)
{
    QFont font = make({QStringLiteral("Lucida Handwriting"), QStringLiteral("URW Chancery L"), QStringLiteral("Z003"),
                       QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif"), QStringLiteral("Serif")},
                      points, bold);
    // Without the handwriting face, an italic serif keeps the flourish.
    font.setItalic(true);
    return font;
}

} // namespace DesignFont
