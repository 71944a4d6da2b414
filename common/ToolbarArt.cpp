#include "common/ToolbarArt.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <mutex>
#include <vector>

namespace ToolbarArt {

namespace {

const QColor kInk(40, 40, 48);

void newPage(QPainter &p)
{
    QPainterPath page;
    page.moveTo(8, 3);
    page.lineTo(22, 3);
    page.lineTo(28, 9);
    page.lineTo(28, 32);
    page.lineTo(8, 32);
    page.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(22, 3);
    fold.lineTo(22, 9);
    fold.lineTo(28, 9);
    p.setBrush(QColor(210, 210, 220));
    p.drawPath(fold);
    p.setPen(QPen(QColor(150, 170, 200), 1));
    for (int y = 14; y <= 27; y += 4)
        p.drawLine(12, y, 24, y);
}

void eraser(QPainter &p)
{
    p.save();
    p.translate(17.5, 18);
    p.rotate(-35);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(240, 120, 140));
    p.drawRoundedRect(QRectF(-13, -6, 16, 12), 2, 2);
    p.setBrush(QColor(235, 235, 245));
    p.drawRoundedRect(QRectF(3, -6, 10, 12), 2, 2);
    p.restore();
    p.setPen(QPen(QColor(150, 150, 160), 1.2, Qt::DashLine));
    p.drawLine(5, 31, 30, 31);
}

void fillBucket(QPainter &p)
{
    p.save();
    p.translate(15, 17);
    p.rotate(-30);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(200, 205, 215));
    p.drawRect(QRectF(-8, -6, 16, 16));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-7, -13, 14, 14), 0, 180 * 16);
    p.restore();
    QPainterPath drip;
    drip.moveTo(25, 14);
    drip.cubicTo(31, 20, 31, 26, 28, 29);
    drip.cubicTo(25, 31, 22, 27, 25, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 110, 230));
    p.drawPath(drip);
    p.drawEllipse(QRectF(5, 28, 18, 4));
}

// The letters are drawn as shapes: loading fonts for them would cost the
// program's start a noticeable part of its time.
QPainterPath serifT(QRectF box)
{
    const double w = box.width(), h = box.height();
    const double bar = h * 0.16, stem = w * 0.2;
    QPainterPath t;
    t.addRect(QRectF(box.left(), box.top(), w, bar));
    t.addRect(QRectF(box.center().x() - stem / 2, box.top(), stem, h));
    t.addRect(QRectF(box.center().x() - stem * 1.3, box.bottom() - h * 0.08, stem * 2.6, h * 0.08));
    t.addRect(QRectF(box.left(), box.top(), w * 0.08, bar * 1.9));
    t.addRect(QRectF(box.right() - w * 0.08, box.top(), w * 0.08, bar * 1.9));
    t.setFillRule(Qt::WindingFill);
    return t;
}

void textT(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(serifT(QRectF(7, 5, 21, 25)));
}

void fontA(QPainter &p)
{
    // A slanted capital A in red, with a small a beside it.
    QPainterPath a;
    a.moveTo(2, 31);
    a.lineTo(13, 4);
    a.lineTo(18, 4);
    a.lineTo(23, 31);
    a.lineTo(18, 31);
    a.lineTo(16.8, 24);
    a.lineTo(9.5, 24);
    a.lineTo(7, 31);
    a.closeSubpath();
    QPainterPath hole;
    hole.moveTo(11, 20);
    hole.lineTo(16.2, 20);
    hole.lineTo(15.2, 11);
    hole.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(180, 30, 40));
    p.drawPath(a.subtracted(hole));
    p.setPen(QPen(kInk, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(23.5, 21, 7, 9));
    p.drawLine(QPointF(31.5, 22), QPointF(31.5, 31));
}

void arrowHead(QPainter &p, QPointF tip, QPointF dir)
{
    const QPointF side(-dir.y(), dir.x());
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(tip - dir * 6 + side * 4);
    head.lineTo(tip - dir * 6 - side * 4);
    head.closeSubpath();
    p.drawPath(head);
}

void resizeArrows(QPainter &p)
{
    p.setPen(QPen(QColor(120, 120, 130), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(4, 9, 27, 17));
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(8, 17.5), QPointF(27, 17.5));
    p.drawLine(QPointF(17.5, 4), QPointF(17.5, 31));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    arrowHead(p, QPointF(4, 17.5), QPointF(-1, 0));
    arrowHead(p, QPointF(31, 17.5), QPointF(1, 0));
    arrowHead(p, QPointF(17.5, 2), QPointF(0, -1));
    arrowHead(p, QPointF(17.5, 33), QPointF(0, 1));
}

