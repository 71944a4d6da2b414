#pragma once

#include "platform/OleColor.h"

#include <QFont>
#include <QImage>
#include <QRect>

// The banner's persistent picture: background colour, then the background
// picture at the top-left at its natural size, then everything printed or
// painted since. Changing the colour or the picture rebuilds it from those two
// alone, which erases what was printed.
class BannerPicture final
{
public:
    explicit BannerPicture(QSize pixels, OleColor::Value backColor = OleColor::kCaptionText);

    QSize size() const { return m_image.size(); }
    // Content stays at the top-left; new area shows the background colour.
    void resize(QSize pixels);

    OleColor::Value BackColor() const { return m_backColor; }
    void setBackColor(OleColor::Value color);

    const QImage &Picture() const { return m_picture; }
    void setPicture(const QImage &picture);

    // The composed picture, as shown and as saved.
    const QImage &Image() const { return m_image; }

    OleColor::Value ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor::Value color) { m_foreColor = color; }

    const QFont &font() const { return m_font; }
    void setFont(const QFont &font) { m_font = font; }

    // Prints text transparently with its top-left at the given point, in the
    // current font and fore colour. Returns the pixels it may have touched.
    QRect print(const QString &text, QPointF topLeft);
    QRect paintPicture(const QImage &picture, const QRectF &target);

    // The font with the text shaper's kerning and ligatures on, which banner
    // text always keeps, whatever the program's captions skip.
    static QFont shaped(QFont font);

    // Points are pixels of 1/96 inch whatever the screen, so a banner prints
    // the same on every machine.
    static constexpr int kDotsPerMeter = 3780;

private:
    void rebuild();
    QImage blank(QSize pixels) const;

    QImage m_image;
    QImage m_picture;
    OleColor::Value m_backColor;
    OleColor::Value m_foreColor = 0;
    QFont m_font;
};
