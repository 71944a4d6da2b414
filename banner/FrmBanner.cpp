#include "banner/FrmBanner.h"

#include "banner/BannerHost.h"
#include "common/AppState.h"
#include "common/Texts.h"
#include "platform/CommonDialog.h"
#include "platform/Failure.h"
#include "platform/NumberText.h"
#include "platform/Units.h"
#include "platform/WindowMover.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

constexpr QSize kDesignSize(Units::pixels(7020), Units::pixels(900));

int pixelsOf(float twips)
{
    return int(std::lround(Units::toPixels(twips)));
}

} // namespace

FrmBanner::FrmBanner(QMdiArea &workArea, AppState &state, CommonDialog &dialog, WindowMover &mover, BannerHost &host)
    : m_state(state)
    , m_dialog(dialog)
    , m_mover(mover)
    , m_host(host)
    , m_picture(kDesignSize)
{
    setObjectName(QStringLiteral("FrmBanner"));
    setWindowTitle(Texts::kBannerCaption);
    // Every pixel comes from the persistent picture; only dirty parts repaint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    setMouseTracking(true);
    setFixedSize(kDesignSize);
    // Text on the banner keeps its font's kerning and ligatures, which the
    // program turns off for its own captions.
    setFont(BannerPicture::shaped(font()));

    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAutoFillBackground(false);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_label->setContentsMargins(0, 0, 0, 0);
    m_label->setMargin(0);
    m_label->setIndent(0);
    m_label->setGeometry(Units::rect(600, 120, 45, 195));
    m_label->hide();

    m_window = workArea.addSubWindow(this, Qt::SubWindow | Qt::FramelessWindowHint);
    m_window->setObjectName(QStringLiteral("FrmBannerWindow"));
    m_window->setWindowTitle(Texts::kBannerCaption);
    m_window->setContentsMargins(0, 0, 0, 0);
    m_window->setOption(QMdiSubWindow::RubberBandMove, false);
    m_window->setFixedSize(kDesignSize);
    m_window->move(0, 0);

    Form_Load();
}

void FrmBanner::Form_Load()
{
    setMousePointer(15);
    m_host.setBackgroundSwatch(BackColor());
}

void FrmBanner::setLeft(float twips)
{
    m_left = twips;
    m_window->move(pixelsOf(m_left), m_window->y());
}

void FrmBanner::setTop(float twips)
{
    m_top = twips;
    m_window->move(m_window->x(), pixelsOf(m_top));
}

float FrmBanner::Width() const
{
    return Units::toTwips(float(width()));
}

float FrmBanner::Height() const
{
    return Units::toTwips(float(height()));
}

int FrmBanner::checkedSide(float twips, const char *what)
{
    // Compared before rounding, so that huge or NaN values never reach lround.
    const float pixels = Units::toPixels(twips);
    if (!(pixels >= 0.5f && pixels < float(kMaxSide) + 0.5f))
        throw Failure(QStringLiteral("The banner cannot be %1 pixels %2: it must be 1 to %3 pixels.")
                          .arg(shortNumber(Units::toPixels(twips)), QLatin1String(what))
                          .arg(kMaxSide));
    return pixelsOf(twips);
}

void FrmBanner::setWidth(float twips)
{
    applySize(QSize(checkedSide(twips, "wide"), height()));
}

void FrmBanner::setHeight(float twips)
{
    applySize(QSize(width(), checkedSide(twips, "high")));
}

void FrmBanner::applySize(QSize pixels)
{
    m_picture.resize(pixels);
    setFixedSize(pixels);
    m_window->setFixedSize(pixels);
    update();
}

void FrmBanner::setBackColor(OleColor::Value color)
{
    m_picture.setBackColor(color);
    update();
}

void FrmBanner::setPicture(const QImage &picture)
{
    m_picture.setPicture(picture);
    update();
}

void FrmBanner::PaintPicture(const QImage &picture, float x, float y, float w, float h)
{
    const QRectF target(Units::toPixels(x), Units::toPixels(y), Units::toPixels(w), Units::toPixels(h));
    update(m_picture.paintPicture(picture, target));
}