void picture(QPainter &p)
{
    const QRectF frame(3, 6, 29, 23);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(150, 200, 245));
    p.drawRect(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QRectF(22, 9, 7, 7));
    QPainterPath hills;
    hills.moveTo(4, 28);
    hills.lineTo(13, 15);
    hills.lineTo(19, 23);
    hills.lineTo(23, 19);
    hills.lineTo(31, 28);
    hills.closeSubpath();
    p.setBrush(QColor(60, 150, 70));
    p.drawPath(hills);
}

using Art = void (*)(QPainter &);

void programArt(QPainter &p)
{
    // A banner strip with a T: docs and the installed SVG draw the same shapes.
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(255, 250, 235));
    p.drawRoundedRect(QRectF(1.5, 9, 32, 17), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 200));
    p.drawPath(serifT(QRectF(11, 11.5, 13, 12)));
}

QImage render(QSize pixels, Art art)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels.width() / double(kImageSize), pixels.height() / double(kImageSize));
    art(p);
    return image;
}

constexpr Art kButtonArt[] = {newPage, eraser, fillBucket, textT, resizeArrows, picture, fontA};
constexpr int kProgramIconPixels[] = {16, 32, 48, 64};

struct Drawn
{
    Art art;
    QSize pixels;
    QImage image;
};

std::mutex g_drawnMutex;
std::vector<Drawn> g_drawn; // a few sizes of eight pieces of art

// Each piece of art is drawn once at each size and kept, so that repaints
// reuse it; the warm-up thread draws the start-up sizes ahead of the first
// paint. Two threads asking at once may both draw it; the first one is kept.
QImage drawn(Art art, QSize pixels)
{
    const auto find = [&]() -> const Drawn * {
        for (const Drawn &d : g_drawn) {
            if (d.art == art && d.pixels == pixels)
                return &d;
        }
        return nullptr;
    };
    {
        const std::lock_guard<std::mutex> lock(g_drawnMutex);
        if (const Drawn *d = find())
            return d->image;
    }
    QImage image = render(pixels, art); // unlocked: the other thread may be drawing too
    const std::lock_guard<std::mutex> lock(g_drawnMutex);
    if (const Drawn *d = find())
        return d->image;
    g_drawn.push_back(Drawn{art, pixels, image});
    return image;
}

// Draws the art at whatever pixel size is asked for, so that a
// high-density screen gets sharp edges instead of a stretched small picture.
class ArtEngine final : public QIconEngine
{
public:
    explicit ArtEngine(Art art, QList<QSize> sizes = {})
        : m_art(art)
        , m_sizes(std::move(sizes))
    { }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return m_sizes; }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = scaledPixmap(rect.size() * ratio, mode, state, ratio);
        pm.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, pm);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    // `size` is in device pixels; Qt sets the ratio on what it gets back.
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal) override
    {
        if (size.isEmpty())
            return {};
        QPixmap pm = QPixmap::fromImage(drawn(m_art, size));
        if (mode != QIcon::Normal && mode != QIcon::Active) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pm = QApplication::style()->generatedIconPixmap(mode, pm, &option);
        }
        return pm;
    }

    QIconEngine *clone() const override { return new ArtEngine(m_art, m_sizes); }

private:
    Art m_art;
    QList<QSize> m_sizes;
};

} // namespace

QIcon image(int index)
{
    if (index < 0 || index >= int(std::size(kButtonArt)))
        return {};
    return QIcon(new ArtEngine(kButtonArt[index]));
}

QIcon programIcon()
{
    // A window draws every size its icon lists for the window manager before
    // it first shows; with none listed Qt draws four, up to 128 px, which is
    // most of the icon's cost at start-up. Menus and docks take the larger
    // icons installed with the program.
    QList<QSize> sizes;
    for (int pixels : kProgramIconPixels)
        sizes.append(QSize(pixels, pixels));
    return QIcon(new ArtEngine(programArt, sizes));
}

void prepare()
{
    for (Art art : kButtonArt)
        drawn(art, QSize(kImageSize, kImageSize));
    for (int pixels : kProgramIconPixels)
        drawn(programArt, QSize(pixels, pixels));
}

QImage programImage(int pixels)
{
    return render(QSize(pixels, pixels), programArt);
}

} // namespace ToolbarArt
