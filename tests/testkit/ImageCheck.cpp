#include "ImageCheck.h"

#include <QDir>

#include <cstdlib>

namespace ImageCheck {

namespace {

bool near(QRgb pixel, const QColor &color, int tolerance)
{
    return std::abs(qRed(pixel) - color.red()) <= tolerance && std::abs(qGreen(pixel) - color.green()) <= tolerance
        && std::abs(qBlue(pixel) - color.blue()) <= tolerance;
}

} // namespace

int count(const QImage &image, const QRect &area, const QColor &color, int tolerance)
{
    const QRect r = area.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += near(image.pixel(x, y), color, tolerance) ? 1 : 0;
    return n;
}

int countOther(const QImage &image, const QRect &area, const QColor &color, int tolerance)
{
    const QRect r = area.intersected(image.rect());
    return r.width() * r.height() - count(image, r, color, tolerance);
}

QRect inkBox(const QImage &image, const QColor &background)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!near(image.pixel(x, y), background, 0))
                box |= QRect(x, y, 1, 1);
    return box;
}

bool same(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

void keep(const QImage &image, const QString &name)
{
    image.save(QDir::temp().filePath(name + QStringLiteral(".png")));
}

} // namespace ImageCheck