void FrmBanner::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    if (pointer == 15)
        setCursor(Qt::SizeAllCursor);
    else
        unsetCursor();
}

QString FrmBanner::labelCaption() const
{
    return m_label->text();
}

void FrmBanner::setLabelCaption(const QString &caption)
{
    m_label->setText(caption);
    m_label->adjustSize();
}

void FrmBanner::setLabelForeColor(OleColor::Value color)
{
    m_labelForeColor = color;
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, OleColor::toQColor(color));
    m_label->setPalette(palette);
}

QFont FrmBanner::labelFont() const
{
    return m_label->font();
}

void FrmBanner::setLabelFont(const QFont &font)
{
    m_label->setFont(font);
    m_label->adjustSize();
}

void FrmBanner::placeLabel(float x, float y)
{
    m_label->move(pixelsOf(x), pixelsOf(y));
}

void FrmBanner::Form_MouseDown(int /*button*/, float x, float y)
{
    if (m_state.TextPending) {
        setMousePointer(0);
        m_label->show();
        placeLabel(x, y);
        return;
    }
    // The move runs its own loop and returns when the button is released.
    m_mover.moveWindow(m_window);
    if (m_state.BackColorPending != 0.0f) {
        setBackColor(m_dialog.Color());
        m_host.setBackgroundSwatch(m_dialog.Color());
        m_state.BackColorPending = 0.0f;
    }
}

void FrmBanner::Form_MouseMove(int button, float x, float y)
{
    const float column = x / float(Units::kTwipsPerPixel) + 1.0f;
    const float row = y / float(Units::kTwipsPerPixel) + 1.0f;
    m_host.showPosition(shortNumber(column), shortNumber(row));
    if (button == kLeft && m_state.TextPending)
        placeLabel(x, y);
}

void FrmBanner::Form_MouseUp(int /*button*/, float x, float y)
{
    if (!m_state.TextPending) {
        m_state.BackColorPending = 0.0f;
        return;
    }
    setMousePointer(15);
    const QPointF at(Units::toPixels(x), Units::toPixels(y));
    update(m_picture.print(m_label->text(), at));
    m_label->hide();
    m_state.TextPending = false;
}

int FrmBanner::buttonsOf(Qt::MouseButtons buttons)
{
    int mask = 0;
    if (buttons & Qt::LeftButton)
        mask |= kLeft;
    if (buttons & Qt::RightButton)
        mask |= kRight;
    if (buttons & Qt::MiddleButton)
        mask |= kMiddle;
    return mask;
}

void FrmBanner::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect dirty = event->rect();
    if (devicePixelRatioF() == 1.0) {
        p.drawImage(dirty, m_picture.Image(), dirty);
        return;
    }
    // On a dense screen each banner pixel becomes a block of screen pixels,
    // without smoothing. The whole picture is mapped every time, clipped to the
    // dirty part, so that a partial repaint picks the same screen pixels as a
    // full one at fractional ratios.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(QPointF(0, 0), QSizeF(m_picture.Image().size())), m_picture.Image());
}

void FrmBanner::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    const float x = Units::toTwips(float(at.x()));
    const float y = Units::toTwips(float(at.y()));
    m_host.guard([&] { Form_MouseDown(buttonsOf(event->button()), x, y); });
}

void FrmBanner::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    const float x = Units::toTwips(float(at.x()));
    const float y = Units::toTwips(float(at.y()));
    m_host.guard([&] { Form_MouseMove(buttonsOf(event->buttons()), x, y); });
}

void FrmBanner::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    const float x = Units::toTwips(float(at.x()));
    const float y = Units::toTwips(float(at.y()));
    m_host.guard([&] { Form_MouseUp(buttonsOf(event->button()), x, y); });
}

void FrmBanner::mouseDoubleClickEvent(QMouseEvent *)
{
    // The second press of a double click is no new press for the banner.
}
