#include "ImageCheck.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLabel>

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

QString layout(const QWidget *window, const QString &name, const QStringList &changing)
{
    QString out;
    const auto add = [&](const QWidget *w, const auto &self) -> void {
        QDebug line = QDebug(&out) << w->objectName() << w->metaObject()->className() << w->pos() << w->size()
                                   << w->contentsRect() << w->isHidden() << w->font().key()
                                   << w->palette().color(w->foregroundRole())
                                   << w->palette().color(w->backgroundRole());
        if (const auto *label = qobject_cast<const QLabel *>(w))
            line << label->margin() << label->indent() << label->alignment()
                 << (changing.contains(w->objectName()) ? QString() : label->text());
        if (const auto *button = qobject_cast<const QAbstractButton *>(w))
            line << button->text();
        line << Qt::endl;
        // The insides of the toolkit's own composite controls are its business.
        if (qobject_cast<const QAbstractScrollArea *>(w))
            return;
        for (const QWidget *child : w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            if (!child->isWindow() && !child->objectName().startsWith(QLatin1String("qt_")))
                self(child, self);
    };
    add(window, add);
    if (QFile kept(QDir::temp().filePath(name + QStringLiteral(".txt"))); kept.open(QIODevice::WriteOnly))
        kept.write(out.toUtf8());
    return QString::fromLatin1(QCryptographicHash::hash(out.toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

} // namespace ImageCheck
