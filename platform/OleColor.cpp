#include "platform/OleColor.h"

#include <QGuiApplication>
#include <QPalette>

namespace OleColor {

namespace {

QColor systemColor(Value index, const QPalette &p)
{
    // The classic system colour numbers, mapped onto the nearest palette roles.
    switch (index) {
    case 0: return p.color(QPalette::Button);                            // scroll bar
    case 1: return p.color(QPalette::Window);                            // desktop
    case 2: return p.color(QPalette::Active, QPalette::Highlight);       // active caption
    case 3: return p.color(QPalette::Inactive, QPalette::Highlight);     // inactive caption
    case 4: return p.color(QPalette::Window);                            // menu bar
    case 5: return p.color(QPalette::Base);                              // window background
    case 6: return p.color(QPalette::Shadow);                            // window frame
    case 7: return p.color(QPalette::WindowText);                        // menu text
    case 8: return p.color(QPalette::Text);                              // window text
    case 9: return p.color(QPalette::Active, QPalette::HighlightedText); // caption text
    case 10: return p.color(QPalette::Mid);                              // active border
    case 11: return p.color(QPalette::Midlight);                         // inactive border
    case 12: return p.color(QPalette::Dark);                             // application workspace
    case 13: return p.color(QPalette::Highlight);
    case 14: return p.color(QPalette::HighlightedText);
    case 15: return p.color(QPalette::Button);
    case 16: return p.color(QPalette::Dark);                     // button shadow
    case 17: return p.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18: return p.color(QPalette::ButtonText);
    case 19: return p.color(QPalette::Inactive, QPalette::HighlightedText); // inactive caption text
    case 20: return p.color(QPalette::Light);                               // button highlight
    case 21: return p.color(QPalette::Shadow);                              // 3D dark shadow
    case 22: return p.color(QPalette::Midlight);                            // 3D light
    case 23: return p.color(QPalette::ToolTipText);
    case 24: return p.color(QPalette::ToolTipBase);
    default: return p.color(QPalette::Window);
    }
}

} // namespace

QColor toQColor(Value v)
{
    return toQColor(v, QGuiApplication::palette());
}

QColor toQColor(Value v, const QPalette &palette)
{
    if (isSystem(v))
        return systemColor(v & 0xFFu, palette);
    return QColor(int(v & 0xFFu), int((v >> 8) & 0xFFu), int((v >> 16) & 0xFFu));
}

Value fromQColor(const QColor &c)
{
    const QColor rgbColor = c.toRgb();
    return rgb(rgbColor.red(), rgbColor.green(), rgbColor.blue());
}

QString toHtmlName(Value v)
{
    return toQColor(v).name(QColor::HexRgb).toUpper();
}

} // namespace OleColor
