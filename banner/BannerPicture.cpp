#include "banner/BannerPicture.h"

#include <QPainter>

BannerPicture::BannerPicture(QSize pixels, OleColor::Value backColor)
    : m_backColor(backColor)
{
    m_image = blank(pixels);
}

QImage BannerPicture::blank(QSize pixels) const
{
    QImage image(pixels.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    image.fill(OleColor::toQColor(m_backColor));
    return image;
}

void BannerPicture::rebuild()
{
    m_image = blank(m_image.size());
    if (!m_picture.isNull()) {
        QPainter p(&m_image);
        p.drawImage(QPoint(0, 0), m_picture);
    }
}

void BannerPicture::resize(QSize pixels)
{
    if (pixels == m_image.size())
        return;
    QImage grown = blank(pixels);
    QPainter p(&grown);
    p.drawImage(QPoint(0, 0), m_image);
    p.end();
    m_image = grown;
}

void BannerPicture::setBackColor(OleColor::Value color)
{
    m_backColor = color;
    rebuild();
}

void BannerPicture::setPicture(const QImage &picture)
{
    m_picture = picture;
    rebuild();
}

QFont BannerPicture::shaped(QFont font)
{
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() & ~QFont::PreferNoShaping));
    return font;
}

QRect BannerPicture::print(const QString &text, QPointF topLeft)
{
    if (text.isEmpty() || m_image.isNull())
        return {};
    QPainter p(&m_image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(shaped(m_font));
    p.setPen(OleColor::toQColor(m_foreColor));
    const QRectF room(topLeft, QSizeF(1e6, 1e6));
    QRectF used;
    p.drawText(room, Qt::AlignLeft | Qt::AlignTop, text, &used);
    // Antialiasing and italics may reach a little past the layout box.
    return used.toAlignedRect().adjusted(-2, -2, 2, 2).intersected(m_image.rect());
}

QRect BannerPicture::paintPicture(const QImage &picture, const QRectF &target)
{
    if (picture.isNull() || m_image.isNull())
        return {};
    QPainter p(&m_image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture);
    return target.toAlignedRect().intersected(m_image.rect());
}
