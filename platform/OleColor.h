#pragma once

#include <QColor>
#include <QtGlobal>

class QPalette;

// Colours travel as 0x00BBGGRR; a value with the top bit set, 0x800000nn,
// names system colour nn and is resolved against the application palette.
namespace OleColor {

using Value = quint32;

inline constexpr Value kSystemFlag = 0x80000000u;
inline constexpr Value kCaptionText = 0x80000009u;
inline constexpr Value kAppWorkspace = 0x8000000Cu;

constexpr Value rgb(int r, int g, int b)
{
    return Value(r & 0xFF) | (Value(g & 0xFF) << 8) | (Value(b & 0xFF) << 16);
}

constexpr bool isSystem(Value v)
{
    return (v & kSystemFlag) != 0;
}

QColor toQColor(Value v);
QColor toQColor(Value v, const QPalette &palette);
Value fromQColor(const QColor &c);

// #RRGGBB, for accessible descriptions and messages.
QString toHtmlName(Value v);

} // namespace OleColor
