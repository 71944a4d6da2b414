#include "app/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent, bool bordered)
    : QFrame(parent)
{
    if (bordered)
        setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

void PictureBox::setBackColor(OleColor::Value color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    // One painter for fill and frame: the palette paints dozens of boxes.
    QPainter p(this);
    p.fillRect(contentsRect(), OleColor::toQColor(m_backColor));
    drawFrame(&p);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The release that closes a double click may have gone to a dialog the
    // double click opened; a new press starts afresh.
    m_afterDoubleClick = false;
    m_pressed = true;
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return;
    }
    if (wasPressed && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_afterDoubleClick = true;
    Q_EMIT doubleClicked();
}
