#pragma once

#include <QFont>

// Large bold text, so that printed ink is easy to find and count.
inline QFont bigTestFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(20);
    font.setBold(true);
    return font;
}
