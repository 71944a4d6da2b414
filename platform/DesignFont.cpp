#include "platform/DesignFont.h"

#include <QStringList>

namespace DesignFont {

namespace {

QFont make(const QStringList &families, double points, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

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
